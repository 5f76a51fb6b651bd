#include "driver/jet/file/JetFileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kervane::jet {

FileDescriptor::~FileDescriptor()
{
    reset();
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
        reset(std::exchange(other.m_fd, -1));
    return *this;
}

void FileDescriptor::reset(int fd)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

int readAt(int fd, void* buffer, std::size_t size, off_t offset)
{
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, bytes, size, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return EIO;
        bytes += got;
        size -= std::size_t(got);
        offset += got;
    }
    return 0;
}

int writeAt(int fd, const void* buffer, std::size_t size, off_t offset)
{
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t put = ::pwrite(fd, bytes, size, offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return errno;
        if (put == 0)
            return EIO;
        bytes += put;
        size -= std::size_t(put);
        offset += put;
    }
    return 0;
}

int syncFile(int fd)
{
    while (::fsync(fd) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

int syncFolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return errno;
    return syncFile(fd.get());
}

off_t fileSize(int fd)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return -1;
    return status.st_size;
}

}  // namespace kervane::jet
