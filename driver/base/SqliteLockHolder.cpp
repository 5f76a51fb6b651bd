#include "driver/base/SqliteLockHolder.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace kervane::odbc {
namespace {

// SQLite's lock bytes in every base file (its file format's locking): the pending byte, the
// reserved byte after it, then the range readers share and a writer takes alone.
constexpr long long kPendingByte = 0x40000000;
constexpr long long kReservedByte = kPendingByte + 1;
constexpr long long kSharedFirst = kPendingByte + 2;

// One lock of the system's table (/proc/locks): who holds which bytes of which file. The
// table is read rather than the base opened: closing a descriptor of the base would drop
// every lock this process's own SQLite connections hold on it.
struct HeldLock {
    bool write = false;
    long long pid = 0;
    long long first = 0;
    long long last = 0;
    bool covers(long long byte) const { return first <= byte && byte <= last; }
};

std::vector<HeldLock> locksOn(const struct stat& file)
{
    char device[32];
    std::snprintf(device, sizeof device, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    std::vector<HeldLock> found;
    std::ifstream table("/proc/locks");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string number, kind, advisory, access, where, last;
        HeldLock lock;
        if (!(fields >> number >> kind >> advisory >> access >> lock.pid >> where >> lock.first >> last))
            continue;
        if (kind != "POSIX" || where != device)
            continue;
        lock.write = access == "WRITE";
        lock.last = last == "EOF" ? INT64_MAX : std::stoll(last);
        found.push_back(lock);
    }
    return found;
}

std::string holderDescription(long long pid, const char* doing)
{
    if (pid == ::getpid())
        return std::string(" par une autre connexion de ce programme, qui ") + doing;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(comm, name);
    const std::string process = "(processus n° " + std::to_string(pid) + ")";
    return (name.empty() ? " par un autre programme " + process : " par le programme « " + name + " » " + process) +
           ", qui " + doing;
}

}  // namespace

std::string sqliteLockHolder(const std::string& path)
{
    struct stat file {};
    if (::stat(path.c_str(), &file) != 0)
        return {};
    const std::vector<HeldLock> locks = locksOn(file);
    const auto find = [&](long long byte, bool write) -> const HeldLock* {
        for (const HeldLock& lock : locks)
            if (lock.covers(byte) && lock.write == write)
                return &lock;
        return nullptr;
    };
    if (const HeldLock* lock = find(kSharedFirst, true))
        return holderDescription(lock->pid, "y enregistre des modifications");
    if (const HeldLock* lock = find(kReservedByte, true))
        return holderDescription(lock->pid, "a commencé à la modifier");
    if (const HeldLock* lock = find(kPendingByte, true))
        return holderDescription(lock->pid, "s'apprête à y enregistrer des modifications");
    if (const HeldLock* lock = find(kSharedFirst, false))
        return holderDescription(lock->pid, "la lit");
    return {};
}

}  // namespace kervane::odbc
