#pragma once
// The French texts of the Jet writer's page store, its locks and its recovery.
#include <cstddef>
#include <string>

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
// A commit interrupted by a crash could not be undone (the journal stays for the next try).
std::string messageRecoveryFailed(const std::string& path, int error);
// A commit failed after the file was touched, and undoing it failed too.
std::string messageLeftForRecovery(const std::string& path, int error);

}  // namespace kervane::jet
