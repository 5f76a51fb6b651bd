#pragma once
// What tells a reader that a Jet file changed since it last looked: the file's identity, length,
// modification and change times. Every commit of ours leaves a modification time that no earlier
// state of the file had, to the nanosecond, so two commits within one tick of the system's
// clock still leave two different stamps (the system stamps writes with a coarse clock).
#include <cstdint>
#include <ctime>
#include <sys/types.h>

namespace kervane::jet {

struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;
    std::int64_t modified = -1;  // nanoseconds since the epoch
    std::int64_t changed = -1;

    bool known() const { return size >= 0; }
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// A time of the system's clocks and files as nanoseconds since the epoch.
std::int64_t epochNanoseconds(const timespec& time);

// The stamp of the file open as `fd`; an unknown stamp when fstat fails.
FileStamp stampOf(int fd);

// After a commit wrote the file open as `fd`: gives it a modification time later than
// `before`'s, the stamp it had when readers last saw it. The file's owner sets it to the
// nanosecond; anybody else may only set it to the current time, and waits for the next tick
// of the clock when the stamp would otherwise come out the same.
void markCommitted(int fd, const FileStamp& before);

}  // namespace kervane::jet
