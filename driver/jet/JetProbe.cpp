#include "driver/jet/JetProbe.h"

#include "driver/jet/JetFile.h"
#include "driver/jet/JetMessages.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kervane::jet {

namespace {

constexpr auto kTimeLimit = std::chrono::seconds(20);
constexpr rlim_t kExtraMemory = rlim_t{1} << 30;
constexpr rlim_t kCpuSeconds = 20;

// Address space in use now, so that the child may grow by a fixed amount beyond it.
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

[[noreturn]] void runChild(const std::string& path, rlim_t addressLimit)
{
    const rlimit memory{addressLimit, addressLimit};
    setrlimit(RLIMIT_AS, &memory);
    const rlimit cpu{kCpuSeconds, kCpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
    // libmdb's warnings about the damage would only repeat what the parent reports.
    const int devNull = ::open("/dev/null", O_WRONLY);
    if (devNull >= 0)
        dup2(devNull, STDERR_FILENO);
    std::string error;
    const bool opened = JetFile::open(path, error) != nullptr;
    _exit(opened ? 0 : 1);
}

bool waitForChild(pid_t child, int& status)
{
    const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
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

}  // namespace

bool probeOpening(const std::string& path, std::string& error)
{
    const rlim_t addressLimit = currentAddressSpace() + kExtraMemory;
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        error = messageUnreadable(path, "vérification impossible");
        return false;
    }
    if (child == 0)
        runChild(path, addressLimit);
    int status = 0;
    if (!waitForChild(child, status) || !WIFEXITED(status)) {
        error = messageUnreadable(path, "le fichier est endommagé");
        return false;
    }
    return true;
}

}  // namespace kervane::jet
