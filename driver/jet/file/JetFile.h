#pragma once
// An Access (Jet 3 or Jet 4) file opened for reading: its catalogue listed by the caller's own
// checked code (or walked by libmdb once the opening probe came through), its table
// definitions through libmdb, its pages straight from the file, under the connection's share
// of the file's locks (JetFileLocks.h). Opening reads its catalogue only; the definition of a
// table is read and checked at its first use, so that opening a file of thousands of tables
// costs no more than reading their names.
#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/file/JetFileLocks.h"
#include "driver/jet/file/JetFileStamp.h"
#include "driver/jet/file/JetPageOverlay.h"
#include "driver/jet/format/JetColumnProperties.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/format/JetVersion.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

typedef struct S_MdbTableDef MdbTableDef;

namespace kervane::jet {

struct JetColumn {
    std::string name;
    ColumnInfo info;
    int index = 0;  // position in libmdb's column list, the order mdb_crack_row fills
};

struct JetTable {
    std::string name;
    std::uint32_t definitionPage = 0;
    bool system = false;   // MSys...
    bool dropped = false;  // removed by the transaction under way (or created by one undone)
    bool defined = false;  // the members below are read with the definition, at first use
    std::size_t definitionHash = 0;  // of the definition's bytes as read
    std::uint32_t rowEstimate = 0;
    bool hasVariableColumns = false;
    std::vector<JetColumn> columns;
    std::vector<unsigned char> usageMap;
    MdbTableDef* definition = nullptr;  // owned by the JetFile
    // Times a transaction said it changed the table: what was made from its rows before
    // (the driver's indexes) is stale once this moved.
    std::uint32_t changes = 0;
};

class JetFile {
public:
    // Checks the file, opens it and reads its catalogue, or takes `known`, the catalogue of
    // this same file already read (by an earlier opening or the opening probe); nullptr and a French message when
    // the file cannot be read.
    // `exclusive`: the file opened for this connection alone (JetFileLocks.h). `encryption`: the
    // cipher the password of an encrypted Access 2007 or later file opened (JetPageCipher.h),
    // without which such a file is refused; other files state their own.
    static std::unique_ptr<JetFile> open(const std::string& path, std::string& error,
                                         const Catalogue* known = nullptr, bool exclusive = false,
                                         const JetPageCipher& encryption = {});
    // The file's pages read by the caller's own checked code to list its catalogue, before
    // libmdb reads anything of it; nothing when that code cannot vouch for the catalogue.
    using CatalogueListing = std::function<std::optional<Catalogue>(JetFile& file)>;
    // Opens as open() does, the catalogue listed by `list` under the same lock; nullptr with
    // `unlisted` set and no message when `list` gave nothing: libmdb's walk of the catalogue
    // must then be probed first.
    static std::unique_ptr<JetFile> openListing(const std::string& path, const CatalogueListing& list,
                                                bool& unlisted, std::string& error, bool exclusive = false,
                                                const JetPageCipher& encryption = {});
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    // The design properties of the table whose definition starts on the page given, read by
    // the caller's own checked code (empty when it has none); nothing when that code cannot
    // vouch for them. Given one, the file reads a table's properties with it, and walks the
    // catalogue with libmdb only when it gives nothing (its walk was then probed at opening).
    using PropertyListing =
        std::function<std::optional<std::vector<unsigned char>>(JetFile& file, std::uint32_t definitionPage)>;
    void listPropertiesWith(PropertyListing list) { m_listProperties = std::move(list); }

    const std::string& path() const { return m_path; }
    const JetFileFormat& format() const { return *m_format; }
    AccessVersion version() const { return m_version; }
    // Pages of the file, or of the file as the overlay's transaction sees it.
    std::uint32_t pageCount() const { return m_overlay != nullptr ? m_overlay->pageCount() : m_pageCount; }
    const Catalogue& catalogue() const { return m_catalogue; }
    // Every table of the catalogue, user and system, defined or not yet.
    // A table stays at its place for the file's life: the tables a transaction creates come last,
    // those it removes are marked dropped.
    const std::deque<JetTable>& tables() const { return m_tables; }
    // A table the transaction under way created, its definition on `definitionPage`; its index.
    std::size_t addTable(const std::string& name, std::uint32_t definitionPage);
    // Marks table `index` removed, or back.
    void setDropped(std::size_t index, bool dropped);
    // Table `index`'s definition changed: it is read again at its next use.
    void redefine(std::size_t index);

    // Table `index` of tables(), its definition read and checked if it was not yet; nullptr
    // and a French message when the definition cannot be read.
    const JetTable* define(std::size_t index, std::string& error);
    // The table named `name` (case ignored), defined; nullptr when absent or unreadable.
    const JetTable* table(const std::string& name);
    // The table whose definition starts on `page` (not removed), defined; nullptr and a French
    // message when there is none or its definition cannot be read.
    const JetTable* tableOnPage(std::uint32_t page, std::string& error);
    // Its place in tables(); tables().size() when there is none.
    std::size_t tableIndex(const std::string& name) const;
    // The bytes of a table's definition: its first page whole, then each continuation page
    // after its 8-byte header; false when a page lies outside the file or is no definition page.
    bool definitionBytes(const JetTable& table, std::vector<unsigned char>& bytes);

    // Copies page `page` (below pageCount) into `buffer` (one page long): the overlay's version
    // when it has one, else the file's; an encoded file's deciphered.
    bool readPage(std::uint32_t page, unsigned char* buffer);
    // The same enciphered again for an encoded file: as libmdb reads pages, deciphering them
    // itself.
    bool readStoredPage(std::uint32_t page, unsigned char* buffer);
    // Lays a transaction's pages over the file's for every later read (nullptr: the file's
    // pages again, the transaction over); the overlay outlives its use here. The definitions,
    // their row counts and the catalogue stay those read from the file; a table the transaction
    // changes is said so with tableChanged().
    void setOverlay(JetPageOverlay* overlay);
    JetPageOverlay* overlay() const { return m_overlay; }
    // Says that the transaction whose pages are laid over the file changed `table` (one of
    // tables(), defined): its usage map and row count are read again through the overlay, and
    // until the overlay is removed the driver's indexes of it are not used. False with a French
    // message when the overlay's pages of the table cannot be read.
    bool tableChanged(const JetTable& table, std::string& error);
    // True while the transaction under way changed `table`.
    bool changedInTransaction(const JetTable& table) const;
    // Follows a commit made through another connection since the last look (the file's stamp
    // moved, JetFileStamp.h): its pages are read afresh and every defined table's usage map
    // and row count read again, its driver indexes then stale. Not under an overlay.
    void followFile();

    // What another connection changed of the tables since they were listed and read, the
    // catalogue being `now` (readCatalogue()): a table it created is added, one it dropped marked
    // dropped, one whose definition it changed read again at its next use. Not within a
    // transaction of this connection.
    struct StructureFollowed {
        enum class Kind { Created, Dropped, Changed };
        Kind kind;
        std::string table;
    };
    std::vector<StructureFollowed> followStructure(const Catalogue& now);

    // A statement of the connection starts or ends (JetFileLocks.h): the first one in waits for a
    // commit being written, rolls back one a crash interrupted, and follows the commits made
    // since the last look; until the last one ends no other connection writes pages into the
    // file. False with a French message when the file stays busy, the caller is stopped
    // (`stopped` then true) or an interrupted commit cannot be rolled back.
    bool beginStatement(const JetFileLocks::StopCheck& stop, std::string& error, bool& stopped);
    void endStatement();
    // What a statement's start has to tell the user although it went on (a crash journal found
    // beside the file and set aside, the file untouched), once; empty when nothing.
    std::string takeNotice() { return std::exchange(m_notice, {}); }
    bool inStatement() const { return m_locks->readers() > 0; }
    // The open of the file the connection reads through and locks, for its writer too.
    JetFileLocks& locks() { return *m_locks; }
    // Moves each time the file is found changed by a commit of another connection.
    std::uint64_t generation() const { return m_generation; }
    // True when the file's stamp is no longer the one last looked at: a commit of another
    // connection ended since (or is being written). A glance, without the readers' lock.
    bool stampMoved() const { return stampOf(m_locks->fd()) != m_seen; }
    // Makes `bytes`, a copy of page `page`, libmdb's current page, for the calls that read it
    // (no copy when that page already is and no overlay is laid: the file never changes under the
    // handle).
    void makeCurrent(std::uint32_t page, const unsigned char* bytes);
    // Jet text (code page or UCS-2, compressed or not) to UTF-8.
    std::string decodeText(const unsigned char* bytes, std::size_t size);
    // The cipher of the file's pages: none, an encoded file's or an encrypted file's.
    const JetPageCipher& cipher() const { return m_cipher; }
    // libmdb's MdbHandle (an unnamed struct in its header, so not declarable here).
    void* mdbHandle();

    struct Handle;

private:
    JetFile(std::string path, AccessVersion version, std::uint32_t pageCount, std::unique_ptr<JetFileLocks> locks);
    // open() and openListing(): the catalogue `known`, else listed by `list`, else read by libmdb.
    static std::unique_ptr<JetFile> openWith(const std::string& path, std::string& error, const Catalogue* known,
                                             const CatalogueListing* list, bool& unlisted, bool exclusive,
                                             const JetPageCipher& encryption);
    bool hotJournal();
    void listTables(Catalogue catalogue);
    bool readDefinition(JetTable& table, std::string& error);
    bool readColumns(const void* definition, const std::vector<unsigned char>& bytes, JetTable& table,
                     std::string& error);
    bool readDefinitionBytes(std::uint32_t page, std::vector<unsigned char>& bytes);
    // The design properties of `table`, read for the result types of its calculated columns.
    bool calculatedResults(const JetTable& table, std::map<std::string, ColumnProperties>& properties,
                           std::string& error);
    bool readOverlaid(std::uint32_t page, unsigned char* buffer);
    // The page as the file holds it, deciphered when the file is encoded.
    bool readFromFile(std::uint32_t page, unsigned char* buffer);
    // Makes the stream through which libmdb (`mdb`, its MdbHandle) reads the transaction's pages.
    void readThroughFile(void* mdb);
    bool readPlacement(JetTable& table);

    std::string m_path;
    AccessVersion m_version;
    const JetFileFormat* m_format;
    std::uint32_t m_pageCount;
    std::unique_ptr<Handle> m_handle;
    Catalogue m_catalogue;
    PropertyListing m_listProperties;
    std::deque<JetTable> m_tables;
    std::int64_t m_currentPage = -1;  // the page makeCurrent last copied
    JetPageOverlay* m_overlay = nullptr;
    JetPageCipher m_cipher;  // an encoded or an encrypted file's
    // An encrypted file's pages deciphered, while the file has not moved; at most this many.
    static constexpr std::size_t kDecipheredPagesKept = 1024;
    std::unordered_map<std::uint32_t, std::vector<unsigned char>> m_deciphered;
    std::set<const JetTable*> m_changed;  // tables of m_tables the overlay's transaction changed
    std::unique_ptr<JetFileLocks> m_locks;
    FileStamp m_seen;  // the file when last looked at (followFile)
    std::uint64_t m_generation = 0;
    std::string m_notice;
    bool lookedChanged();
};

}  // namespace kervane::jet
