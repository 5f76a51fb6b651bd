#pragma once
// The pages of one Jet file for a writer: read from the file when first asked for, kept in
// memory with the transaction's changes and its appended pages until the transaction ends,
// then written by an atomic, durable commit through a rollback journal (JetJournal.h), or
// dropped by a rollback.
//
// A transaction holds the writer's lock (JetFileLocks.h) from begin() to its end: no other
// writer of ours changes the file meanwhile, so the pages read stay those of the file. It is
// refused while Access has the file open. Pages held in memory, read or changed, are bounded
// (256 MB unless told otherwise): a change reaching further is refused, nothing written.
//
// A commit: (1) the journal, holding the original bytes of every page about to be overwritten,
// a hash of the new bytes of every page written, and the file's length before and after, is
// written and synced with its folder, then sealed and synced again; (2) once the statements
// other connections have under way are over (readers never see half a commit), the changed and
// appended pages are written into the file, which is synced and given a new stamp
// (JetFileStamp.h); (3) the journal is removed and the folder synced: that removal is the commit
// point. A crash before it leaves a journal that the next opening rolls back, or finds landed
// whole (JetRecovery.h); a crash after it leaves the commit done.
#include "driver/jet/file/JetFileLocks.h"
#include "driver/jet/file/JetJournal.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetPages.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPageStore final : public JetPages {
public:
    static constexpr std::size_t kDefaultMemoryLimit = std::size_t(256) << 20;

    // Opens the Jet 3 or Jet 4 file `path` for writing (its page size read from its header);
    // nullptr and a French message when it cannot be. `locks`, when given, is the open of the
    // file that the connection's statements read through (it must outlive the store); the store
    // then writes through it and takes the locks there. Otherwise the store opens the file itself.
    // `encryption`, when given, is the cipher the file was opened with (JetFile::cipher()); an
    // encrypted Access 2007 or later file is refused without it.
    static std::unique_ptr<JetPageStore> open(const std::string& path, std::string& error,
                                              std::size_t memoryLimit = kDefaultMemoryLimit,
                                              JetFileLocks* locks = nullptr,
                                              const JetPageCipher* encryption = nullptr);
    // Made by open() only.
    class Key {
        friend class JetPageStore;
        Key() = default;
    };
    JetPageStore(Key, std::string path, std::unique_ptr<JetFileLocks> own, JetFileLocks& locks, std::size_t pageSize,
                 std::size_t memoryLimit);
    ~JetPageStore() override;  // a transaction still open is rolled back
    JetPageStore(const JetPageStore&) = delete;
    JetPageStore& operator=(const JetPageStore&) = delete;

    // Starts a transaction: takes the writer's lock, refuses when another program writes the
    // file, and first rolls back a commit a crash interrupted. False with a French message.
    bool begin(std::string& error);
    // Writes the transaction's pages into the file and ends it. False with a French message
    // when the file could not be changed: it is then as before the transaction (or, when even
    // undoing failed, left with its journal for the next opening to roll back).
    bool commit(std::string& error);
    // Drops the transaction's changes; the file was never touched.
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    std::size_t pageSize() const override { return m_pageSize; }
    std::uint32_t pageCount() const override;
    // nullptr as JetPages says, also outside a transaction and past the memory limit; then
    // lastError() says why in French.
    const unsigned char* read(std::uint32_t page) override;
    unsigned char* change(std::uint32_t page) override;
    // 0 (the header page, never appended) when refused; lastError() says why.
    std::uint32_t append() override;
    const std::string& lastError() const { return m_lastError; }

    // The transaction's version of a page it changed or appended, nullptr for a page it left as
    // the file has it (read or not): a reader can lay these over the file without making the
    // store hold the pages it reads. Valid until the next change of the transaction.
    const unsigned char* changedPage(std::uint32_t page) const;

    // Savepoints within the transaction, numbered from 0 as SQLite numbers them (a statement
    // that fails half-way is undone this way). A page's former bytes are copied on its first
    // change after the newest savepoint, so a savepoint costs nothing until pages change.
    // Savepoint `level` is set now; any at or above it are forgotten first.
    void setSavepoint(std::size_t level);
    // Puts the transaction back as it was at savepoint `level`, which stays set: pages changed
    // since read as before, pages appended since are dropped. False with a French message when
    // a page cannot be read again from the file.
    bool rollbackToSavepoint(std::size_t level, std::string& error);
    // Forgets savepoints `level` and above; their changes stay in the transaction.
    void releaseSavepoint(std::size_t level);

    const std::string& path() const { return m_path; }
    // For the crash tests: called before each write and sync of a commit, numbered from 0 in
    // this order: the journal's header, each journal record (the overwritten pages', then the
    // appended pages'), the journal's sync (with its folder's), its seal, the seal's sync,
    // each page written into the file, the file's sync, the journal's removal, the folder's
    // sync.
    void setCommitStep(CommitStep step) { m_step = std::move(step); }

private:
    struct Page {
        std::unique_ptr<unsigned char[]> bytes;
        bool changed = false;
    };

    // A page as a savepoint found it: its bytes when the transaction had changed it, nothing
    // when it was the file's.
    struct Savepoint {
        std::map<std::uint32_t, std::unique_ptr<unsigned char[]>> before;
        std::uint32_t appended = 0;
    };

    Page* hold(std::uint32_t page);
    void keepForSavepoint(std::uint32_t number, const Page& page);
    bool putBack(std::uint32_t number, const unsigned char* before, std::string& error);
    bool roomForOneMore();
    bool refuseWhenAccessUses(std::string& error);
    bool settleUnderLocks(std::string& error);
    int fd() const { return m_locks.fd(); }
    bool writeCommit(std::string& error);
    // The changed pages as the file is to hold them; an encoded file's enciphered into
    // `enciphered`, which keeps them.
    std::vector<CommitPage> storedPages(std::vector<std::vector<unsigned char>>& enciphered) const;
    bool writeCommitJournal(const std::vector<CommitPage>& pages, int& stepNumber, std::string& error);
    int writePages(const std::vector<CommitPage>& pages, int& stepNumber);
    void endTransaction();

    std::string m_path;
    std::unique_ptr<JetFileLocks> m_ownLocks;  // when the store opened the file itself
    JetFileLocks& m_locks;
    std::size_t m_pageSize;
    JetPageCipher m_cipher;  // an encoded file's
    std::size_t m_memoryLimit;
    bool m_inTransaction = false;
    std::uint32_t m_filePages = 0;  // pages of the file when the transaction began
    std::uint32_t m_appended = 0;
    std::map<std::uint32_t, Page> m_pages;
    std::vector<Savepoint> m_savepoints;
    std::size_t m_savedPages = 0;  // former pages the savepoints hold
    std::string m_lastError;
    CommitStep m_step;
};

}  // namespace kervane::jet
