#include "driver/jet/file/JetWriteLock.h"

#include "driver/jet/file/JetFileIo.h"

#include <cerrno>
#include <fcntl.h>

namespace kervane::jet {
namespace {

struct flock oneByte(off_t byte, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    lock.l_pid = 0;  // required by the OFD commands
    return lock;
}

}  // namespace

int lockByte(int fd, off_t byte, short type)
{
    struct flock lock = oneByte(byte, type);
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EACCES ? EAGAIN : errno;
    }
    return 0;
}

bool lockedElsewhere(int fd, off_t byte, short type)
{
    struct flock probe = oneByte(byte, type);
    return ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

std::string accessLockPath(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    const auto dot = file.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return file + ".ldb";
    return file.substr(0, dot) + ".ldb";
}

AccessUse accessUse(const std::string& file, int& error)
{
    const FileDescriptor lockFile(::open(accessLockPath(file).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!lockFile.valid()) {
        if (errno == ENOENT)
            return AccessUse::Free;
        error = errno;
        return AccessUse::Unknown;
    }
    // Any lock on any byte of it, the bytes past its end included (where Access locks).
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    probe.l_pid = 0;
    if (::fcntl(lockFile.get(), F_OFD_GETLK, &probe) != 0) {
        error = errno;
        return AccessUse::Unknown;
    }
    return probe.l_type == F_UNLCK ? AccessUse::Free : AccessUse::InUse;
}

}  // namespace kervane::jet
