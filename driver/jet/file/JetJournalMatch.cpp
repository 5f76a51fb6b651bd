#include "driver/jet/file/JetJournalMatch.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kervane::jet {
namespace {

// The bytes of page `page` the file of `length` bytes holds: fewer at its end, none past it.
int readPage(int fileFd, std::uint64_t length, const JournalHeader& header, std::uint32_t page,
             std::vector<unsigned char>& bytes, std::size_t& available)
{
    const std::uint64_t offset = std::uint64_t(page) * header.pageSize;
    available = offset >= length ? 0 : std::size_t(std::min<std::uint64_t>(header.pageSize, length - offset));
    return readAt(fileFd, bytes.data(), available, off_t(offset));
}

bool zeros(const unsigned char* bytes, std::size_t size)
{
    return std::all_of(bytes, bytes + size, [](unsigned char byte) { return byte == 0; });
}

// A page covered by `record` as the file holds it (`available` bytes of it), sector by
// sector: its original, its new bytes, or (appended) zeros or nothing yet.
void matchPage(const JournalHeader& header, const JournalRecord& record, const unsigned char* now,
               std::size_t available, JournalMatch& match)
{
    const bool appended = record.original.empty();
    const bool knowsNew = !record.sectors.empty();
    for (std::size_t s = 0; s < header.sectors(); ++s) {
        const std::size_t at = s * kSectorSize;
        const bool present = at + kSectorSize <= available;
        const bool original =
            present && !appended && std::memcmp(now + at, record.original.data() + at, kSectorSize) == 0;
        const bool fresh = present && knowsNew && hash64(now + at, kSectorSize) == record.sectors[s];
        const bool empty = appended && (!present || zeros(now + at, kSectorSize));
        match.touched = match.touched || (!appended && !original);
        match.whole = match.whole && fresh;
        match.foreignPage = match.foreignPage || (knowsNew && !original && !fresh && !empty);
    }
}

}  // namespace

int matchJournal(int journalFd, const JournalFacts& facts, int fileFd, JournalMatch& match)
{
    match = JournalMatch{};
    const JournalHeader& header = facts.header;
    const off_t size = fileSize(fileFd);
    if (size < 0)
        return errno;
    const std::uint64_t length = std::uint64_t(size);
    const std::uint64_t before = std::uint64_t(header.originalPages) * header.pageSize;
    const std::uint64_t after = std::uint64_t(header.finalPages) * header.pageSize;
    match.inRange = length >= before && length <= after;
    match.touched = length != before;
    match.whole = length == after;
    std::vector<unsigned char> now(header.pageSize);
    std::size_t available = 0;
    JournalRecord record;
    bool pageZeroCovered = false;
    std::int64_t previous = -1;
    for (std::uint32_t i = 0; i < recordCount(header); ++i) {
        RecordState state = RecordState::Missing;
        if (const int error = readRecord(journalFd, facts, i, record, state))
            return error;
        // Records follow the page order: one out of it was not written by this commit.
        if (state != RecordState::Intact || std::int64_t(record.page) <= previous) {
            match.damaged = true;
            if (state == RecordState::Missing)
                break;
            continue;
        }
        previous = record.page;
        pageZeroCovered = pageZeroCovered || record.page == 0;
        if (const int error = readPage(fileFd, length, header, record.page, now, available))
            return error;
        matchPage(header, record, now.data(), available, match);
    }
    // Page 0 when the commit did not change it: the database's own header, the file's identity.
    if (header.version != 1 && !pageZeroCovered) {
        if (const int error = readPage(fileFd, length, header, 0, now, available))
            return error;
        match.identity = available == header.pageSize && hash64(now.data(), now.size()) == header.identity;
    }
    return 0;
}

int rollBackFromJournal(int journalFd, const JournalFacts& facts, int fileFd)
{
    const JournalHeader& header = facts.header;
    JournalRecord record;
    for (std::uint32_t i = 0; i < header.records; ++i) {
        RecordState state = RecordState::Missing;
        if (const int error = readRecord(journalFd, facts, i, record, state))
            return error;
        if (state != RecordState::Intact)
            return EIO;
        if (const int error = writeAt(fileFd, record.original.data(), header.pageSize,
                                      off_t(record.page) * off_t(header.pageSize)))
            return error;
    }
    while (::ftruncate(fileFd, off_t(header.originalPages) * off_t(header.pageSize)) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return syncFile(fileFd);
}

}  // namespace kervane::jet
