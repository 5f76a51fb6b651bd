#pragma once
// The rollback journal of a commit: the original bytes of every page a commit is about to
// overwrite, kept beside the Jet file as "<file>.kvj" (the whole file name with ".kvj" added,
// so that "base.mdb" and "base.MDB" or "base" never share one) until the commit is done.
//
// Layout, little-endian:
//   header, 32 bytes: "KVJetJnl", format version (1), page size, the file's page count before
//   the commit, number of page records, a random salt, CRC-32 of the 28 bytes before it;
//   then each record: page number, CRC-32 of (salt, page number, page bytes), page bytes.
// A journal is complete when its header checks, its length is exactly that of its records and
// every record checks. The salt ties the records to their header, so bytes left over from an
// older journal never pass for records of a newer one.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

constexpr std::uint32_t kJournalVersion = 1;
constexpr std::size_t kJournalHeaderSize = 32;
constexpr std::size_t kJournalRecordHeaderSize = 8;

std::string journalPath(const std::string& file);

std::uint32_t crc32(std::uint32_t crc, const unsigned char* bytes, std::size_t size);

struct JournalHeader {
    std::uint32_t pageSize = 0;
    std::uint32_t originalPages = 0;
    std::uint32_t records = 0;
    std::uint32_t salt = 0;
};

// Called before each write of a commit or of a journal, numbered from 0, so that a test can
// stop the process at any of them.
using CommitStep = std::function<void(int step)>;

// Creates the journal at `path` (it must not exist; made with the file's permissions) holding the current bytes of `pages` of
// the file open as `fileFd`, syncs it and its folder. 0 or errno; on failure the journal may
// be left, incomplete, for the caller to remove.
int writeJournal(const std::string& path, int fileFd, JournalHeader header,
                 const std::vector<std::uint32_t>& pages, const CommitStep& step, int& stepNumber);

enum class JournalState { Complete, Torn };
// Reads and checks the whole journal open as `journalFd`; 0 with its state, or errno when it
// cannot be read.
int checkJournal(int journalFd, JournalState& state, JournalHeader& header);
// Puts the original pages of a complete journal back into the file, cuts the file to its
// original length and syncs it. 0 or errno.
int replayJournal(int journalFd, const JournalHeader& header, int fileFd);

}  // namespace kervane::jet
