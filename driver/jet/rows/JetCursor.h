#pragma once
// A full walk over the rows of one table: data pages in usage-map order, rows in slot order,
// every page, row and long-value pointer checked before libmdb reads it. A row met by a walk can
// be read again later from its position, without walking to it.
#include "driver/jet/file/JetFile.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/rows/JetComplexValues.h"
#include "driver/jet/rows/JetLongValueReader.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kervane::jet {

// Where a walk met a row: its slot on a data page of the table (a moved row is followed from
// there) and its number in the walk, which is its rowid.
struct RowPosition {
    std::uint32_t page = 0;
    std::uint16_t row = 0;
    std::int64_t rowid = 0;
};

class JetCursor {
public:
    JetCursor(JetFile& file, const JetTable& table);
    ~JetCursor();
    JetCursor(const JetCursor&) = delete;
    JetCursor& operator=(const JetCursor&) = delete;

    // Asked at every page and row; when it answers true the walk stops with interrupted() set.
    void setInterruptCheck(std::function<bool()> check) { m_interruptCheck = std::move(check); }

    // Positions on the first row; false with a French message on a damage or an interrupt.
    bool rewind(std::string& error);
    bool next(std::string& error);
    bool atEnd() const { return m_atEnd; }
    bool interrupted() const { return m_interrupted; }
    std::int64_t rowid() const { return m_rowid; }
    // Position of the current row (valid while not atEnd()).
    RowPosition position() const;
    // Makes the row at `at`, a position a walk of this table gave, the current row; false with a
    // French message when it is no longer a live row of the table, or on an interrupt.
    bool seek(const RowPosition& at, std::string& error);
    // Value of column `column` of the current row.
    bool value(int column, SqlValue& result, std::string& error);
    // The key a complex column of the current row keeps (Null when none): what its values in the
    // hidden table are found by.
    void complexKey(int column, SqlValue& result) const;

private:
    struct Fields;

    bool advance(std::string& error);
    bool nextPage(bool& found, std::string& error);
    bool holdPage(std::uint32_t page, bool& ownPage, std::string& error);
    bool openRow(int row, bool& live, std::string& error);
    bool loadRow(const datapage::Slot& slot, std::string& error);
    bool followOverflow(const datapage::Slot& slot, datapage::Slot& target, std::string& error);
    bool readLongValue(const JetColumn& column, int start, int size, std::string& bytes, std::string& error);
    bool calculatedValue(const JetColumn& column, int start, int size, SqlValue& result, std::string& error);
    // The values of the table's complex columns, read at the first one asked for, once for the
    // cursor's life (a row sought by its position included).
    bool loadComplexValues(std::string& error);
    std::string damage(const std::string& precision) const;
    bool stopRequested(std::string& error);

    JetFile& m_file;
    const JetTable& m_table;
    UsageMapWalk m_map;
    std::vector<unsigned char> m_page;      // the data page being walked
    std::vector<unsigned char> m_moved;     // the page of a row moved elsewhere
    LongValueReader m_longValues;
    std::uint32_t m_pageNumber = 0;
    bool m_pageHeld = false;  // m_page holds data page m_pageNumber of this table
    int m_rowCount = 0;
    int m_nextRow = 0;
    const unsigned char* m_rowPage = nullptr;
    std::uint32_t m_rowPageNumber = 0;
    datapage::Slot m_slot;
    std::unique_ptr<Fields> m_fields;
    std::int64_t m_rowid = 0;
    bool m_atEnd = true;
    std::map<int, JetComplexValues> m_complex;  // by column
    bool m_complexLoaded = false;
    std::function<bool()> m_interruptCheck;
    bool m_interrupted = false;
};

}  // namespace kervane::jet
