#pragma once
// A Jet 3 or Jet 4 data page as a writer changes it: the header (free space, owning table, row
// count), the row offset table after it, and rows laid from the end of the page towards it.
// Each call takes the file's format; Jet 4 when left out.
//
// Deleted rows and moved ones leave bytes no reader needs: a deleted row's (both flags), and
// what the place of a moved row holds past its 4-byte pointer. As in Access's files, they are
// taken back by laying the page's rows again from its end, in slot order: every row keeps its
// number and flags, a deleted one keeps its offset entry with no bytes (its offset that of the
// row above it, the page's end for row 0), and the free space is the gap between the offset
// table and the lowest row. Deleted slots are never given to new rows. A page is laid again
// only when a row needs the room, and only when its offsets go down from its end and its free
// space is that gap: any other page is left as it is.
#include "driver/jet/format/JetFileFormat.h"

#include <cstdint>
#include <vector>

namespace kervane::jet::datapage {

constexpr int kMaxRows = 255;
constexpr int kPointerSize = 4;  // a moved row's place: its row number, then its 3-byte page

// One entry of the row offset table: where the row starts, where it ends (one past its last
// byte: where the row before it starts, the page's end for row 0), and the entry's two flags.
struct Slot {
    int start = 0;
    int end = 0;
    bool deleted = false;  // kRowDeleted (libmdb 1.0 reads the two flags the other way round)
    bool moved = false;    // kRowMoved: the row holds only a pointer to where it now lies
    int size() const { return end - start; }
};

// A fresh data page of the table whose definition starts on `owner`.
void initialise(unsigned char* page, std::uint32_t owner, const JetFileFormat& format = jet4FileFormat());
bool isDataPageOf(const unsigned char* page, std::uint32_t owner);
int rowCount(const unsigned char* page, const JetFileFormat& format = jet4FileFormat());
int freeSpace(const unsigned char* page);
// Slot `row` as the page stores it, nothing checked: the one reading of the offset table that
// every reader and writer of rows goes through, each judging the slot as its own reads require.
// `row`'s entry must lie inside the page, as that of any row below 256 does.
Slot storedSlot(const unsigned char* page, int row, const JetFileFormat& format = jet4FileFormat());
// Slot `row`, checked for a writer; false when the row lies outside the page or overlaps its offset table, and for
// every row of a page whose offsets are out of order (rows sharing bytes: a damaged page).
bool slot(const unsigned char* page, int row, Slot& out, const JetFileFormat& format = jet4FileFormat());
// True when a row of `size` bytes and its offset entry fit in the free space and what laying the
// page again would take back, the page holding fewer than the largest number of rows. On a page
// that cannot be laid again, both its free space and its real gap must hold them; a page whose
// offsets are out of order is damaged and takes nothing more.
bool fits(const unsigned char* page, int size, const JetFileFormat& format = jet4FileFormat());
// Lays `row` below the last row with `flags` on its offset entry, the page laid again first
// when the gap is too small; its row number. fits() must have accepted it.
int add(unsigned char* page, const std::vector<unsigned char>& row, std::uint16_t flags,
        const JetFileFormat& format = jet4FileFormat());
// True when `row` can take `extra` more bytes at its end on a page whose offsets are in order,
// without laying the page again (a usage map's row then moves down by exactly `extra`).
bool canGrow(const unsigned char* page, int row, int extra, const JetFileFormat& format = jet4FileFormat());
// Makes `row` `extra` bytes longer, the new bytes zeros after its own: the row and those laid
// below it move down the page by as much. canGrow() must have accepted it.
void grow(unsigned char* page, int row, int extra, const JetFileFormat& format = jet4FileFormat());
// True when `row` can be given `size` bytes on its page once the page is laid again.
bool canRewrite(const unsigned char* page, int row, int size, const JetFileFormat& format = jet4FileFormat());
// Gives `row` the bytes `bytes`, the page laid again around them. canRewrite() must have accepted it.
void rewrite(unsigned char* page, int row, const std::vector<unsigned char>& bytes,
             const JetFileFormat& format = jet4FileFormat());
// Adds `flags` to row's offset entry.
void flag(unsigned char* page, int row, std::uint16_t flags, const JetFileFormat& format = jet4FileFormat());

}  // namespace kervane::jet::datapage
