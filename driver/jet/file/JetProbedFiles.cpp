#include "driver/jet/file/JetProbedFiles.h"

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

// Connections may open files from several threads.
struct ProbedFiles {
    std::mutex lock;
    std::deque<std::pair<FileIdentity, Catalogue>> files;  // most recent first
};

ProbedFiles& probedFiles()
{
    static ProbedFiles files;
    return files;
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

std::optional<Catalogue> probedCatalogue(const FileIdentity& file)
{
    if (!settled(file))
        return std::nullopt;
    ProbedFiles& probed = probedFiles();
    const std::lock_guard<std::mutex> guard(probed.lock);
    const auto found = std::find_if(probed.files.begin(), probed.files.end(),
                                    [&](const auto& entry) { return entry.first == file; });
    if (found == probed.files.end())
        return std::nullopt;
    return found->second;
}

void rememberProbed(const FileIdentity& file, const Catalogue& catalogue)
{
    if (!settled(file))
        return;
    ProbedFiles& probed = probedFiles();
    const std::lock_guard<std::mutex> guard(probed.lock);
    std::erase_if(probed.files, [&](const auto& entry) {
        return entry.first.device == file.device && entry.first.inode == file.inode;
    });
    probed.files.emplace_front(file, catalogue);
    if (probed.files.size() > kFilesKept)
        probed.files.pop_back();
}

}  // namespace kervane::jet
