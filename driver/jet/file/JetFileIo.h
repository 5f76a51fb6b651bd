#pragma once
// Whole-buffer reads and writes at an offset, and the syncs a durable change of a file needs:
// each call retries what the system cut short (EINTR, partial transfers) and reports errno.
#include <cstddef>
#include <string>
#include <sys/types.h>

namespace kervane::jet {

// Owns a POSIX file descriptor and closes it on every exit path.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1);

private:
    int m_fd;
};

// 0 when all `size` bytes were read at `offset`; errno otherwise (EIO for a file too short).
int readAt(int fd, void* buffer, std::size_t size, off_t offset);
// 0 when all `size` bytes were written at `offset`; errno otherwise.
int writeAt(int fd, const void* buffer, std::size_t size, off_t offset);
// fsync, retried on EINTR; 0 or errno.
int syncFile(int fd);
// Makes the creation, renaming or removal of an entry of `path`'s folder durable; 0 or errno.
int syncFolderOf(const std::string& path);
// The size of the open file in bytes, or -1 with errno set.
off_t fileSize(int fd);

}  // namespace kervane::jet
