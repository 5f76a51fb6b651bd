#include "driver/jet/file/JetFileLocks.h"

#include "driver/jet/file/JetFileStamp.h"
#include "driver/jet/file/JetWriteLock.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>

namespace kervane::jet {
namespace {

using Clock = std::chrono::steady_clock;
using Outcome = JetFileLocks::Outcome;

// Tries `attempt` until it is no longer Busy, the caller is stopped or `patience` has passed;
// the pauses grow from a millisecond to twenty.
template <typename Attempt>
Outcome keepTrying(std::chrono::milliseconds patience, const JetFileLocks::StopCheck& stop, Attempt attempt)
{
    const auto deadline = Clock::now() + patience;
    long pause = 1'000'000;
    for (;;) {
        const Outcome outcome = attempt();
        if (outcome != Outcome::Busy)
            return outcome;
        if (stop && stop())
            return Outcome::Stopped;
        if (Clock::now() >= deadline)
            return Outcome::Busy;
        const timespec wait{0, pause};
        ::nanosleep(&wait, nullptr);
        pause = std::min(pause * 2, 20'000'000L);
    }
}

Outcome outcomeOf(int failure, int& error)
{
    if (failure == 0)
        return Outcome::Taken;
    if (failure == EAGAIN)
        return Outcome::Busy;
    error = failure;
    return Outcome::Failed;
}

}  // namespace

std::unique_ptr<JetFileLocks> JetFileLocks::open(const std::string& path, int& error, bool exclusive)
{
    FileDescriptor file;
    bool writable = false;
    if (exclusive) {
        file = FileDescriptor(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
        writable = file.valid();
    }
    if (!file.valid())
        file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!file.valid()) {
        error = errno;
        return nullptr;
    }
    if (const int failure = lockByte(file.get(), kPresenceByte, exclusive ? F_WRLCK : F_RDLCK)) {
        error = failure == EAGAIN ? EBUSY : failure;
        return nullptr;
    }
    auto locks = std::make_unique<JetFileLocks>(path, std::move(file));
    locks->m_writable = writable;
    locks->m_exclusive = exclusive;
    return locks;
}

JetFileLocks::JetFileLocks(std::string path, FileDescriptor file) : m_path(std::move(path)), m_file(std::move(file)) {}

int JetFileLocks::makeWritable()
{
    if (m_writable)
        return 0;
    // An exclusive open that could not be made for writing stays read-only: its lock cannot be
    // carried over to another open without letting the file go for a moment.
    if (m_exclusive)
        return EACCES;
    FileDescriptor file(::open(m_path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
    if (!file.valid())
        return errno;
    // The new open must be the same file, not one put at its path since.
    const FileStamp was = stampOf(fd());
    const FileStamp is = stampOf(file.get());
    if (was.device != is.device || was.inode != is.inode)
        return ESTALE;
    // A shared lock taken beside the one held conflicts with nobody that the held one did not.
    if (const int failure = lockByte(file.get(), kPresenceByte, F_RDLCK))
        return failure;
    if (m_readers > 0) {
        if (const int failure = lockByte(file.get(), kReadersByte, F_RDLCK))
            return failure;
    }
    m_file = std::move(file);  // the former open goes, its locks with it
    m_writable = true;
    return 0;
}

// Every lock goes with the descriptor; nothing to let go by hand.
JetFileLocks::~JetFileLocks() = default;

JetFileLocks::Outcome JetFileLocks::takeWriter(int& error)
{
    if (m_writer)
        return Outcome::Taken;
    if (const int failure = makeWritable()) {
        error = failure;
        return Outcome::Failed;
    }
    const Outcome outcome = outcomeOf(lockByte(fd(), kWriterByte, F_WRLCK), error);
    m_writer = outcome == Outcome::Taken;
    return outcome;
}

JetFileLocks::Outcome JetFileLocks::waitForWriter(const StopCheck& stop, int& error)
{
    return keepTrying(kWriterPatience, stop, [&] { return takeWriter(error); });
}

void JetFileLocks::releaseWriter()
{
    if (!m_writer)
        return;
    lockByte(fd(), kWriterByte, F_UNLCK);
    m_writer = false;
}

bool JetFileLocks::writerElsewhere()
{
    return lockedElsewhere(fd(), kWriterByte, F_WRLCK);
}

// The gate open, then the readers' byte shared: no commit is then writing. A commit closing the
// gate between the two waits for this statement, as for those already under way.
JetFileLocks::Outcome JetFileLocks::enterThroughGate(int& error)
{
    if (lockedElsewhere(fd(), kGateByte, F_RDLCK))
        return Outcome::Busy;
    return outcomeOf(lockByte(fd(), kReadersByte, F_RDLCK), error);
}

JetFileLocks::Outcome JetFileLocks::beginRead(const StopCheck& stop, int& error)
{
    // This connection's own commit holds both bytes alone: its statements read freely.
    if (m_readers > 0 || m_excluding) {
        ++m_readers;
        return Outcome::Taken;
    }
    const Outcome outcome = keepTrying(kReaderPatience, stop, [&] { return enterThroughGate(error); });
    if (outcome == Outcome::Taken)
        ++m_readers;
    return outcome;
}

void JetFileLocks::endRead()
{
    if (m_readers == 0)
        return;
    if (--m_readers == 0 && !m_excluding)
        lockByte(fd(), kReadersByte, F_UNLCK);
}

JetFileLocks::Outcome JetFileLocks::excludeReaders(const StopCheck& stop, int& error)
{
    if (m_excluding)
        return Outcome::Taken;
    Outcome outcome = keepTrying(kReaderPatience, stop, [&] { return outcomeOf(lockByte(fd(), kGateByte, F_WRLCK), error); });
    if (outcome != Outcome::Taken)
        return outcome;
    // Held shared by this connection's own statements, the byte is taken over, not waited for.
    outcome = keepTrying(kReaderPatience, stop, [&] { return outcomeOf(lockByte(fd(), kReadersByte, F_WRLCK), error); });
    if (outcome != Outcome::Taken) {
        lockByte(fd(), kGateByte, F_UNLCK);
        return outcome;
    }
    m_excluding = true;
    return Outcome::Taken;
}

void JetFileLocks::admitReaders()
{
    if (!m_excluding)
        return;
    lockByte(fd(), kReadersByte, m_readers > 0 ? F_RDLCK : F_UNLCK);
    lockByte(fd(), kGateByte, F_UNLCK);
    m_excluding = false;
}

}  // namespace kervane::jet
