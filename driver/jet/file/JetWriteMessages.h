#pragma once
// The French texts of the Jet writer's page store, its locks and its recovery.
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace kervane::jet {

// "Le fichier « X » est ouvert en écriture par un autre programme : <why>."
std::string messageWrittenElsewhere(const std::string& path, const std::string& why);
std::string reasonOtherWriter();
std::string reasonAccessLockFile(const std::string& lockFile);
std::string reasonCommitRunning();
// The lock file of Access could not be examined.
std::string messageAccessLockUnknown(const std::string& lockFile, int error);
std::string messageTooManyPages(const std::string& path, std::size_t limitBytes);
std::string messageNotChanged(const std::string& path, int error);
// A commit of another program kept the file busy longer than a statement waits for it.
std::string messageBusy(const std::string& path);
// Statements of other programs kept reading the file longer than a commit may wait for them.
std::string messageReadersStayed(const std::string& path);
std::string messageChangeOutsideTransaction(const std::string& path);
std::string messageTransactionAlreadyOpen(const std::string& path);
std::string messageNotWritable(const std::string& path, int error);
// A commit failed after the file was touched, and undoing it failed too.
std::string messageLeftForRecovery(const std::string& path, int error);

// The journal `journal` of the file `path`, when a commit makes it.
std::string messageJournalNotCreated(const std::string& path, const std::string& journal, int error);
std::string messageJournalNotWritten(const std::string& path, const std::string& journal, int error);
// Something of kind `mode` (a symbolic link, a folder...) stands where the journal goes.
std::string messageJournalNotAFile(const std::string& path, const std::string& journal, mode_t mode);

// The journal of a commit a crash interrupted, when the file is opened or written next.
std::string messageJournalUnreadable(const std::string& path, const std::string& journal, int error);
// The file cannot be opened for writing, as examining the journal beside it needs.
std::string messageJournalNotExamined(const std::string& path, const std::string& journal, int error);
// The commit could not be undone from its journal (the journal stays for the next try).
std::string messageRecoveryFailed(const std::string& path, const std::string& journal, int error);
std::string messageJournalNotRemoved(const std::string& path, const std::string& journal, int error);
// The journal is sealed but damaged: the file may hold half a commit; the base is refused.
std::string messageJournalDamaged(const std::string& path, const std::string& journal);
// A journal of the first format that cannot show it was made for the file as it is.
std::string messageJournalFirstFormat(const std::string& path, const std::string& journal);
// The journal was set aside as `aside`: another base's or not a journal; older than the file's state.
std::string messageJournalForeign(const std::string& path, const std::string& journal, const std::string& aside);
std::string messageJournalStale(const std::string& path, const std::string& journal, const std::string& aside);
std::string messageJournalNotSetAside(const std::string& path, const std::string& journal, int error);

}  // namespace kervane::jet
