#pragma once
// Who else is using a Jet file.
//
// Our own connections: open-file-description locks (F_OFD_SETLK) on bytes of the Jet file far
// past any page (from byte 2^62; Jet files stay below 2^44 bytes, and Access's own lock bytes
// lie near 2^31); what each byte means is JetFileLocks.h's. Such a lock belongs to the open
// file, not to a thread or a process id, conflicts with every other open of the file (in this
// process too) and vanishes with the last descriptor of that open, so a killed program never
// blocks the file. The bytes lie past the end of the file: they lock nothing a reader reads.
//
// Access: while Access has a database open, its lock file sits beside it ("base.ldb" for
// "base.mdb") and Access holds byte-range locks on it; a file served by Samba or run under
// Wine shows these as POSIX locks. A lock file that exists but that nobody locks was left by
// a program that ended (Access reuses such a file), and does not stop a writer.
#include <string>
#include <sys/types.h>

namespace kervane::jet {

// The bytes of a Jet file locked by its writers and readers (JetFileLocks.h).
constexpr off_t kWriterByte = off_t(1) << 62;
constexpr off_t kGateByte = kWriterByte + 1;
constexpr off_t kReadersByte = kWriterByte + 2;
// Held shared by every open of the file for as long as it lasts, alone by a connection that
// opened it for itself (Exclusive=1).
constexpr off_t kPresenceByte = kWriterByte + 3;

// Sets (F_RDLCK, F_WRLCK) or removes (F_UNLCK) an open-file-description lock on one byte of the
// file open as `fd`, without waiting: 0, EAGAIN when another open holds a lock in the way, or
// errno.
int lockByte(int fd, off_t byte, short type);
// Whether another open of the file holds a lock on `byte` in the way of one of `type`.
bool lockedElsewhere(int fd, off_t byte, short type);

// "base.mdb" -> "base.ldb"; a name without extension gets ".ldb" added.
std::string accessLockPath(const std::string& file);

enum class AccessUse { Free, InUse, Unknown };
// Whether Access (or a program like it) has `file` open, told by its lock file; errno on Unknown.
AccessUse accessUse(const std::string& file, int& error);

}  // namespace kervane::jet
