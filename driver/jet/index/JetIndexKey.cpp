#include "driver/jet/index/JetIndexKey.h"

#include "driver/jet/format/JetExtendedDate.h"
#include "driver/jet/format/JetValue.h"
#include "driver/jet/index/JetIndexText.h"
#include "driver/jet/index/JetIndexText97.h"
#include "driver/jet/rows/JetRowReading.h"

#include <algorithm>

namespace kervane::jet {

namespace {

bool isInteger(JetType type)
{
    return type == JetType::Integer || type == JetType::Long || type == JetType::Currency ||
           type == JetType::LargeNumber || type == JetType::Complex;
}

bool isFloating(JetType type)
{
    return type == JetType::Single || type == JetType::Double || type == JetType::DateTime;
}

// A replication ID's key: its 16 bytes in the order its text shows them (the row keeps its first
// three parts little-endian), with a mark after the eighth and one at the end, as genuine files
// key them; a descending key inverts all but the middle mark.
constexpr unsigned char kGuidMiddleMark = 0x09;
constexpr unsigned char kGuidEndMark = 0x08;
constexpr std::size_t kGuidMiddle = 8;

std::vector<unsigned char> guidKeyBytes(const unsigned char* value)
{
    static constexpr int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::vector<unsigned char> bytes;
    for (int i = 0; i < 16; ++i) {
        if (i == static_cast<int>(kGuidMiddle))
            bytes.push_back(kGuidMiddleMark);
        bytes.push_back(value[order[i]]);
    }
    bytes.push_back(kGuidEndMark);
    return bytes;
}

// An extended date's key: its 42 digits and marks (which sort as its date does) in five groups
// of eight, each followed by a tab, then the last two and a fixed end; a descending key inverts
// all but the tabs.
constexpr unsigned char kExtendedDateSeparator = 0x09;
constexpr std::size_t kExtendedDateGroup = 8;
constexpr std::size_t kExtendedDateGroups = 5;
constexpr unsigned char kExtendedDateEnd[] = {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02};

std::vector<unsigned char> extendedDateKeyBytes(const unsigned char* value)
{
    std::vector<unsigned char> bytes;
    const unsigned char* at = value;
    for (std::size_t group = 0; group < kExtendedDateGroups; ++group, at += kExtendedDateGroup) {
        bytes.insert(bytes.end(), at, at + kExtendedDateGroup);
        bytes.push_back(kExtendedDateSeparator);
    }
    bytes.insert(bytes.end(), at, value + kExtendedDateSize);
    bytes.insert(bytes.end(), std::begin(kExtendedDateEnd), std::end(kExtendedDateEnd));
    return bytes;
}

// The value's bytes most significant first, laid to sort in ascending order.
std::vector<unsigned char> ascendingBytes(JetType type, const unsigned char* value)
{
    if (type == JetType::Guid)
        return guidKeyBytes(value);
    if (type == JetType::ExtendedDate)
        return extendedDateKeyBytes(value);
    const int size = keyValueSize(type);
    std::vector<unsigned char> bytes(value, value + size);
    std::reverse(bytes.begin(), bytes.end());
    if (isInteger(type)) {
        bytes[0] ^= 0x80;  // negative numbers before positive ones
    } else if (isFloating(type)) {
        if ((bytes[0] & 0x80) != 0)  // negative: the larger the magnitude, the lower the key
            for (unsigned char& b : bytes)
                b = static_cast<unsigned char>(~b);
        else
            bytes[0] ^= 0x80;
    }
    return bytes;  // Byte: unsigned, as it is
}

bool appendRowText(std::vector<unsigned char>& key, const std::vector<unsigned char>& row,
                   const JetLayoutColumn& column, bool descending)
{
    // Jet 4 rows (appendRowText97 keys those of Jet 3).
    const std::optional<TextSortOrder> order = textSortOrderOf(column.sortOrder, column.sortVersion);
    if (!order)
        return false;
    if (!columnPresent(row, column))
        return appendTextKeyColumn(key, nullptr, descending, *order);
    std::size_t start = 0, end = 0;
    if (column.fixed()) {
        // Fixed-length text lies among the fixed columns, padded with spaces a key leaves out.
        start = 2 + static_cast<std::size_t>(column.fixedOffset);
        end = start + static_cast<std::size_t>(column.length);
        if (end > row.size())
            return false;
    } else if (!variableData(row, column, start, end)) {
        return false;
    }
    std::u16string text;
    return decodeRowText(row.data() + start, end - start, text) && appendTextKeyColumn(key, &text, descending, *order);
}

// Jet 3: the text's Windows-1252 bytes, in the General sort order of Access 97 only.
bool appendRowText97(std::vector<unsigned char>& key, const std::vector<unsigned char>& row,
                     const JetLayoutColumn& column, bool descending, const JetFileFormat& format)
{
    constexpr int kWindows1252 = 1252;
    if (column.sortOrder != kGeneral97SortOrder || column.codePage != kWindows1252 || column.fixed())
        return false;
    std::size_t start = 0, end = 0;
    if (!columnPresent(row, column, format))
        return appendJet3TextKeyColumn(key, nullptr, 0, descending);
    return variableData(row, column, start, end, format) &&
           appendJet3TextKeyColumn(key, row.data() + start, end - start, descending);
}

// A binary value of variable length, as Access keys one: its bytes in groups of eight, the last
// group padded with zeros and followed by the count of its own bytes. Only values of one group
// (1 to 8 bytes, what the queries' catalogue keys) are keyed here, in ascending order.
bool appendRowBinary(std::vector<unsigned char>& key, const std::vector<unsigned char>& row,
                     const JetLayoutColumn& column, bool descending, const JetFileFormat& format)
{
    constexpr std::size_t kGroup = 8;
    std::size_t start = 0, end = 0;
    if (descending || column.fixed() || !columnPresent(row, column, format) ||
        !variableData(row, column, start, end, format) || end <= start || end - start > kGroup)
        return false;
    key.push_back(indexkey::kAscendingValue);
    key.insert(key.end(), row.begin() + static_cast<std::ptrdiff_t>(start), row.begin() + static_cast<std::ptrdiff_t>(end));
    key.insert(key.end(), kGroup - (end - start), 0);
    key.push_back(static_cast<unsigned char>(end - start));
    return true;
}

}  // namespace

bool keyTypeKnown(JetType type, const JetFileFormat&)
{
    return type == JetType::Boolean || type == JetType::Text || type == JetType::Binary || keyValueSize(type) > 0;
}

int keyValueSize(JetType type)
{
    // A decimal is fixed in the row but has no number key here.
    return type == JetType::Decimal ? 0 : fixedSize(static_cast<int>(type));
}

bool appendKeyColumn(std::vector<unsigned char>& key, JetType type, bool descending, const unsigned char* value,
                     bool yes)
{
    if (!keyTypeKnown(type) || type == JetType::Text || type == JetType::Binary)
        return false;
    if (type == JetType::Boolean) {
        // Never Null: a value flag, then Yes before No.
        key.push_back(descending ? indexkey::kDescendingValue : indexkey::kAscendingValue);
        const unsigned char ascending = yes ? 0x00 : 0xff;
        key.push_back(descending ? static_cast<unsigned char>(~ascending) : ascending);
        return true;
    }
    if (value == nullptr) {
        key.push_back(descending ? indexkey::kDescendingNull : indexkey::kAscendingNull);
        return true;
    }
    key.push_back(descending ? indexkey::kDescendingValue : indexkey::kAscendingValue);
    const std::size_t start = key.size();
    for (unsigned char b : ascendingBytes(type, value))
        key.push_back(descending ? static_cast<unsigned char>(~b) : b);
    if (type == JetType::Guid)
        key[start + kGuidMiddle] = kGuidMiddleMark;
    if (type == JetType::ExtendedDate)
        for (std::size_t group = 1; group <= kExtendedDateGroups; ++group)
            key[start + group * (kExtendedDateGroup + 1) - 1] = kExtendedDateSeparator;
    return true;
}

bool rowIndexKey(const std::vector<unsigned char>& row, const std::vector<JetKeyColumn>& columns,
                 std::vector<unsigned char>& key, const JetFileFormat& format)
{
    key.clear();
    for (const JetKeyColumn& part : columns) {
        const JetLayoutColumn& column = *part.column;
        if (!keyTypeKnown(column.type, format))
            return false;
        const bool present = columnPresent(row, column, format);
        if (column.type == JetType::Boolean) {
            // A Yes/No value is its bit of the null mask.
            if (!appendKeyColumn(key, column.type, part.descending, nullptr, present))
                return false;
            continue;
        }
        if (column.type == JetType::Text) {
            if (!(format.jet3 ? appendRowText97(key, row, column, part.descending, format)
                              : appendRowText(key, row, column, part.descending)))
                return false;
            continue;
        }
        if (column.type == JetType::Binary) {
            if (!appendRowBinary(key, row, column, part.descending, format))
                return false;
            continue;
        }
        // A number lies among the fixed columns, or (in some of Access's own tables) among the
        // variable ones.
        std::size_t at = static_cast<std::size_t>(format.rowCountSize + column.fixedOffset);
        std::size_t end = row.size();
        if (!column.fixed() && present && !variableData(row, column, at, end, format))
            return false;
        if (present && at + static_cast<std::size_t>(keyValueSize(column.type)) > end)
            return false;
        appendKeyColumn(key, column.type, part.descending, present ? row.data() + at : nullptr);
    }
    return true;
}

}  // namespace kervane::jet
