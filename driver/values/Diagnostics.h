#pragma once
// Diagnostic records of one handle, as SQLGetDiagRec, SQLGetDiagField and SQLError read them.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <string_view>
#include <vector>

namespace kervane::odbc {

// Prefix that identifies this driver in every message, as ODBC drivers do.
inline constexpr std::string_view MESSAGE_PREFIX = "[Kervane][Pilote ODBC Access]";

// A failure on its way out of an entry point: state, French text, native error.
struct OdbcError {
    std::string state;
    std::string message;
    SQLINTEGER native = 0;
};

struct DiagRecord {
    std::string state;
    std::string message;  // with the driver prefix
    SQLINTEGER native = 0;
    SQLLEN row = SQL_ROW_NUMBER_UNKNOWN;  // row of the rowset it concerns, from 1, when it concerns one
};

class Diagnostics {
public:
    void clear() noexcept
    {
        if (!m_records.empty())
            m_records.clear();
    }
    // Adds a record and returns the code the entry point gives back: SQL_ERROR, or
    // SQL_SUCCESS_WITH_INFO for a state of class 01 (warning).
    SQLRETURN add(std::string_view state, std::string_view message, SQLINTEGER native = 0);
    SQLRETURN add(const OdbcError& error) { return add(error.state, error.message, error.native); }

    const std::vector<DiagRecord>& records() const noexcept { return m_records; }
    // The records added since the count first were about row (from 1) of a rowset.
    void markRow(std::size_t first, SQLLEN row) noexcept
    {
        for (std::size_t i = first; i < m_records.size(); ++i)
            m_records[i].row = row;
    }
    // ODBC 2 SQLError: reads the first record and removes it.
    bool popFirst(DiagRecord& record);

private:
    std::vector<DiagRecord> m_records;
};

}  // namespace kervane::odbc
