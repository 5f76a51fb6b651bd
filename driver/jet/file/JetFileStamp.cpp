#include "driver/jet/file/JetFileStamp.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <sys/stat.h>

namespace kervane::jet {
namespace {

constexpr std::int64_t kBillion = 1'000'000'000;

timespec timeOf(std::int64_t nanoseconds)
{
    return timespec{time_t(nanoseconds / kBillion), long(nanoseconds % kBillion)};
}

bool setModified(int fd, const timespec& modified)
{
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    while (::futimens(fd, times) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

}  // namespace

std::int64_t epochNanoseconds(const timespec& time)
{
    return std::int64_t(time.tv_sec) * kBillion + time.tv_nsec;
}

FileStamp stampOf(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return {};
    return FileStamp{std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), std::int64_t(status.st_size),
                     epochNanoseconds(status.st_mtim), epochNanoseconds(status.st_ctim)};
}

void markCommitted(int fd, const FileStamp& before)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t wanted = std::max(epochNanoseconds(now), before.modified + 1);
    if (setModified(fd, timeOf(wanted)))
        return;
    // Not the file's owner: the current time is all that may be set, and only a later tick of
    // the clock tells it from the stamp readers saw. A few milliseconds at most.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const FileStamp after = stampOf(fd);
        if (!after.known() || after.size != before.size || after.modified != before.modified ||
            after.changed != before.changed)
            return;
        const timespec pause{0, 1'000'000};
        ::nanosleep(&pause, nullptr);
        setModified(fd, timespec{0, UTIME_NOW});
    }
}

}  // namespace kervane::jet
