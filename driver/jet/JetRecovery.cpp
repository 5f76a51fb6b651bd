#include "driver/jet/JetRecovery.h"

#include "driver/jet/JetFileIo.h"
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

bool recoverInterruptedCommit(const std::string& path, Recovery& outcome, std::string& error)
{
    outcome = Recovery::Nothing;
    struct stat status {};
    if (::stat(journalPath(path).c_str(), &status) != 0) {
        if (errno == ENOENT)
            return true;
        error = messageRecoveryFailed(path, errno);
        return false;
    }
    const FileDescriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        if (errno == ENOENT)
            return true;  // the caller's opening says the file is missing
        error = messageRecoveryFailed(path, errno);
        return false;
    }
    int failure = 0;
    const LockOutcome lock = takeWriteLock(file.get(), failure);
    if (lock == LockOutcome::Failed) {
        error = messageRecoveryFailed(path, failure);
        return false;
    }
    if (lock == LockOutcome::Busy) {
        outcome = Recovery::LeftToWriter;
        return true;
    }
    // Access may have opened and changed the file since the crash: undoing pages under it
    // would lose its changes. The journal waits until Access has closed the file.
    if (accessUse(path, failure) != AccessUse::Free) {
        releaseWriteLock(file.get());
        outcome = Recovery::LeftToWriter;
        return true;
    }
    const bool settled = settleJournal(path, file.get(), outcome, error);
    releaseWriteLock(file.get());
    return settled;
}

}  // namespace kervane::jet
