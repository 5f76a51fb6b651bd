#include "driver/jet/JetRecovery.h"

#include "driver/jet/JetFileIo.h"
#include "driver/jet/JetFileLocks.h"
#include "driver/jet/JetFileStamp.h"
#include "driver/jet/JetJournal.h"
#include "driver/jet/JetWriteLock.h"
#include "driver/jet/JetWriteMessages.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

// Removes the journal and makes its removal durable: the end of a commit or of a rollback.
int removeJournal(const std::string& journal)
{
    if (::unlink(journal.c_str()) != 0 && errno != ENOENT)
        return errno;
    return syncFolderOf(journal);
}

}  // namespace

bool settleJournal(const std::string& path, int fileFd, Recovery& outcome, std::string& error)
{
    outcome = Recovery::Nothing;
    const std::string journal = journalPath(path);
    const FileDescriptor journalFd(::open(journal.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!journalFd.valid()) {
        if (errno == ENOENT)
            return true;
        error = messageRecoveryFailed(path, errno);
        return false;
    }
    JournalState state = JournalState::Torn;
    JournalHeader header;
    int failure = checkJournal(journalFd.get(), state, header);
    if (failure == 0 && state == JournalState::Complete)
        failure = replayJournal(journalFd.get(), header, fileFd);
    if (failure == 0)
        failure = removeJournal(journal);
    if (failure != 0) {
        error = messageRecoveryFailed(path, failure);
        return false;
    }
    outcome = state == JournalState::Complete ? Recovery::RolledBack : Recovery::TornRemoved;
    return true;
}

bool recoverWithLocks(const std::string& path, JetFileLocks& locks, Recovery& outcome, std::string& error)
{
    outcome = Recovery::Nothing;
    if (!locks.writable()) {
        error = messageRecoveryFailed(path, EACCES);
        return false;
    }
    int failure = 0;
    const bool heldBefore = locks.holdsWriter();
    const JetFileLocks::Outcome writer = locks.takeWriter(failure);
    if (writer == JetFileLocks::Outcome::Failed) {
        error = messageRecoveryFailed(path, failure);
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
        error = readers == JetFileLocks::Outcome::Busy ? messageReadersStayed(path) : messageRecoveryFailed(path, failure);
        settled = false;
    } else {
        const FileStamp before = stampOf(locks.fd());
        settled = settleJournal(path, locks.fd(), outcome, error);
        if (outcome == Recovery::RolledBack)
            markCommitted(locks.fd(), before);
        locks.admitReaders();
    }
    if (!heldBefore)
        locks.releaseWriter();
    return settled;
}

bool recoverInterruptedCommit(const std::string& path, Recovery& outcome, std::string& error)
{
    outcome = Recovery::Nothing;
    struct stat status {};
    if (::lstat(journalPath(path).c_str(), &status) != 0) {
        if (errno == ENOENT)
            return true;
        error = messageRecoveryFailed(path, errno);
        return false;
    }
    int failure = 0;
    const std::unique_ptr<JetFileLocks> locks = JetFileLocks::open(path, failure);
    if (!locks) {
        if (failure == ENOENT)
            return true;  // the caller's opening says the file is missing
        error = messageRecoveryFailed(path, failure);
        return false;
    }
    return recoverWithLocks(path, *locks, outcome, error);
}

}  // namespace kervane::jet
