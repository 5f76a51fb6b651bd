#include "driver/jet/file/JetCatalogueFingerprint.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/format/JetVersion.h"

#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

// MSysObjects' definition always starts on this page.
constexpr std::uint32_t kCatalogueDefinition = 2;
// A definition chain longer than this is a loop.
constexpr int kLongestDefinition = 65;

class FileReader {
public:
    FileReader(const std::string& path, const JetPageCipher& cipher) : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_cipher(cipher) {}
    ~FileReader()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // The header, from which the page size and the cipher of an encoded file are known.
    bool start(std::vector<unsigned char>& seen)
    {
        struct stat status {};
        unsigned char header[4096] = {};
        if (m_fd < 0 || ::fstat(m_fd, &status) != 0 || ::pread(m_fd, header, sizeof header, 0) < 2048)
            return false;
        const std::optional<AccessVersion> version = accessVersionOf(header, sizeof header);
        if (!version)
            return false;
        m_format = &fileFormatFor(pageSizeOf(*version));
        m_pageCount = static_cast<std::uint32_t>(static_cast<std::uint64_t>(status.st_size) / pageSize());
        if (!m_cipher.active())
            m_cipher = JetPageCipher::ofHeader(header, pageSize());
        seen.insert(seen.end(), header, header + pageSize());
        return true;
    }

    std::size_t pageSize() const { return static_cast<std::size_t>(m_format->pageSize); }
    const JetFileFormat& format() const { return *m_format; }
    std::uint32_t pageCount() const { return m_pageCount; }

    // Page `page` deciphered into `buffer`, its bytes added to `seen`.
    bool read(std::uint32_t page, unsigned char* buffer, std::vector<unsigned char>& seen) const
    {
        const auto size = pageSize();
        if (page == 0 || page >= m_pageCount ||
            ::pread(m_fd, buffer, size, static_cast<off_t>(page) * static_cast<off_t>(size)) != static_cast<ssize_t>(size))
            return false;
        m_cipher.decipher(page, buffer, size);
        seen.insert(seen.end(), buffer, buffer + size);
        return true;
    }

private:
    int m_fd;
    JetPageCipher m_cipher;
    const JetFileFormat* m_format = nullptr;
    std::uint32_t m_pageCount = 0;
};

// The definition's pages; the usage map row it points to.
bool readDefinition(const FileReader& file, std::vector<unsigned char>& map, std::vector<unsigned char>& seen)
{
    std::vector<unsigned char> page(file.pageSize());
    if (!file.read(kCatalogueDefinition, page.data(), seen) || page[0] != kDefinitionPage)
        return false;
    const std::uint32_t mapRow = readUInt32(page.data(), file.format().definitionOwnedPages);
    std::vector<unsigned char> next(file.pageSize());
    std::uint32_t following = readUInt32(page.data(), 4);
    for (int chain = 0; following != 0; ++chain) {
        if (chain == kLongestDefinition || !file.read(following, next.data(), seen) || next[0] != kDefinitionPage)
            return false;
        following = readUInt32(next.data(), 4);
    }
    const int row = static_cast<int>(mapRow & 0xff);
    if (!file.read(mapRow >> 8, page.data(), seen) || row >= checkedRowCount(file.format(), page.data()))
        return false;
    const datapage::Slot slot = datapage::storedSlot(page.data(), row, file.format());
    if (slot.start < file.format().pageFirstSlot || slot.end <= slot.start || slot.end > file.format().pageSize)
        return false;
    map.assign(page.begin() + slot.start, page.begin() + slot.end);
    return true;
}

// The property pages the catalogue lists, each once.
std::set<std::uint32_t> propertyPages(const Catalogue* catalogue)
{
    std::set<std::uint32_t> pages;
    for (std::size_t i = 0; catalogue != nullptr && i < catalogue->size(); ++i)
        pages.insert((*catalogue)[i].propertyPages.begin(), (*catalogue)[i].propertyPages.end());
    return pages;
}

}  // namespace

std::optional<std::vector<unsigned char>> catalogueFingerprint(const std::string& path, const JetPageCipher& encryption,
                                                               const Catalogue* catalogue, std::size_t* ownBytes)
{
    std::vector<unsigned char> seen;
    FileReader file(path, encryption);
    std::vector<unsigned char> map;
    if (!file.start(seen) || !readDefinition(file, map, seen))
        return std::nullopt;
    // The map's own pages are added as the walk reads them.
    UsageMapWalk walk(std::move(map), file.format(), file.pageCount());
    const UsageMapWalk::PageReader readMapPage = [&](std::uint32_t page, unsigned char* buffer) {
        return file.read(page, buffer, seen);
    };
    std::vector<unsigned char> page(file.pageSize());
    std::uint32_t at = 0;
    for (;;) {
        std::string why;
        const UsageMapWalk::Step step = walk.next(at, readMapPage, at, why);
        if (step == UsageMapWalk::Step::Damaged)
            return std::nullopt;
        if (step == UsageMapWalk::Step::End)
            break;
        if (!file.read(at, page.data(), seen))
            return std::nullopt;
    }
    if (ownBytes != nullptr)
        *ownBytes = seen.size();
    for (const std::uint32_t property : propertyPages(catalogue))
        if (!file.read(property, page.data(), seen))
            return std::nullopt;
    return seen;
}

}  // namespace kervane::jet
