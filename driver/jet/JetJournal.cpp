#include "driver/jet/JetJournal.h"

#include "driver/jet/JetFileIo.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

constexpr char kMagic[8] = {'K', 'V', 'J', 'e', 't', 'J', 'n', 'l'};

std::array<std::uint32_t, 256> crcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

void putUInt32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

std::uint32_t getUInt32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

std::uint32_t recordSum(std::uint32_t salt, std::uint32_t page, const unsigned char* bytes, std::size_t size)
{
    unsigned char prefix[8];
    putUInt32(prefix, salt);
    putUInt32(prefix + 4, page);
    return crc32(crc32(0, prefix, sizeof prefix), bytes, size);
}

std::array<unsigned char, kJournalHeaderSize> encodeHeader(const JournalHeader& header)
{
    std::array<unsigned char, kJournalHeaderSize> bytes{};
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    putUInt32(bytes.data() + 8, kJournalVersion);
    putUInt32(bytes.data() + 12, header.pageSize);
    putUInt32(bytes.data() + 16, header.originalPages);
    putUInt32(bytes.data() + 20, header.records);
    putUInt32(bytes.data() + 24, header.salt);
    putUInt32(bytes.data() + 28, crc32(0, bytes.data(), 28));
    return bytes;
}

bool decodeHeader(const unsigned char* bytes, JournalHeader& header)
{
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || getUInt32(bytes + 28) != crc32(0, bytes, 28) ||
        getUInt32(bytes + 8) != kJournalVersion)
        return false;
    header.pageSize = getUInt32(bytes + 12);
    header.originalPages = getUInt32(bytes + 16);
    header.records = getUInt32(bytes + 20);
    header.salt = getUInt32(bytes + 24);
    return header.pageSize == 2048 || header.pageSize == 4096;
}

off_t recordOffset(const JournalHeader& header, std::uint32_t record)
{
    return off_t(kJournalHeaderSize) + off_t(record) * off_t(kJournalRecordHeaderSize + header.pageSize);
}

}  // namespace

std::string journalPath(const std::string& file)
{
    return file + ".kvj";
}

std::uint32_t crc32(std::uint32_t crc, const unsigned char* bytes, std::size_t size)
{
    static const std::array<std::uint32_t, 256> table = crcTable();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i)
        crc = table[(crc ^ bytes[i]) & 0xffu] ^ (crc >> 8);
    return ~crc;
}

int writeJournal(const std::string& path, int fileFd, JournalHeader header,
                 const std::vector<std::uint32_t>& pages, const CommitStep& step, int& stepNumber)
{
    // The journal holds the file's own data: nobody may read it who may not read the file.
    struct stat status {};
    if (::fstat(fileFd, &status) != 0)
        return errno;
    const FileDescriptor journal(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, status.st_mode & 0666));
    if (!journal.valid())
        return errno;
    header.records = std::uint32_t(pages.size());
    const auto head = encodeHeader(header);
    if (step)
        step(stepNumber++);
    if (const int error = writeAt(journal.get(), head.data(), head.size(), 0))
        return error;
    std::vector<unsigned char> record(kJournalRecordHeaderSize + header.pageSize);
    for (std::uint32_t i = 0; i < pages.size(); ++i) {
        unsigned char* bytes = record.data() + kJournalRecordHeaderSize;
        if (const int error = readAt(fileFd, bytes, header.pageSize, off_t(pages[i]) * header.pageSize))
            return error;
        putUInt32(record.data(), pages[i]);
        putUInt32(record.data() + 4, recordSum(header.salt, pages[i], bytes, header.pageSize));
        if (step)
            step(stepNumber++);
        if (const int error = writeAt(journal.get(), record.data(), record.size(), recordOffset(header, i)))
            return error;
    }
    if (step)
        step(stepNumber++);
    if (const int error = syncFile(journal.get()))
        return error;
    return syncFolderOf(path);
}

int checkJournal(int journalFd, JournalState& state, JournalHeader& header)
{
    state = JournalState::Torn;
    const off_t size = fileSize(journalFd);
    if (size < 0)
        return errno;
    unsigned char head[kJournalHeaderSize];
    if (size < off_t(sizeof head))
        return 0;
    if (const int error = readAt(journalFd, head, sizeof head, 0))
        return error;
    if (!decodeHeader(head, header) || size != recordOffset(header, header.records))
        return 0;
    std::vector<unsigned char> record(kJournalRecordHeaderSize + header.pageSize);
    std::set<std::uint32_t> seen;
    for (std::uint32_t i = 0; i < header.records; ++i) {
        if (const int error = readAt(journalFd, record.data(), record.size(), recordOffset(header, i)))
            return error;
        const std::uint32_t page = getUInt32(record.data());
        const unsigned char* bytes = record.data() + kJournalRecordHeaderSize;
        if (page >= header.originalPages || !seen.insert(page).second ||
            getUInt32(record.data() + 4) != recordSum(header.salt, page, bytes, header.pageSize))
            return 0;
    }
    state = JournalState::Complete;
    return 0;
}

int replayJournal(int journalFd, const JournalHeader& header, int fileFd)
{
    std::vector<unsigned char> record(kJournalRecordHeaderSize + header.pageSize);
    for (std::uint32_t i = 0; i < header.records; ++i) {
        if (const int error = readAt(journalFd, record.data(), record.size(), recordOffset(header, i)))
            return error;
        const std::uint32_t page = getUInt32(record.data());
        if (const int error = writeAt(fileFd, record.data() + kJournalRecordHeaderSize, header.pageSize,
                                      off_t(page) * header.pageSize))
            return error;
    }
    const off_t original = off_t(header.originalPages) * header.pageSize;
    while (::ftruncate(fileFd, original) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return syncFile(fileFd);
}

}  // namespace kervane::jet
