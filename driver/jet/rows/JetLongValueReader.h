#pragma once
// Long values (memo and OLE columns) read from the pages JetFile::readPage gives, so that they
// follow the same page source as the rows: the file, or a transaction's pages laid over it.
//
// A row holds a 12-byte reference: a 32-bit word (the length, under two flags), a page-and-row
// pointer (page number in the upper three bytes, row in the low byte), 4 unused bytes. Flag
// 0x80000000: the value follows the reference in the row itself. Flag 0x40000000: the value is
// the whole of the one row pointed to. Neither: the value is a chain of rows, each starting
// with the page-and-row pointer of the next (0 ends the chain), the rest of each row being the
// value's next piece. Every page, row and pointer is checked before it is read.
#include "driver/jet/file/JetFile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

class LongValueReader {
public:
    static constexpr int kReferenceSize = 12;
    enum class Outcome { Read, Damaged, Stopped };

    explicit LongValueReader(JetFile& file);

    // The value whose reference is the `size` bytes at `field`; Stopped when `stop` (asked at
    // every long-value row) answered true.
    Outcome read(const unsigned char* field, int size, std::string& bytes, const std::function<bool()>& stop);

private:
    bool findRow(std::uint32_t pageRow, int& start, int& size);

    JetFile& m_file;
    std::vector<unsigned char> m_page;
};

}  // namespace kervane::jet
