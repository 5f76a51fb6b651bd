#include "driver/jet/JetProbe.h"

#include "driver/jet/JetFile.h"
#include "driver/jet/JetMessages.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kervane::jet {

namespace {

using Milliseconds = std::chrono::milliseconds;

// The limits grow with what libmdb will hold and read: about 130 KB for the definition of a
// table of 255 columns, and the whole file at worst for the system tables walked at opening.
constexpr rlim_t kBaseMemory = rlim_t{1} << 30;
constexpr rlim_t kMemoryPerTable = rlim_t{256} << 10;
constexpr Milliseconds kBaseTime{20000};
constexpr Milliseconds kTimePerTable{10};
constexpr Milliseconds kTimePerMegabyte{40};

struct Limits {
    rlim_t addressSpace = 0;
    Milliseconds time{0};
};

Limits limitsFor(rlim_t startAddressSpace, std::uint64_t fileBytes, std::size_t tables)
{
    const auto count = static_cast<rlim_t>(tables);
    const auto megabytes = static_cast<Milliseconds::rep>(fileBytes >> 20);
    return Limits{startAddressSpace + kBaseMemory + kMemoryPerTable * count,
                  kBaseTime + kTimePerTable * static_cast<Milliseconds::rep>(count) + kTimePerMegabyte * megabytes};
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

// Only the soft limits are set: the child raises them itself once it knows the table count.
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
};

[[noreturn]] void runChild(const ProbeFile& probe, int report)
{
    applyLimits(limitsFor(probe.startAddressSpace, probe.bytes, 0));
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    // libmdb's warnings about the damage would only repeat what the parent reports.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        dup2(devNull, STDERR_FILENO);
    const JetFile::CatalogueCounted counted = [&](std::size_t tables) {
        applyLimits(limitsFor(probe.startAddressSpace, probe.bytes, tables));
        const std::uint64_t count = tables;
        [[maybe_unused]] const ssize_t written = ::write(report, &count, sizeof count);
    };
    std::string error;
    const bool opened = JetFile::open(probe.path, error, counted) != nullptr;
    _exit(opened ? 0 : 1);
}

// Waits for the child within the time its table count allows; false when it had to be killed.
// `counted` tells whether the child got past the catalogue.
bool waitForChild(pid_t child, int report, const ProbeFile& probe, int& status, bool& counted)
{
    const auto start = std::chrono::steady_clock::now();
    auto deadline = start + limitsFor(probe.startAddressSpace, probe.bytes, 0).time;
    auto pause = std::chrono::microseconds(200);
    counted = false;
    for (;;) {
        std::uint64_t tables = 0;
        if (::read(report, &tables, sizeof tables) == static_cast<ssize_t>(sizeof tables)) {
            counted = true;
            deadline = start + limitsFor(probe.startAddressSpace, probe.bytes, static_cast<std::size_t>(tables)).time;
        }
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return true;
        if (done < 0 && errno != EINTR)
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
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

bool probeOpening(const std::string& path, std::string& error)
{
    const ProbeFile probe{path, fileSize(path), currentAddressSpace()};
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
    bool counted = false;
    if (!waitForChild(child, report.ends[0], probe, status, counted) || !WIFEXITED(status)) {
        error = messageDamagedFile(path, counted ? "la définition d'une de ses tables est illisible"
                                                 : "son catalogue est illisible");
        return false;
    }
    return true;
}

}  // namespace kervane::jet
