#include "driver/jet/file/JetKnownCatalogues.h"

#include "driver/jet/file/JetFileStamp.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <utility>

namespace kervane::jet {

namespace {

constexpr std::size_t kFilesKept = 8;
// Far longer than a tick of the clock that dates file changes.
constexpr long long kSettledNanoseconds = 2000000000LL;

bool settled(const FileIdentity& file)
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return file.changed <= epochNanoseconds(now) - kSettledNanoseconds;
}

struct Known {
    FileIdentity file;
    Catalogue catalogue;
};

// Connections may open files from several threads.
struct KnownCatalogues {
    std::mutex lock;
    std::deque<Known> files;  // most recent first
};

KnownCatalogues& knownCatalogues()
{
    static KnownCatalogues files;
    return files;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b)
{
    return a.device == b.device && a.inode == b.inode;
}

}  // namespace

std::optional<FileIdentity> identify(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return FileIdentity{static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino),
                        static_cast<long long>(status.st_size), epochNanoseconds(status.st_mtim),
                        epochNanoseconds(status.st_ctim)};
}

std::optional<Catalogue> knownCatalogue(const FileIdentity& file)
{
    if (!settled(file))
        return std::nullopt;
    KnownCatalogues& known = knownCatalogues();
    const std::lock_guard<std::mutex> guard(known.lock);
    const auto found = std::find_if(known.files.begin(), known.files.end(),
                                    [&](const Known& entry) { return entry.file == file; });
    if (found == known.files.end())
        return std::nullopt;
    return found->catalogue;
}

void rememberCatalogue(const FileIdentity& file, const Catalogue& catalogue)
{
    if (!settled(file))
        return;
    KnownCatalogues& known = knownCatalogues();
    const std::lock_guard<std::mutex> guard(known.lock);
    std::erase_if(known.files, [&](const Known& entry) { return sameFile(entry.file, file); });
    known.files.push_front(Known{file, catalogue});
    if (known.files.size() > kFilesKept)
        known.files.pop_back();
}

}  // namespace kervane::jet
