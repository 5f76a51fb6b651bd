#pragma once
// Memo and OLE values too long to stay in their row, kept whole in one row of a long-value page
// ("LVAL" where a data page names its table) that the column's own usage maps list, or, past
// 4076 bytes (Jet 4) or 2032 (Jet 3), in pieces on new pages, each piece starting with the
// pointer to the next; and the long-value rows a deleted or rewritten row leaves, marked deleted.
// The file's format is that of the pages' size.
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;

class JetLongValueStore {
public:
    explicit JetLongValueStore(JetPages& pages) : m_pages(pages) {}

    // Checks that `size` bytes of `column` can be stored, and where: the room the values planned
    // before take on a page is counted. `appends` counts the pages the change appends before this
    // one, and grows when this value needs a new page.
    bool plan(const JetLayoutColumn& column, std::size_t size, std::uint32_t& appends, std::string& error);
    // Stores `data` where the plan put it (the values in the order they were planned); the data
    // pointer ((page << 8) | row) the row keeps, 0 when the pages refused a new page (the
    // transaction's memory full).
    std::uint32_t store(const JetLayoutColumn& column, const std::vector<unsigned char>& data);
    // The long-value rows `row` keeps outside itself, chains followed; false with a French
    // message when one cannot be read.
    bool referenced(const JetTableLayout& layout, const std::vector<unsigned char>& row, std::vector<JetRowId>& rows,
                    std::string& error);
    // Marks those rows deleted (and moved, as Access marks them).
    void release(const std::vector<JetRowId>& rows);
    // The bytes of the value whose field in a row is the `size` bytes at `field` (its reference,
    // then its bytes when the row keeps them), chains followed; false when the reference or a row
    // it leads to cannot be read.
    bool read(const unsigned char* field, std::size_t size, std::vector<unsigned char>& data);

private:
    const JetFileFormat& format() const;
    bool pageWithRoom(const JetLayoutColumn& column, int size, std::uint32_t& page);
    std::uint32_t newPage(const JetLayoutColumn& column);
    std::uint32_t storeChained(const JetLayoutColumn& column, const std::vector<unsigned char>& data);
    bool follow(std::uint32_t pointer, bool chained, std::vector<JetRowId>& rows);

    JetPages& m_pages;
    std::vector<std::uint32_t> m_targets;  // by value planned whole: its page, 0 for a new one
    std::size_t m_stored = 0;              // values planned whole and stored so far
    std::map<std::uint32_t, int> m_taken;  // room the plan takes on pages already there
};

// The values of a row of `layout` (read from `source`) as another file takes them: the bytes of
// each column as stored, memo and OLE values kept outside the row read whole. False with a
// French message when a long value cannot be read.
bool copiedValues(JetPages& source, const JetTableLayout& layout, const std::vector<unsigned char>& row,
                  std::vector<JetFieldValue>& values, std::string& error);

}  // namespace kervane::jet
