#include "driver/jet/file/JetRecovery.h"

#include "driver/jet/file/JetFileIo.h"
#include "driver/jet/file/JetFileLocks.h"
#include "driver/jet/file/JetFileStamp.h"
#include "driver/jet/file/JetJournal.h"
#include "driver/jet/file/JetJournalMatch.h"
#include "driver/jet/file/JetWriteLock.h"
#include "driver/jet/file/JetWriteMessages.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

enum class Verdict { Remove, RollBack, Foreign, Stale, Refuse, RefuseFirstFormat };

// The rules of JetRecovery.h, from what the journal says of itself and how the file stands.
Verdict judge(JournalForm form, const JournalMatch& match)
{
    switch (form) {
    case JournalForm::Short: return Verdict::Remove;
    case JournalForm::Unknown: return Verdict::Foreign;
    case JournalForm::Version1: return match.touched ? Verdict::RefuseFirstFormat : Verdict::Remove;
    default: break;
    }
    if (!match.identity)
        return Verdict::Foreign;
    if (!match.inRange || match.foreignPage)
        return Verdict::Stale;
    if (form == JournalForm::Unsealed)
        return match.touched ? Verdict::Refuse : Verdict::Remove;
    if (form == JournalForm::Damaged || match.damaged)
        return Verdict::Refuse;
    return match.touched && !match.whole ? Verdict::RollBack : Verdict::Remove;
}

// Removes the journal and makes its removal durable: the end of a commit or of a rollback.
int removeJournal(const std::string& journal)
{
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT)
        return errno;
    return syncFolderOf(journal);
}

// Renames the journal beside itself with `suffix` ("-2", "-3"... added when the name is
// taken), never over an existing file. 0 or errno.
int setAside(const std::string& journal, const std::string& suffix, std::string& aside)
{
    for (int n = 1; n < 1000; ++n) {
        aside = journal + suffix + (n == 1 ? std::string() : "-" + std::to_string(n));
        int renamed = ::renameat2(AT_FDCWD, journal.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // A file system that cannot refuse an existing name by itself.
            struct stat status {};
            if (::lstat(aside.c_str(), &status) == 0)
                continue;
            renamed = ::rename(journal.c_str(), aside.c_str());
        }
        if (renamed == 0) {
            // Lost to a power cut, the renaming would only be made again at the next opening.
            syncFolderOf(journal);
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// What a reader or a writer does with the journal at hand, the file open as `fileFd`.
bool settleOpenJournal(const std::string& path, int fileFd, int journalFd, Recovery& outcome, std::string& message)
{
    const std::string journal = journalPath(path);
    JournalFacts facts;
    JournalMatch match;
    int failure = examineJournal(journalFd, facts);
    if (failure == 0 && facts.form != JournalForm::Short && facts.form != JournalForm::Unknown)
        failure = matchJournal(journalFd, facts, fileFd, match);
    if (failure != 0) {
        message = messageJournalUnreadable(path, journal, failure);
        return false;
    }
    const Verdict verdict = judge(facts.form, match);
    if (verdict == Verdict::Refuse || verdict == Verdict::RefuseFirstFormat) {
        message = verdict == Verdict::Refuse ? messageJournalDamaged(path, journal)
                                             : messageJournalFirstFormat(path, journal);
        return false;
    }
    if (verdict == Verdict::Foreign || verdict == Verdict::Stale) {
        std::string aside;
        const bool foreign = verdict == Verdict::Foreign;
        if (const int error = setAside(journal, foreign ? ".etranger" : ".perime", aside)) {
            message = messageJournalNotSetAside(path, journal, error);
            return false;
        }
        message = foreign ? messageJournalForeign(path, journal, aside) : messageJournalStale(path, journal, aside);
        outcome = Recovery::SetAside;
        return true;
    }
    if (verdict == Verdict::RollBack)
        failure = rollBackFromJournal(journalFd, facts, fileFd);
    if (failure != 0) {
        message = messageRecoveryFailed(path, journal, failure);
        return false;
    }
    if (const int error = removeJournal(journal)) {
        message = messageJournalNotRemoved(path, journal, error);
        return false;
    }
    outcome = verdict == Verdict::RollBack ? Recovery::RolledBack : Recovery::Removed;
    return true;
}

// Something other than a regular file at the journal's path: a reader goes on, a writer refuses.
bool leaveAlone(const std::string& path, mode_t mode, bool writer, Recovery& outcome, std::string& message)
{
    outcome = Recovery::NotAJournal;
    if (writer)
        message = messageJournalNotAFile(path, journalPath(path), mode);
    return !writer;
}

// Settles the journal beside `path` under the writer's lock; a writer refuses what a reader
// may leave.
bool settle(const std::string& path, int fileFd, bool writer, Recovery& outcome, std::string& message)
{
    outcome = Recovery::Nothing;
    const std::string journal = journalPath(path);
    struct stat status {};
    if (::lstat(journal.c_str(), &status) != 0) {
        if (errno == ENOENT)
            return true;
        message = messageJournalUnreadable(path, journal, errno);
        return false;
    }
    if (!S_ISREG(status.st_mode))
        return leaveAlone(path, status.st_mode, writer, outcome, message);
    // Never through a symbolic link, nor waiting on a pipe put there meanwhile.
    const FileDescriptor journalFd(::open(journal.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!journalFd.valid()) {
        if (errno == ENOENT)
            return true;
        message = messageJournalUnreadable(path, journal, errno);
        return false;
    }
    if (::fstat(journalFd.get(), &status) != 0) {
        message = messageJournalUnreadable(path, journal, errno);
        return false;
    }
    if (!S_ISREG(status.st_mode))
        return leaveAlone(path, status.st_mode, writer, outcome, message);
    return settleOpenJournal(path, fileFd, journalFd.get(), outcome, message);
}

}  // namespace

bool settleJournal(const std::string& path, int fileFd, Recovery& outcome, std::string& message)
{
    return settle(path, fileFd, true, outcome, message);
}

bool undoFailedCommit(const std::string& path, int fileFd)
{
    const std::string journal = journalPath(path);
    const FileDescriptor journalFd(::open(journal.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    JournalFacts facts;
    if (!journalFd.valid() || examineJournal(journalFd.get(), facts) != 0 || facts.form != JournalForm::Sealed)
        return false;
    return rollBackFromJournal(journalFd.get(), facts, fileFd) == 0 && removeJournal(journal) == 0;
}

bool recoverWithLocks(const std::string& path, JetFileLocks& locks, Recovery& outcome, std::string& message)
{
    outcome = Recovery::Nothing;
    const std::string journal = journalPath(path);
    int failure = locks.makeWritable();
    if (failure != 0) {
        message = messageJournalNotExamined(path, journal, failure);
        return false;
    }
    const bool heldBefore = locks.holdsWriter();
    const JetFileLocks::Outcome writer = locks.takeWriter(failure);
    if (writer == JetFileLocks::Outcome::Failed) {
        message = messageJournalNotExamined(path, journal, failure);
        return false;
    }
    if (writer == JetFileLocks::Outcome::Busy) {
        outcome = Recovery::LeftToWriter;
        return true;
    }
    bool settled = true;
    // Access may have opened and changed the file since the crash: undoing pages under it
    // would lose its changes. The journal waits until Access has closed the file.
    if (accessUse(path, failure) != AccessUse::Free) {
        outcome = Recovery::LeftToWriter;
    } else if (const auto readers = locks.excludeReaders({}, failure); readers != JetFileLocks::Outcome::Taken) {
        message = readers == JetFileLocks::Outcome::Busy ? messageReadersStayed(path)
                                                         : messageJournalNotExamined(path, journal, failure);
        settled = false;
    } else {
        const FileStamp before = stampOf(locks.fd());
        settled = settle(path, locks.fd(), false, outcome, message);
        if (outcome == Recovery::RolledBack)
            markCommitted(locks.fd(), before);
        locks.admitReaders();
    }
    if (!heldBefore)
        locks.releaseWriter();
    return settled;
}

bool recoverInterruptedCommit(const std::string& path, Recovery& outcome, std::string& message)
{
    outcome = Recovery::Nothing;
    struct stat status {};
    if (::lstat(journalPath(path).c_str(), &status) != 0) {
        if (errno == ENOENT)
            return true;
        message = messageJournalUnreadable(path, journalPath(path), errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        outcome = Recovery::NotAJournal;
        return true;
    }
    int failure = 0;
    const std::unique_ptr<JetFileLocks> locks = JetFileLocks::open(path, failure);
    if (!locks) {
        if (failure == ENOENT)
            return true;  // the caller's opening says the file is missing
        message = messageJournalNotExamined(path, journalPath(path), failure);
        return false;
    }
    return recoverWithLocks(path, *locks, outcome, message);
}

}  // namespace kervane::jet
