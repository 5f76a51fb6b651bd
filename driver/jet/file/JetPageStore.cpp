#include "driver/jet/file/JetPageStore.h"

#include "driver/jet/file/JetFileStamp.h"
#include "driver/jet/file/JetRecovery.h"
#include "driver/jet/file/JetWriteLock.h"
#include "driver/jet/file/JetWriteMessages.h"
#include "driver/jet/format/JetMessages.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetVersion.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/random.h>
#include <unistd.h>
#include <vector>

namespace kervane::jet {
namespace {

constexpr std::size_t kHeaderBytes = kVersionHeaderSize;
// What the header must hold for the page cipher to be known.
constexpr std::size_t kCipherHeaderBytes = 0x100;

// Page size from the header: 2 KB for Jet 3, 4 KB for every later version.
std::size_t headerPageSize(const unsigned char* header)
{
    const std::optional<AccessVersion> version = accessVersionOf(header, kHeaderBytes);
    return version ? pageSizeOf(*version) : 0;
}

// Ties a journal's records to its header; it needs to differ between journals, not to be secret.
std::uint64_t journalSalt()
{
    std::uint64_t salt = 0;
    if (::getrandom(&salt, sizeof salt, GRND_NONBLOCK) == ssize_t(sizeof salt))
        return salt;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::uint64_t(now.tv_nsec) ^ (std::uint64_t(now.tv_sec) << 30) ^ (std::uint64_t(::getpid()) << 40);
}

}  // namespace

std::unique_ptr<JetPageStore> JetPageStore::open(const std::string& path, std::string& error, std::size_t memoryLimit,
                                                 JetFileLocks* locks, const JetPageCipher* encryption)
{
    std::unique_ptr<JetFileLocks> own;
    if (locks == nullptr) {
        int failure = 0;
        own = JetFileLocks::open(path, failure);
        if (!own) {
            error = failure == ENOENT ? messageMissing(path) : messageNotWritable(path, failure);
            return nullptr;
        }
        locks = own.get();
    }
    if (const int failure = locks->makeWritable()) {
        error = messageNotWritable(path, failure);
        return nullptr;
    }
    unsigned char header[kCipherHeaderBytes];
    const int failure = readAt(locks->fd(), header, sizeof header, 0);
    const std::size_t pageSize = failure == 0 ? headerPageSize(header) : 0;
    if (pageSize == 0) {
        error = failure != 0 && failure != EIO ? messageUnreadable(path, systemReason(failure))
                                               : messageUnreadable(path, "ce n'est pas un fichier Jet 3 ou Jet 4");
        return nullptr;
    }
    const bool encrypted = JetPageCipher::officeEncrypted(header, sizeof header);
    if (encrypted && (encryption == nullptr || !encryption->active())) {
        error = messageUnreadable(path, "elle est chiffrée par un mot de passe, qu'il faut donner (PWD)");
        return nullptr;
    }
    auto store = std::make_unique<JetPageStore>(Key(), path, std::move(own), *locks, pageSize, memoryLimit);
    store->m_cipher = encrypted ? *encryption : JetPageCipher::ofHeader(header, sizeof header);
    return store;
}

JetPageStore::JetPageStore(Key, std::string path, std::unique_ptr<JetFileLocks> own, JetFileLocks& locks,
                           std::size_t pageSize, std::size_t memoryLimit)
    : m_path(std::move(path)), m_ownLocks(std::move(own)), m_locks(locks), m_pageSize(pageSize),
      m_memoryLimit(memoryLimit)
{
}

JetPageStore::~JetPageStore()
{
    if (m_inTransaction)
        endTransaction();
}

bool JetPageStore::begin(std::string& error)
{
    if (m_inTransaction) {
        error = messageTransactionAlreadyOpen(m_path);
        return false;
    }
    int failure = 0;
    const JetFileLocks::Outcome lock = m_locks.takeWriter(failure);
    if (lock != JetFileLocks::Outcome::Taken) {
        error = lock == JetFileLocks::Outcome::Busy ? messageWrittenElsewhere(m_path, reasonOtherWriter())
                                                    : messageNotWritable(m_path, failure);
        return false;
    }
    if (!refuseWhenAccessUses(error) || !settleUnderLocks(error)) {
        m_locks.releaseWriter();
        return false;
    }
    const off_t size = fileSize(fd());
    if (size < 0 || size % off_t(m_pageSize) != 0 || size / off_t(m_pageSize) > off_t(UINT32_MAX)) {
        error = size < 0 ? messageUnreadable(m_path, systemReason(errno))
                         : messageUnreadable(m_path, "sa longueur n'est pas un nombre entier de pages");
        m_locks.releaseWriter();
        return false;
    }
    m_filePages = std::uint32_t(size / off_t(m_pageSize));
    m_appended = 0;
    m_lastError.clear();
    m_inTransaction = true;
    return true;
}

// A journal left beside the file by a crash is settled before anything is read, with the
// statements of other connections kept out while pages may be put back.
bool JetPageStore::settleUnderLocks(std::string& error)
{
    struct stat status {};
    if (::lstat(journalPath(m_path).c_str(), &status) != 0)
        return true;
    int failure = 0;
    const JetFileLocks::Outcome outcome = m_locks.excludeReaders({}, failure);
    if (outcome != JetFileLocks::Outcome::Taken) {
        error = outcome == JetFileLocks::Outcome::Busy ? messageReadersStayed(m_path)
                                                       : messageJournalNotExamined(m_path, journalPath(m_path), failure);
        return false;
    }
    Recovery recovery = Recovery::Nothing;
    const FileStamp before = stampOf(fd());
    const bool settled = settleJournal(m_path, fd(), recovery, error);
    if (recovery == Recovery::RolledBack)
        markCommitted(fd(), before);
    m_locks.admitReaders();
    return settled;
}

// True when Access leaves the file to us; the lock file is looked at again at commit, since
// Access may open the file while a transaction is prepared.
bool JetPageStore::refuseWhenAccessUses(std::string& error)
{
    int failure = 0;
    switch (accessUse(m_path, failure)) {
    case AccessUse::Free: return true;
    case AccessUse::InUse: error = messageWrittenElsewhere(m_path, reasonAccessLockFile(accessLockPath(m_path))); break;
    case AccessUse::Unknown: error = messageAccessLockUnknown(accessLockPath(m_path), failure); break;
    }
    return false;
}

std::uint32_t JetPageStore::pageCount() const
{
    if (m_inTransaction)
        return m_filePages + m_appended;
    const off_t size = fileSize(fd());
    return size < 0 ? 0 : std::uint32_t(size / off_t(m_pageSize));
}

bool JetPageStore::roomForOneMore()
{
    if ((m_pages.size() + m_savedPages + 1) * m_pageSize <= m_memoryLimit)
        return true;
    m_lastError = messageTooManyPages(m_path, m_memoryLimit);
    return false;
}

JetPageStore::Page* JetPageStore::hold(std::uint32_t page)
{
    if (!m_inTransaction) {
        m_lastError = messageChangeOutsideTransaction(m_path);
        return nullptr;
    }
    if (const auto found = m_pages.find(page); found != m_pages.end())
        return &found->second;
    if (page >= m_filePages) {
        m_lastError = messageDamagedFile(m_path, "la page " + std::to_string(page) + " est hors du fichier");
        return nullptr;
    }
    if (!roomForOneMore())
        return nullptr;
    Page held{std::make_unique<unsigned char[]>(m_pageSize), false};
    if (const int failure = readAt(fd(), held.bytes.get(), m_pageSize, off_t(page) * off_t(m_pageSize))) {
        m_lastError = messageUnreadable(m_path, systemReason(failure));
        return nullptr;
    }
    m_cipher.decipher(page, held.bytes.get(), m_pageSize);
    return &m_pages.emplace(page, std::move(held)).first->second;
}

const unsigned char* JetPageStore::read(std::uint32_t page)
{
    const Page* held = hold(page);
    return held == nullptr ? nullptr : held->bytes.get();
}

unsigned char* JetPageStore::change(std::uint32_t page)
{
    Page* held = hold(page);
    if (held == nullptr)
        return nullptr;
    if (!m_savepoints.empty())
        keepForSavepoint(page, *held);
    held->changed = true;
    return held->bytes.get();
}

std::uint32_t JetPageStore::append()
{
    if (!m_inTransaction) {
        m_lastError = messageChangeOutsideTransaction(m_path);
        return 0;
    }
    if (!roomForOneMore())
        return 0;
    const std::uint32_t page = m_filePages + m_appended;
    m_pages.emplace(page, Page{std::make_unique<unsigned char[]>(m_pageSize), true});
    ++m_appended;
    return page;
}

void JetPageStore::rollback()
{
    if (m_inTransaction)
        endTransaction();
}

void JetPageStore::endTransaction()
{
    m_pages.clear();
    m_savepoints.clear();
    m_savedPages = 0;
    m_appended = 0;
    m_filePages = 0;
    m_locks.admitReaders();
    m_locks.releaseWriter();
    m_inTransaction = false;
}

bool JetPageStore::commit(std::string& error)
{
    if (!m_inTransaction) {
        error = messageChangeOutsideTransaction(m_path);
        return false;
    }
    bool anyChange = false;
    for (const auto& [number, page] : m_pages)
        anyChange = anyChange || page.changed;
    const bool done = !anyChange || (refuseWhenAccessUses(error) && writeCommit(error));
    endTransaction();
    return done;
}

std::vector<CommitPage> JetPageStore::storedPages(std::vector<std::vector<unsigned char>>& enciphered) const
{
    std::vector<CommitPage> pages;
    enciphered.reserve(m_cipher.active() ? m_pages.size() : 0);
    for (const auto& [number, page] : m_pages) {
        if (!page.changed)
            continue;
        const unsigned char* bytes = page.bytes.get();
        if (m_cipher.active()) {
            enciphered.emplace_back(bytes, bytes + m_pageSize);
            m_cipher.encipher(number, enciphered.back().data(), m_pageSize);
            bytes = enciphered.back().data();
        }
        pages.push_back(CommitPage{number, bytes});
    }
    return pages;
}

// The commit's journal, sealed and synced: the file may be touched once this returns true. It
// knows the new pages as the file will hold them.
bool JetPageStore::writeCommitJournal(const std::vector<CommitPage>& pages, int& stepNumber, std::string& error)
{
    const std::string journal = journalPath(m_path);
    FileDescriptor journalFd;
    if (const int failure = createJournal(journal, fd(), journalFd)) {
        error = messageJournalNotCreated(m_path, journal, failure);
        return false;
    }
    JournalHeader header;
    header.pageSize = std::uint32_t(m_pageSize);
    header.originalPages = m_filePages;
    header.finalPages = m_filePages + m_appended;
    header.salt = journalSalt();
    const int written = writeJournal(journal, journalFd.get(), fd(), header, pages, m_step, stepNumber);
    journalFd.reset();
    if (written != 0) {
        // The file was not touched: the journal has nothing to undo.
        ::unlink(journal.c_str());
        error = messageJournalNotWritten(m_path, journal, written);
        return false;
    }
    return true;
}

bool JetPageStore::writeCommit(std::string& error)
{
    int stepNumber = 0;
    // Each changed page enciphered once (an encoded file), for the journal and for the file.
    std::vector<std::vector<unsigned char>> enciphered;
    const std::vector<CommitPage> pages = storedPages(enciphered);
    if (!writeCommitJournal(pages, stepNumber, error))
        return false;
    const std::string journal = journalPath(m_path);
    // Statements of other connections under way end first; those starting now wait (the
    // transaction's end lets them in again).
    int failure = 0;
    const JetFileLocks::Outcome readers = m_locks.excludeReaders({}, failure);
    if (readers != JetFileLocks::Outcome::Taken) {
        ::unlink(journal.c_str());
        error = readers == JetFileLocks::Outcome::Busy ? messageReadersStayed(m_path) : messageNotChanged(m_path, failure);
        return false;
    }
    const FileStamp before = stampOf(fd());
    failure = writePages(pages, stepNumber);
    if (failure == 0 && m_step)
        m_step(stepNumber++);
    if (failure == 0)
        failure = syncFile(fd());
    if (failure == 0)
        markCommitted(fd(), before);
    if (failure == 0 && m_step)
        m_step(stepNumber++);
    if (failure == 0 && ::unlink(journal.c_str()) != 0)
        failure = errno;
    if (failure != 0) {
        error = undoFailedCommit(m_path, fd()) ? messageNotChanged(m_path, failure)
                                               : messageLeftForRecovery(m_path, failure);
        markCommitted(fd(), before);
        return false;
    }
    // The commit is done; syncing the folder makes the journal's removal survive a power cut.
    if (m_step)
        m_step(stepNumber++);
    syncFolderOf(journal);
    return true;
}

int JetPageStore::writePages(const std::vector<CommitPage>& pages, int& stepNumber)
{
    for (const CommitPage& page : pages) {
        if (m_step)
            m_step(stepNumber++);
        if (const int failure = writeAt(fd(), page.bytes, m_pageSize, off_t(page.number) * off_t(m_pageSize)))
            return failure;
    }
    return 0;
}

const unsigned char* JetPageStore::changedPage(std::uint32_t page) const
{
    const auto found = m_pages.find(page);
    return found != m_pages.end() && found->second.changed ? found->second.bytes.get() : nullptr;
}

void JetPageStore::keepForSavepoint(std::uint32_t number, const Page& page)
{
    Savepoint& newest = m_savepoints.back();
    // Pages appended after the savepoint simply go when it is rolled back to.
    if (number >= m_filePages + newest.appended || newest.before.count(number) != 0)
        return;
    std::unique_ptr<unsigned char[]> copy;
    if (page.changed) {
        copy = std::make_unique<unsigned char[]>(m_pageSize);
        std::memcpy(copy.get(), page.bytes.get(), m_pageSize);
        ++m_savedPages;
    }
    newest.before.emplace(number, std::move(copy));
}

void JetPageStore::setSavepoint(std::size_t level)
{
    if (!m_inTransaction)
        return;
    releaseSavepoint(level);
    while (m_savepoints.size() <= level)
        m_savepoints.push_back(Savepoint{{}, m_appended});
}

bool JetPageStore::putBack(std::uint32_t number, const unsigned char* before, std::string& error)
{
    Page& page = m_pages.at(number);
    if (before != nullptr) {
        std::memcpy(page.bytes.get(), before, m_pageSize);
        page.changed = true;
        return true;
    }
    // The file still has the page as it was (the lock kept other writers out).
    if (const int failure = readAt(fd(), page.bytes.get(), m_pageSize, off_t(number) * off_t(m_pageSize))) {
        error = messageUnreadable(m_path, systemReason(failure));
        return false;
    }
    m_cipher.decipher(number, page.bytes.get(), m_pageSize);
    page.changed = false;
    return true;
}

bool JetPageStore::rollbackToSavepoint(std::size_t level, std::string& error)
{
    if (!m_inTransaction) {
        error = messageChangeOutsideTransaction(m_path);
        return false;
    }
    if (level >= m_savepoints.size())
        return true;
    // The newest savepoints first: the oldest copy of a page is the one that stays.
    for (std::size_t k = m_savepoints.size(); k-- > level;)
        for (const auto& [number, before] : m_savepoints[k].before)
            if (!putBack(number, before.get(), error))
                return false;
    const std::uint32_t appended = m_savepoints[level].appended;
    m_pages.erase(m_pages.lower_bound(m_filePages + appended), m_pages.end());
    m_appended = appended;
    releaseSavepoint(level);
    m_savepoints.push_back(Savepoint{{}, m_appended});
    return true;
}

void JetPageStore::releaseSavepoint(std::size_t level)
{
    while (m_savepoints.size() > level) {
        Savepoint newest = std::move(m_savepoints.back());
        m_savepoints.pop_back();
        for (auto& [number, before] : newest.before) {
            // An older savepoint needs the page as the newer one found it, unless it has its own.
            const bool kept = !m_savepoints.empty() && number < m_filePages + m_savepoints.back().appended &&
                              m_savepoints.back().before.count(number) == 0;
            if (kept)
                m_savepoints.back().before.emplace(number, std::move(before));
            else if (before)
                --m_savedPages;
        }
    }
}

}  // namespace kervane::jet
