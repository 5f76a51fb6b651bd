#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace kervane::test {

ChildProcess::ChildProcess(const std::function<bool()>& body) : m_pid(::fork())
{
    if (m_pid == 0)
        ::_exit(body() ? 0 : 3);
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_reaped) {
        kill();
        wait();
    }
}

int ChildProcess::wait()
{
    int status = -1;
    if (m_pid <= 0 || m_reaped)
        return status;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_reaped = true;
    return status;
}

void ChildProcess::kill()
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, SIGKILL);
}

Signal::Signal()
{
    if (::pipe(m_fds) != 0)
        m_fds[0] = m_fds[1] = -1;
}

Signal::~Signal()
{
    for (const int fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
    }
}

void Signal::give() const
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_fds[1], &byte, 1);
}

bool Signal::await()
{
    // Without the parent's own writing end, the read ends when the child dies without giving.
    if (m_fds[1] >= 0) {
        ::close(m_fds[1]);
        m_fds[1] = -1;
    }
    char byte = 0;
    return ::read(m_fds[0], &byte, 1) == 1;
}

}  // namespace kervane::test
