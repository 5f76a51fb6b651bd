#include "driver/jet/file/JetProbe.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetMessages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kervane::jet {

namespace {

using Milliseconds = std::chrono::milliseconds;

// The limits grow with what libmdb will hold and read while it walks the catalogue: the whole
// file at worst.
constexpr rlim_t kBaseMemory = rlim_t{1} << 30;
constexpr Milliseconds kBaseTime{20000};
constexpr Milliseconds kTimePerMegabyte{40};
// The parent wakes as soon as the child writes or ends, and at least this often to check the time.
constexpr Milliseconds kLongestPause{20};

struct Limits {
    rlim_t addressSpace = 0;
    Milliseconds time{0};
};

Limits limitsFor(rlim_t startAddressSpace, std::uint64_t fileBytes)
{
    const auto megabytes = static_cast<Milliseconds::rep>(fileBytes >> 20);
    return Limits{startAddressSpace + kBaseMemory + rlim_t{fileBytes}, kBaseTime + kTimePerMegabyte * megabytes};
}

// Address space in use now; the child starts with the same.
rlim_t currentAddressSpace()
{
    unsigned long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%lu", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

std::uint64_t fileSize(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

void applyLimits(const Limits& limits)
{
    rlimit memory{};
    getrlimit(RLIMIT_AS, &memory);
    memory.rlim_cur = std::min(limits.addressSpace, memory.rlim_max);
    setrlimit(RLIMIT_AS, &memory);
    rlimit cpu{};
    getrlimit(RLIMIT_CPU, &cpu);
    const auto seconds = static_cast<rlim_t>(std::chrono::ceil<std::chrono::seconds>(limits.time).count());
    cpu.rlim_cur = std::min(seconds, cpu.rlim_max);
    setrlimit(RLIMIT_CPU, &cpu);
}

struct ProbeFile {
    std::string path;
    std::uint64_t bytes = 0;
    rlim_t startAddressSpace = 0;
    JetPageCipher encryption;
};

// The catalogue crosses the pipe as records: id (8 bytes), type (4), flags (8), name length
// (4) and the name's bytes, the count of property pages (4) and their numbers (4 each), in the
// machine's byte order (both ends are this program).
template <typename Number>
void append(std::vector<char>& bytes, Number value)
{
    const auto* raw = reinterpret_cast<const char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// The records follow their total size (8 bytes), by which the parent knows it has them all.
constexpr std::size_t kSizeBytes = sizeof(std::uint64_t);

std::vector<char> encoded(const Catalogue& catalogue)
{
    std::vector<char> bytes(kSizeBytes);
    for (const CatalogueObject& object : catalogue) {
        append<std::int64_t>(bytes, object.id);
        append<std::int32_t>(bytes, object.type);
        append<std::int64_t>(bytes, object.flags);
        append<std::uint32_t>(bytes, static_cast<std::uint32_t>(object.name.size()));
        bytes.insert(bytes.end(), object.name.begin(), object.name.end());
        append<std::uint32_t>(bytes, static_cast<std::uint32_t>(object.propertyPages.size()));
        for (const std::uint32_t page : object.propertyPages)
            append<std::uint32_t>(bytes, page);
    }
    const std::uint64_t size = bytes.size() - kSizeBytes;
    std::memcpy(bytes.data(), &size, kSizeBytes);
    return bytes;
}

bool complete(const std::vector<char>& received)
{
    std::uint64_t size = 0;
    if (received.size() < kSizeBytes)
        return false;
    std::memcpy(&size, received.data(), kSizeBytes);
    return received.size() - kSizeBytes == size;
}

template <typename Number>
bool take(const std::vector<char>& bytes, std::size_t& at, Number& value)
{
    if (bytes.size() - at < sizeof value)
        return false;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

std::optional<Catalogue> decoded(const std::vector<char>& bytes)
{
    Catalogue catalogue;
    std::size_t at = kSizeBytes;
    if (!complete(bytes))
        return std::nullopt;
    while (at < bytes.size()) {
        CatalogueObject object;
        std::int32_t type = 0;
        std::uint32_t length = 0;
        if (!take(bytes, at, object.id) || !take(bytes, at, type) || !take(bytes, at, object.flags) ||
            !take(bytes, at, length) || bytes.size() - at < length)
            return std::nullopt;
        object.type = type;
        object.name.assign(bytes.data() + at, length);
        at += length;
        std::uint32_t pages = 0;
        if (!take(bytes, at, pages) || (bytes.size() - at) / sizeof pages < pages)
            return std::nullopt;
        object.propertyPages.resize(pages);
        for (std::uint32_t& page : object.propertyPages)
            take(bytes, at, page);
        catalogue.push_back(std::move(object));
    }
    return catalogue;
}

bool writeAll(int fd, const std::vector<char>& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

[[noreturn]] void runChild(const ProbeFile& probe, int report)
{
    applyLimits(limitsFor(probe.startAddressSpace, probe.bytes));
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    // libmdb's warnings about the damage would only repeat what the parent reports.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        dup2(devNull, STDERR_FILENO);
    std::string error;
    const std::unique_ptr<JetFile> file = JetFile::open(probe.path, error, nullptr, false, probe.encryption);
    if (!file)
        _exit(1);
    _exit(writeAll(report, encoded(file->catalogue())) ? 0 : 2);
}

// Appends what the child has sent so far to `received`.
void drain(int report, std::vector<char>& received)
{
    char buffer[16384];
    for (;;) {
        const ssize_t count = ::read(report, buffer, sizeof buffer);
        if (count > 0)
            received.insert(received.end(), buffer, buffer + count);
        else if (count == 0 || errno != EINTR)
            return;
    }
}

enum class ChildOutcome {
    Sent,    // the whole catalogue came: the child has nothing left to do but end
    Ended,   // `status` says how
    Killed   // it ran too long, or could not be waited for
};

// Waits for the child within its time limit, taking in what it sends (a full pipe would stop
// it), until it has sent its whole catalogue or ended.
ChildOutcome waitForChild(pid_t child, int report, const ProbeFile& probe, int& status, std::vector<char>& received)
{
    const auto deadline = std::chrono::steady_clock::now() + limitsFor(probe.startAddressSpace, probe.bytes).time;
    for (;;) {
        pollfd ready{report, POLLIN, 0};
        const auto left = std::chrono::ceil<Milliseconds>(deadline - std::chrono::steady_clock::now());
        ::poll(&ready, 1, static_cast<int>(std::clamp(left, Milliseconds{0}, kLongestPause).count()));
        drain(report, received);
        if (complete(received))
            return ChildOutcome::Sent;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) {
            drain(report, received);
            return ChildOutcome::Ended;
        }
        if ((done < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return ChildOutcome::Killed;
        }
    }
}

struct Pipe {
    int ends[2] = {-1, -1};
    Pipe()
    {
        if (pipe2(ends, O_CLOEXEC) != 0)
            ends[0] = ends[1] = -1;
    }
    ~Pipe()
    {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeEnd(int end)
    {
        if (ends[end] >= 0)
            ::close(ends[end]);
        ends[end] = -1;
    }
};

}  // namespace

EndingProbe::~EndingProbe()
{
    wait();
}

void EndingProbe::wait()
{
    int status = 0;
    while (m_child > 0 && waitpid(m_child, &status, 0) < 0 && errno == EINTR) {
    }
    m_child = -1;
}

bool probeOpening(const std::string& path, std::optional<Catalogue>& catalogue, EndingProbe& ending,
                  std::string& error, const JetPageCipher& encryption)
{
    catalogue.reset();
    const ProbeFile probe{path, fileSize(path), currentAddressSpace(), encryption};
    Pipe report;
    if (report.ends[0] < 0 || fcntl(report.ends[0], F_SETFL, O_NONBLOCK) != 0) {
        error = messageUnreadable(path, "vérification impossible");
        return false;
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        error = messageUnreadable(path, "vérification impossible");
        return false;
    }
    if (child == 0)
        runChild(probe, report.ends[1]);
    report.closeEnd(1);
    int status = 0;
    std::vector<char> received;
    switch (waitForChild(child, report.ends[0], probe, status, received)) {
    case ChildOutcome::Sent:
        ending.hold(child);
        catalogue = decoded(received);
        return true;
    case ChildOutcome::Ended:
        if (!WIFEXITED(status))
            break;
        if (WEXITSTATUS(status) == 0)
            catalogue = decoded(received);
        return true;
    case ChildOutcome::Killed:
        break;
    }
    error = messageDamagedFile(path, "son catalogue est illisible");
    return false;
}

}  // namespace kervane::jet
