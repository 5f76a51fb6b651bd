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

struct Probed {
    FileIdentity file;
    bool settled = false;  // its last change was settled when it was probed
    Catalogue catalogue;
    std::vector<unsigned char> fingerprint;
};

// Connections may open files from several threads.
struct ProbedFiles {
    std::mutex lock;
    std::deque<Probed> files;  // most recent first
};

ProbedFiles& probedFiles()
{
    static ProbedFiles files;
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

std::optional<Catalogue> probedCatalogue(const FileIdentity& file)
{
    if (!settled(file))
        return std::nullopt;
    ProbedFiles& probed = probedFiles();
    const std::lock_guard<std::mutex> guard(probed.lock);
    const auto found = std::find_if(probed.files.begin(), probed.files.end(),
                                    [&](const Probed& entry) { return entry.settled && entry.file == file; });
    if (found == probed.files.end())
        return std::nullopt;
    return found->catalogue;
}

std::optional<ProbedCatalogue> probedEarlier(const FileIdentity& file)
{
    ProbedFiles& probed = probedFiles();
    const std::lock_guard<std::mutex> guard(probed.lock);
    const auto found = std::find_if(probed.files.begin(), probed.files.end(), [&](const Probed& entry) {
        return sameFile(entry.file, file) && !entry.fingerprint.empty();
    });
    if (found == probed.files.end())
        return std::nullopt;
    return ProbedCatalogue{found->catalogue, found->fingerprint};
}

void rememberProbed(const FileIdentity& file, const Catalogue& catalogue, std::vector<unsigned char> fingerprint)
{
    const bool settledNow = settled(file);
    if (!settledNow && fingerprint.empty())
        return;
    ProbedFiles& probed = probedFiles();
    const std::lock_guard<std::mutex> guard(probed.lock);
    std::erase_if(probed.files, [&](const Probed& entry) { return sameFile(entry.file, file); });
    probed.files.push_front(Probed{file, settledNow, catalogue, std::move(fingerprint)});
    if (probed.files.size() > kFilesKept)
        probed.files.pop_back();
}

}  // namespace kervane::jet
