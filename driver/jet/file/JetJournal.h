#pragma once
// The rollback journal of a commit, kept beside the Jet file as "<file>.kvj" (the whole file
// name with ".kvj" added, so that "base.mdb" and "base.MDB" or "base" never share one) until
// the commit is done.
//
// A journal found after a crash is applied only to the file and the state it was written for:
// people copy a base with its side files, restore backups and sync folders, and a journal put
// back beside the wrong file, or beside the right one after later commits, must never be
// played into it. So the journal holds enough to recognise, page by page, the two states the
// commit goes between: the original bytes of every page it overwrites (to put them back) and
// a hash of the new bytes of every page it writes, overwritten or appended. After a crash each
// page it covers must read as its original or its new bytes, 512-byte sector by sector (a page
// torn by a power cut is old or new sector by sector, the unit a disk writes whole), and the
// file's length must lie between its length before and after; anything else is another file
// or another state. Page 0, the Jet header page with the database's own creation data, is
// hashed whole into the header as the file's identity, so that the journal of another base is
// told at once. The hashes are 64-bit (hash64): a chance match is out of reach; the records'
// own integrity stays with CRC-32, which only has to catch damage.
//
// The journal is sealed: the seal is written and flushed only after every record is flushed,
// and before the first page of the file is touched. A journal without its seal was being
// written when its commit stopped, so the file was not touched; a journal whose seal stands
// but whose records do not check was damaged afterwards, and its file may hold half a commit.
//
// Layout, little-endian:
//   header, 64 bytes: "KVJetJnl", format version (2), page size, the file's page count before
//   the commit, its page count after (before + appended), number of overwritten pages, 4
//   bytes 0, a random 64-bit salt, hash64 of page 0 before the commit, 12 bytes 0, CRC-32 of
//   the 60 bytes before it;
//   then a record for each overwritten page, in page order: page number, CRC-32 of (salt, page
//   number, the rest of the record), the page's original bytes, hash64 of each sector of its
//   new bytes;
//   then a record for each appended page, in page order: page number, CRC-32 as above, hash64
//   of each sector of its new bytes;
//   then the seal, 72 bytes: "KVJSceau" and a copy of the header. Being at the journal's end,
//   it is found there even when the header at its start is damaged.
// The salt ties the records and the seal to their header: journals are made anew with
// O_EXCL, but bytes of another journal copied in never pass for this one's.
//
// Version 1 journals (32-byte header: magic, version, page size, page count before, records,
// 32-bit salt, CRC-32; records of page number, CRC-32, original bytes; no seal) may still be
// found beside a file a crash left before this version was installed. They are read to tell
// whether the file was touched (JetRecovery.h).
#include "driver/jet/file/JetFileIo.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

constexpr std::uint32_t kJournalVersion = 2;
constexpr std::size_t kJournalHeaderSize = 64;
constexpr std::size_t kJournalSealSize = 8 + kJournalHeaderSize;
constexpr std::size_t kSectorSize = 512;

std::string journalPath(const std::string& file);

std::uint32_t crc32(std::uint32_t crc, const unsigned char* bytes, std::size_t size);
// A 64-bit hash of `size` bytes, its bits all depending on every byte.
std::uint64_t hash64(const unsigned char* bytes, std::size_t size);

struct JournalHeader {
    std::uint32_t version = kJournalVersion;
    std::uint32_t pageSize = 0;
    std::uint32_t originalPages = 0;
    std::uint32_t finalPages = 0;  // originalPages + appended pages (version 2)
    std::uint32_t records = 0;     // overwritten pages
    std::uint64_t salt = 0;
    std::uint64_t identity = 0;    // hash64 of page 0 before the commit (version 2)

    std::uint32_t appended() const { return finalPages - originalPages; }
    std::size_t sectors() const { return pageSize / kSectorSize; }
};

// Called before each write and sync of a commit or of a journal, numbered from 0, so that a
// test can stop the process at any of them.
using CommitStep = std::function<void(int step)>;

// Creates the journal at `path`, which must not exist, with the permissions of the file open
// as `fileFd` (it holds the file's data); it is never made through a symbolic link. 0 or errno.
int createJournal(const std::string& path, int fileFd, FileDescriptor& journal);

// A page a commit writes: overwritten when below the file's page count, appended otherwise.
struct CommitPage {
    std::uint32_t number = 0;
    const unsigned char* bytes = nullptr;
};
// Writes the journal of a commit of `pages` (in page order, the appended ones all there) into
// the new journal `journalFd` at `path`, the original bytes read from the file `fileFd`: its
// header and records, a sync of the journal and of its folder, then its seal and a sync.
// `header` gives the page size, the page counts and the salt. 0 or errno.
int writeJournal(const std::string& path, int journalFd, int fileFd, JournalHeader header,
                 const std::vector<CommitPage>& pages, const CommitStep& step, int& stepNumber);

// What a journal's bytes say of themselves, before any look at the file.
enum class JournalForm {
    Short,     // shorter than a header, with no header: cut before its header was written
    Unknown,   // neither a header nor a seal of ours
    Version1,  // an older journal: original bytes only, no identity, no seal
    Unsealed,  // a header, no seal: its commit stopped before touching the file, or it lost its end
    Sealed,    // header, seal and length agree
    Damaged,   // sealed, but its header differs from the seal's copy or its length is not its records'
};
struct JournalFacts {
    JournalForm form = JournalForm::Unknown;
    JournalHeader header;
    std::uint64_t size = 0;
};
// 0 with the facts of the journal open as `journalFd`, or errno when it cannot be read.
int examineJournal(int journalFd, JournalFacts& facts);

struct JournalRecord {
    std::uint32_t page = 0;
    std::vector<unsigned char> original;  // empty for an appended page
    std::vector<std::uint64_t> sectors;   // hashes of the new bytes; empty in a version 1 journal
};
enum class RecordState { Intact, Damaged, Missing };
// Record `index` (the overwritten pages first, then the appended ones) of a journal of `facts`,
// with its state: Damaged when it does not check, Missing past the journal's end (and so are
// all after it). 0 or errno.
int readRecord(int journalFd, const JournalFacts& facts, std::uint32_t index, JournalRecord& record,
               RecordState& state);
std::uint32_t recordCount(const JournalHeader& header);

}  // namespace kervane::jet
