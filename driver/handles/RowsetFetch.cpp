#include "driver/handles/RowsetFetch.h"

#include "driver/handles/BoundColumns.h"

namespace kervane::odbc {
namespace {

// Fills one row of the rowset; its diagnostics are marked with its number.
SQLUSMALLINT fillRow(Statement& statement, const std::vector<BoundColumn>& columns, SQLULEN offset, SQLULEN row,
                     bool odbc2)
{
    Diagnostics& diagnostics = statement.diagnostics();
    const std::size_t first = diagnostics.records().size();
    SQLUSMALLINT status = SQL_ROW_SUCCESS;
    try {
        if (fillBoundRow(statement, columns, offset, row) == SQL_SUCCESS_WITH_INFO)
            status = SQL_ROW_SUCCESS_WITH_INFO;
    } catch (const OdbcError& error) {
        statement.piece() = PieceState{};
        if (odbc2)
            diagnostics.add("01S01", "Erreur dans la ligne " + std::to_string(row + 1) + " du bloc de lignes.");
        diagnostics.add(error);
        status = SQL_ROW_ERROR;
    }
    diagnostics.markRow(first, static_cast<SQLLEN>(row + 1));
    return status;
}

// Rows of the rowset past the end of the result, and the count of those read.
void finish(const RowsetRequest& request, SQLULEN fetched)
{
    if (request.rowStatus != nullptr)
        for (SQLULEN row = fetched; row < request.size; ++row)
            request.rowStatus[row] = SQL_ROW_NOROW;
    if (request.rowsFetched != nullptr)
        *request.rowsFetched = fetched;
}

}  // namespace

SQLRETURN fetchRowset(Statement& statement, const RowsetRequest& request)
{
    const std::vector<BoundColumn>* columns = nullptr;  // laid out once the cursor is on a row
    const SQLULEN offset = statement.rowBindOffset != nullptr ? *statement.rowBindOffset : 0;
    statement.rowsetAsked = request.size;
    statement.rowsetRows = 0;
    SQLULEN fetched = 0;
    SQLULEN failed = 0;
    bool warned = false;
    try {
        while (fetched < request.size && statement.fetch()) {
            if (columns == nullptr)
                columns = &boundColumns(statement);
            const SQLUSMALLINT status
                = columns->empty() ? SQL_ROW_SUCCESS : fillRow(statement, *columns, offset, fetched, request.odbc2);
            if (request.rowStatus != nullptr)
                request.rowStatus[fetched] = status;
            failed += status == SQL_ROW_ERROR ? 1 : 0;
            warned = warned || status != SQL_ROW_SUCCESS;
            ++fetched;
        }
    } catch (...) {
        // The result could not be read further: the rows read so far stay given.
        finish(request, fetched);
        statement.rowsetRows = fetched;
        throw;
    }
    finish(request, fetched);
    statement.rowsetRows = fetched;
    if (fetched == 0)
        return SQL_NO_DATA;
    if (failed > 0 && request.size == 1)
        return SQL_ERROR;
    return warned ? SQL_SUCCESS_WITH_INFO : SQL_SUCCESS;
}

}  // namespace kervane::odbc
