#pragma once
// Where a writer finds things in a Jet 3 (Access 97, 2 KB pages) or Jet 4 (Access 2000-2003,
// 4 KB pages) file: the fields of a table definition, of its column entries and of its index
// blocks, the headers of data and index pages, the widths of a row's counts and offsets, and
// the sizes rows may take; the kinds of pages and the flags their rows and values carry.
#include <cstddef>
#include <cstdint>

namespace kervane::jet {

// The first byte of every page: its kind.
constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kDefinitionPage = 0x02;
constexpr unsigned char kIndexIntermediatePage = 0x03;
constexpr unsigned char kIndexLeafPage = 0x04;
constexpr unsigned char kMapPage = 0x05;

// The header of a data or index page, after its kind and a byte 0x01: the bytes it has free, then
// the first page of the definition of the table it belongs to. A long-value page names no table:
// it holds kLongValueOwner there. A definition page holds there its next page, and the bytes of
// that continuation page go on after the same eight bytes of header.
constexpr int kPageFreeSpace = 2;
constexpr int kPageOwner = 4;
constexpr unsigned char kLongValueOwner[4] = {'L', 'V', 'A', 'L'};
constexpr int kDefinitionNextPage = 4;
constexpr int kDefinitionPageHeader = 8;

// A data page's row offset entry: where the row starts, under two flags.
constexpr std::uint16_t kRowDeleted = 0x8000;
constexpr std::uint16_t kRowMoved = 0x4000;  // the row holds only a pointer to where it now lies
constexpr std::uint16_t kRowOffsetMask = 0x1fff;

// The first word of a long value's reference (memo, OLE): its length, under flags telling
// whether the value lies in the row itself or on one other page.
constexpr std::uint32_t kLongValueInline = 0x80000000u;
constexpr std::uint32_t kLongValueSinglePage = 0x40000000u;

// A stored index's block in a definition has room for ten key columns (number, order), an unused
// one numbered 0xFFFF; a definition declaring more indexes than this is taken for damaged.
constexpr int kIndexKeySlots = 10;
constexpr unsigned kNoKeyColumn = 0xffff;
constexpr std::uint32_t kMostIndexes = 1000;

struct JetFileFormat {
    bool jet3 = false;
    int pageSize = 4096;

    // Table definition, from the start of its first page.
    int definitionRowCount = 16;
    int definitionAutoNumber = 20;
    int definitionComplexAutoNumber = 28;  // the last key given in the complex columns (Jet 3: none)
    int definitionTableType = 40;
    int definitionMaxColumns = 41;
    int definitionVariableColumns = 43;
    int definitionColumnCount = 45;
    int definitionLogicalIndexes = 47;
    int definitionRealIndexes = 51;
    int definitionOwnedPages = 55;
    int definitionFreeSpacePages = 59;
    int definitionFirstBlock = 63;
    int realIndexSize = 12;
    // After the column names: each real index's block, each logical index's, their names; then
    // the usage maps of the memo and OLE columns.
    int realIndexBlockSize = 52;
    int logicalIndexSize = 28;
    // In a real index's block: its ten key columns (number, order), the usage map of its pages,
    // its root page, its flags. In a logical index's block: the real index it uses, its kind.
    int realIndexKeys = 4;
    int realIndexUsageMap = 34;
    int realIndexRoot = 38;
    int realIndexFlags = 46;
    int logicalIndexReal = 8;
    int logicalIndexKind = 23;

    // Index pages: the links to the previous and next page of the level, the tail child, the
    // length of the prefix the entries share, the bitmap marking where each entry ends; the
    // entries follow the bitmap.
    int indexPrevious = 12;
    int indexNext = 16;
    int indexTail = 20;
    int indexPrefixLength = 24;
    int indexPrefixSize = 2;         // bytes of that length
    int indexIntermediateFlag = -1;  // Jet 3: a byte 1 on intermediate pages, 0 on leaves
    int indexBitmap = 27;
    int indexBitmapSize = 453;
    int indexFirstEntry() const { return indexBitmap + indexBitmapSize; }

    // A column entry of the definition, from its start.
    int columnSize = 25;
    int columnNumber = 5;
    int columnVariableIndex = 7;
    int columnPrecision = 11;
    int columnScale = 12;
    int columnFlags = 15;
    int columnFixedOffset = 21;
    int columnLength = 23;
    int columnCodePage = -1;  // Jet 3 texts: the Windows code page they are written in
    int columnMoreFlags = 16;  // Jet 4 and later: compressed texts (0x01), calculated columns (0xC0)
    int columnComplexId = 11;  // Access 2007 and later: a complex column's id, where others keep digits
    int nameLengthSize = 2;   // names: their byte length, then UTF-16LE (Jet 4) or code page bytes

    // Data pages: the row count, then the row offset table.
    int pageRowCount = 12;
    int pageFirstSlot = 14;

    // Rows: bytes of the column count and of each variable-column offset (Jet 3 offsets past
    // 255 go through a jump table).
    int rowCountSize = 2;
    int maxRowSize = 4060;
    // The largest memo or OLE value kept whole in one row of a long-value page.
    int maxLongValueRow = 4076;
};

const JetFileFormat& jet3FileFormat();
const JetFileFormat& jet4FileFormat();
// The format of a file whose pages are `pageSize` bytes: Jet 3 for 2 KB, Jet 4 otherwise.
const JetFileFormat& fileFormatFor(std::size_t pageSize);
// The format of a Jet 3 file when `jet3`, of a Jet 4 one otherwise.
inline const JetFileFormat& fileFormatOf(bool jet3)
{
    return jet3 ? jet3FileFormat() : jet4FileFormat();
}

}  // namespace kervane::jet
