#pragma once
// A forked child for the tests that need a second process: it runs a body and ends without
// returning into the test program; it is killed and reaped when the test ends.
#include <functional>
#include <sys/types.h>

namespace kervane::test {

class ChildProcess {
public:
    // Runs `body` in a child, which ends with status 0 after it (3 if it returns false).
    explicit ChildProcess(const std::function<bool()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return m_pid; }
    // Waits until the child ends; its wait status (-1 when the fork failed).
    int wait();
    void kill();

private:
    pid_t m_pid;
    bool m_reaped = false;
};

// A pipe the child writes one byte to when it reaches a point the parent waits for.
class Signal {
public:
    Signal();
    ~Signal();
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;
    void give() const;
    // In the parent, after the fork: true when the byte came, false when the child ended first.
    bool await();

private:
    int m_fds[2];
};

}  // namespace kervane::test
