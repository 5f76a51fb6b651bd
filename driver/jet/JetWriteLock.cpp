#include "driver/jet/JetWriteLock.h"

#include "driver/jet/JetFileIo.h"

#include <cerrno>
#include <fcntl.h>

namespace kervane::jet {
namespace {

constexpr off_t kWriteLockByte = off_t(1) << 62;

struct flock writerByte(short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kWriteLockByte;
    lock.l_len = 1;
    lock.l_pid = 0;  // required by the OFD commands
    return lock;
}

}  // namespace

std::string accessLockPath(const std::string& file)
{
    const auto slash = file.find_last_of('/');
    const auto dot = file.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return file + ".ldb";
    return file.substr(0, dot) + ".ldb";
}

LockOutcome takeWriteLock(int fd, int& error)
{
    struct flock lock = writerByte(F_WRLCK);
    while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EACCES)
            return LockOutcome::Busy;
        error = errno;
        return LockOutcome::Failed;
    }
    return LockOutcome::Taken;
}

void releaseWriteLock(int fd)
{
    struct flock lock = writerByte(F_UNLCK);
    ::fcntl(fd, F_OFD_SETLK, &lock);
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
