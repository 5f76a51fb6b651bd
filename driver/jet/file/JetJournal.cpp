#include "driver/jet/file/JetJournal.h"

#include "driver/jet/format/JetByteOrder.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

constexpr char kMagic[8] = {'K', 'V', 'J', 'e', 't', 'J', 'n', 'l'};
constexpr char kSealMagic[8] = {'K', 'V', 'J', 'S', 'c', 'e', 'a', 'u'};
constexpr std::size_t kVersion1HeaderSize = 32;
constexpr std::size_t kRecordHeaderSize = 8;  // page number, CRC-32

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

// A bijective scramble of 64 bits in which every output bit depends on every input bit.
std::uint64_t scramble(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9u;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

bool pageSizeKnown(std::uint32_t pageSize)
{
    return pageSize == 2048 || pageSize == 4096;
}

std::array<unsigned char, kJournalHeaderSize> encodeHeader(const JournalHeader& header)
{
    std::array<unsigned char, kJournalHeaderSize> bytes{};
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    writeUInt32(bytes.data(), 8, kJournalVersion);
    writeUInt32(bytes.data(), 12, header.pageSize);
    writeUInt32(bytes.data(), 16, header.originalPages);
    writeUInt32(bytes.data(), 20, header.finalPages);
    writeUInt32(bytes.data(), 24, header.records);
    writeUInt64(bytes.data(), 32, header.salt);
    writeUInt64(bytes.data(), 40, header.identity);
    writeUInt32(bytes.data(), 60, crc32(0, bytes.data(), 60));
    return bytes;
}

bool decodeHeader(const unsigned char* bytes, JournalHeader& header)
{
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || readUInt32(bytes, 8) != kJournalVersion ||
        readUInt32(bytes, 60) != crc32(0, bytes, 60))
        return false;
    header.version = kJournalVersion;
    header.pageSize = readUInt32(bytes, 12);
    header.originalPages = readUInt32(bytes, 16);
    header.finalPages = readUInt32(bytes, 20);
    header.records = readUInt32(bytes, 24);
    header.salt = readUInt64(bytes, 32);
    header.identity = readUInt64(bytes, 40);
    return pageSizeKnown(header.pageSize) && header.finalPages >= header.originalPages &&
           header.records <= header.originalPages;
}

bool decodeVersion1(const unsigned char* bytes, JournalHeader& header)
{
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || readUInt32(bytes, 8) != 1 ||
        readUInt32(bytes, 28) != crc32(0, bytes, 28))
        return false;
    header.version = 1;
    header.pageSize = readUInt32(bytes, 12);
    header.originalPages = readUInt32(bytes, 16);
    header.finalPages = header.originalPages;
    header.records = readUInt32(bytes, 20);
    header.salt = readUInt32(bytes, 24);
    return pageSizeKnown(header.pageSize) && header.records <= header.originalPages;
}

std::uint64_t hashesSize(const JournalHeader& header)
{
    return header.version == 1 ? 0 : header.sectors() * 8;
}

std::uint64_t overwrittenSize(const JournalHeader& header)
{
    return kRecordHeaderSize + header.pageSize + hashesSize(header);
}

std::uint64_t appendedSize(const JournalHeader& header)
{
    return kRecordHeaderSize + hashesSize(header);
}

std::uint64_t recordOffset(const JournalHeader& header, std::uint32_t index)
{
    const std::uint64_t start = header.version == 1 ? kVersion1HeaderSize : kJournalHeaderSize;
    if (index <= header.records)
        return start + index * overwrittenSize(header);
    return start + header.records * overwrittenSize(header) + (index - header.records) * appendedSize(header);
}

// The record's CRC-32: of the salt, the page number and the record's bytes after its own
// header (a version 1 journal summed a 32-bit salt).
std::uint32_t recordSum(const JournalHeader& header, std::uint32_t page, const unsigned char* rest, std::size_t size)
{
    unsigned char prefix[12];
    std::size_t prefixSize = 0;
    if (header.version == 1) {
        writeUInt32(prefix, 0, std::uint32_t(header.salt));
        prefixSize = 4;
    } else {
        writeUInt64(prefix, 0, header.salt);
        prefixSize = 8;
    }
    writeUInt32(prefix + prefixSize, 0, page);
    return crc32(crc32(0, prefix, prefixSize + 4), rest, size);
}

// One record of a commit: the page's number, its original bytes when it is overwritten, the
// hashes of its new bytes; the CRC-32 last.
int encodeRecord(const JournalHeader& header, int fileFd, const CommitPage& page, std::vector<unsigned char>& record)
{
    const bool overwritten = page.number < header.originalPages;
    record.assign(overwritten ? overwrittenSize(header) : appendedSize(header), 0);
    unsigned char* rest = record.data() + kRecordHeaderSize;
    if (overwritten) {
        if (const int error = readAt(fileFd, rest, header.pageSize, off_t(page.number) * off_t(header.pageSize)))
            return error;
        rest += header.pageSize;
    }
    for (std::size_t s = 0; s < header.sectors(); ++s)
        writeUInt64(rest + 8 * s, 0, hash64(page.bytes + s * kSectorSize, kSectorSize));
    writeUInt32(record.data(), 0, page.number);
    writeUInt32(record.data(), 4, recordSum(header, page.number, record.data() + kRecordHeaderSize,
                                           record.size() - kRecordHeaderSize));
    return 0;
}

void step(const CommitStep& hook, int& stepNumber)
{
    if (hook)
        hook(stepNumber++);
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

std::uint64_t hash64(const unsigned char* bytes, std::size_t size)
{
    // Each 8-byte word, scrambled, is folded in by a multiplication and a rotation, so that
    // the order of the words counts; the length starts the hash, a last scramble ends it.
    std::uint64_t hash = scramble(std::uint64_t(size) ^ 0x9E3779B97F4A7C15u);
    for (std::size_t at = 0; at < size; at += 8) {
        std::uint64_t word = 0;
        for (std::size_t b = 0; b < 8 && at + b < size; ++b)
            word |= std::uint64_t(bytes[at + b]) << (8 * b);
        hash = (hash ^ scramble(word + 0xC2B2AE3D27D4EB4Fu)) * 0x9E3779B97F4A7C15u;
        hash = hash << 29 | hash >> 35;
    }
    return scramble(hash);
}

std::uint32_t recordCount(const JournalHeader& header)
{
    return header.records + header.appended();
}

int createJournal(const std::string& path, int fileFd, FileDescriptor& journal)
{
    // The journal holds the file's own data: nobody may read it who may not read the file.
    struct stat status {};
    if (::fstat(fileFd, &status) != 0)
        return errno;
    journal.reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                         status.st_mode & 0666));
    return journal.valid() ? 0 : errno;
}

int writeJournal(const std::string& path, int journalFd, int fileFd, JournalHeader header,
                 const std::vector<CommitPage>& pages, const CommitStep& hook, int& stepNumber)
{
    header.version = kJournalVersion;
    header.records = 0;
    for (const CommitPage& page : pages)
        header.records += page.number < header.originalPages ? 1 : 0;
    if (pages.size() != recordCount(header))
        return EINVAL;
    std::vector<unsigned char> bytes(header.pageSize);
    if (const int error = readAt(fileFd, bytes.data(), bytes.size(), 0))
        return error;
    header.identity = hash64(bytes.data(), bytes.size());
    const auto head = encodeHeader(header);
    step(hook, stepNumber);
    if (const int error = writeAt(journalFd, head.data(), head.size(), 0))
        return error;
    for (std::uint32_t i = 0; i < pages.size(); ++i) {
        if (const int error = encodeRecord(header, fileFd, pages[i], bytes))
            return error;
        step(hook, stepNumber);
        if (const int error = writeAt(journalFd, bytes.data(), bytes.size(), off_t(recordOffset(header, i))))
            return error;
    }
    // The records reach the disk before the seal is written: a seal never stands for records
    // that a power cut could lose.
    step(hook, stepNumber);
    if (const int error = syncFile(journalFd))
        return error;
    if (const int error = syncFolderOf(path))
        return error;
    std::array<unsigned char, kJournalSealSize> seal{};
    std::memcpy(seal.data(), kSealMagic, sizeof kSealMagic);
    std::memcpy(seal.data() + sizeof kSealMagic, head.data(), head.size());
    step(hook, stepNumber);
    const off_t sealOffset = off_t(recordOffset(header, recordCount(header)));
    if (const int error = writeAt(journalFd, seal.data(), seal.size(), sealOffset))
        return error;
    step(hook, stepNumber);
    return syncFile(journalFd);
}

int examineJournal(int journalFd, JournalFacts& facts)
{
    facts = JournalFacts{};
    const off_t size = fileSize(journalFd);
    if (size < 0)
        return errno;
    facts.size = std::uint64_t(size);
    std::array<unsigned char, kJournalHeaderSize> head{};
    if (const int error = readAt(journalFd, head.data(), std::min<std::uint64_t>(facts.size, head.size()), 0))
        return error;
    if (facts.size >= kJournalHeaderSize + kJournalSealSize) {
        std::array<unsigned char, kJournalSealSize> seal{};
        if (const int error = readAt(journalFd, seal.data(), seal.size(), off_t(facts.size - seal.size())))
            return error;
        if (std::memcmp(seal.data(), kSealMagic, sizeof kSealMagic) == 0 &&
            decodeHeader(seal.data() + sizeof kSealMagic, facts.header)) {
            const bool agree = std::memcmp(head.data(), seal.data() + sizeof kSealMagic, head.size()) == 0 &&
                               facts.size == recordOffset(facts.header, recordCount(facts.header)) + kJournalSealSize;
            facts.form = agree ? JournalForm::Sealed : JournalForm::Damaged;
            return 0;
        }
    }
    if (facts.size >= kVersion1HeaderSize && decodeVersion1(head.data(), facts.header))
        facts.form = JournalForm::Version1;
    else if (facts.size >= kJournalHeaderSize && decodeHeader(head.data(), facts.header))
        facts.form = JournalForm::Unsealed;
    else
        facts.form = facts.size < kJournalHeaderSize ? JournalForm::Short : JournalForm::Unknown;
    return 0;
}

int readRecord(int journalFd, const JournalFacts& facts, std::uint32_t index, JournalRecord& record,
               RecordState& state)
{
    const JournalHeader& header = facts.header;
    const bool overwritten = index < header.records;
    const std::uint64_t offset = recordOffset(header, index);
    const std::uint64_t size = overwritten ? overwrittenSize(header) : appendedSize(header);
    const bool sealed = facts.form == JournalForm::Sealed || facts.form == JournalForm::Damaged;
    const std::uint64_t end = sealed ? facts.size - kJournalSealSize : facts.size;
    state = RecordState::Missing;
    if (index >= recordCount(header) || offset + size > end)
        return 0;
    state = RecordState::Damaged;
    std::vector<unsigned char> bytes(size);
    if (const int error = readAt(journalFd, bytes.data(), bytes.size(), off_t(offset)))
        return error;
    record.page = readUInt32(bytes.data(), 0);
    const unsigned char* rest = bytes.data() + kRecordHeaderSize;
    if (readUInt32(bytes.data(), 4) != recordSum(header, record.page, rest, size - kRecordHeaderSize))
        return 0;
    if (overwritten ? record.page >= header.originalPages
                    : record.page != header.originalPages + (index - header.records))
        return 0;
    record.original.clear();
    if (overwritten) {
        record.original.assign(rest, rest + header.pageSize);
        rest += header.pageSize;
    }
    record.sectors.resize(hashesSize(header) / 8);
    for (std::size_t s = 0; s < record.sectors.size(); ++s)
        record.sectors[s] = readUInt64(rest + 8 * s, 0);
    state = RecordState::Intact;
    return 0;
}

}  // namespace kervane::jet
