#pragma once
// What a writer needs of a table definition (Jet 3, Jet 4 and the ACE formats that extend it):
// where each column lies in a row, the row count and AutoNumber counter, the usage maps, and what
// would stop it from writing.
#include "driver/jet/format/JetFileFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

// Column types as the definition stores them.
enum class JetType : unsigned char {
    Boolean = 0x01, Byte = 0x02, Integer = 0x03, Long = 0x04, Currency = 0x05, Single = 0x06,
    Double = 0x07, DateTime = 0x08, Binary = 0x09, Text = 0x0a, Ole = 0x0b, Memo = 0x0c,
    Guid = 0x0f, Decimal = 0x10,
    Complex = 0x12,       // Access 2007 and later: the key of values kept in a hidden table
    LargeNumber = 0x13,   // Access 2016 and later: a 64-bit integer
    ExtendedDate = 0x14,  // Access 2016 and later: JetExtendedDate.h
};

// Memo and OLE values, kept outside their rows when long.
inline bool isLongValue(JetType type)
{
    return type == JetType::Memo || type == JetType::Ole;
}
// Values of bytes: binary and OLE.
inline bool isBinary(JetType type)
{
    return type == JetType::Binary || type == JetType::Ole;
}

struct JetLayoutColumn {
    std::string name;
    JetType type = JetType::Text;
    int number = 0;         // bit of the null mask (counts deleted columns)
    int variableIndex = 0;  // entry of the variable-column offset table
    int fixedOffset = 0;    // from the first byte after the row's column count
    int length = 0;         // bytes (text: two per character in Jet 4, one in Jet 3)
    int codePage = 0;       // Jet 3 texts and memos: their Windows code page; 0: UTF-16LE
    int precision = 0;
    int scale = 0;
    int sortOrder = 0;    // text and memo: the number of their sort order (where a number's precision
    int sortVersion = 0;  // and scale lie) and its version; Jet 3: the file's sort order
    unsigned char flags = 0;
    unsigned char moreFlags = 0;  // Jet 4 and later: compressed texts, calculated columns
    // A calculated column: the type of its values, which its design gives (the definition's
    // type says how Access sized it); none until a writer is told.
    std::optional<JetType> resultType;
    // The usage maps of the pages holding this memo or OLE column's long values.
    bool hasLongValueMaps = false;
    std::uint32_t longValueOwned = 0;  // data pointers ((page << 8) | row) of the two maps
    std::uint32_t longValueFree = 0;
    bool fixed() const { return (flags & 0x01) != 0; }
    bool autoNumber() const { return (flags & 0x04) != 0 && type == JetType::Long; }
    bool replication() const { return (flags & 0x10) != 0; }
    bool calculated() const { return (moreFlags & 0xC0) != 0; }
};

// Whether the column keeps its values as long values: memo and OLE columns, and calculated
// columns whose values are memos.
inline bool storesLongValues(const JetLayoutColumn& column)
{
    return isLongValue(column.type) || (column.calculated() && column.resultType == JetType::Memo);
}

// A data pointer: page number and row number within the page.
struct JetRowId {
    std::uint32_t page = 0;
    int row = 0;
    static JetRowId fromPointer(std::uint32_t pointer) { return {pointer >> 8, static_cast<int>(pointer & 0xff)}; }
};

struct JetTableLayout {
    const JetFileFormat* format = &jet4FileFormat();
    std::uint32_t definitionPage = 0;
    unsigned char tableType = 0;       // 0x53 for a system table
    std::uint32_t rowCount = 0;
    std::uint32_t lastAutoNumber = 0;  // the counter: the AutoNumber last given
    int maxColumns = 0;                // columns a row holds, deleted ones included
    int variableColumns = 0;           // entries of a row's variable-column offset table
    std::uint32_t indexCount = 0;      // real (stored) indexes
    std::uint32_t logicalIndexCount = 0;
    JetRowId ownedPages;               // the usage map of the table's pages
    JetRowId freeSpacePages;           // the usage map of its pages with room
    std::vector<JetLayoutColumn> columns;  // in definition order
};

// Hides (or shows again: the same stream undoes itself) the part of a header page from 0x18 that
// every file keeps under a fixed RC4 key: 126 bytes in Jet 3, 128 in Jet 4.
void maskHeader(unsigned char* header, bool jet3);

// True when the file's page size fits the version its header states, it is no Access 2007 file a
// password encrypts and, for Jet 3, its texts are in a known code page; false with a French
// message otherwise.
bool checkWritableFile(JetPages& pages, std::string& error);

// The code page a Jet 3 header page names for the file's texts (under the header's mask).
int headerCodePage(const unsigned char* header);

// The bytes of the table definition starting on `page` over all its pages: the first page whole,
// then each continuation page after its 8-byte header; false when a page of the chain cannot be
// read, is no definition page, or the chain goes on past 65 pages (a loop).
bool readDefinitionBytes(JetPages& pages, std::uint32_t page, std::vector<unsigned char>& bytes);

// Reads the definition of the table whose definition starts on `page`; false with a French
// message when it is not a table definition or cannot be understood.
bool readTableLayout(JetPages& pages, std::uint32_t page, JetTableLayout& layout, std::string& error);

}  // namespace kervane::jet
