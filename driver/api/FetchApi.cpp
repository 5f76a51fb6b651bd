// Moving through the rows of a result and reading their values.
#include "driver/Entry.h"
#include "driver/GetData.h"

#include <sqlext.h>

using namespace kervane::odbc;

namespace {

SQLRETURN fetchNext(Statement& statement)
{
    const bool found = statement.fetch();
    if (statement.rowsFetched != nullptr)
        *statement.rowsFetched = found ? 1 : 0;
    if (!found) {
        if (statement.rowStatus != nullptr)
            *statement.rowStatus = SQL_ROW_NOROW;
        return SQL_NO_DATA;
    }
    if (statement.rowStatus != nullptr)
        *statement.rowStatus = SQL_ROW_SUCCESS;
    return statement.bindings().empty() ? SQL_SUCCESS : fillBoundColumns(statement);
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLFetch(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, fetchNext);
}

SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT StatementHandle, SQLSMALLINT FetchOrientation, SQLLEN)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        if (FetchOrientation != SQL_FETCH_NEXT)
            throw OdbcError{"HY106", "Le curseur ne se déplace que vers l'avant.", 0};
        return fetchNext(statement);
    });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return getData(statement, ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        if (ColumnNumber < 1)
            throw OdbcError{"07009", "Les signets (colonne 0) ne sont pas pris en charge.", 0};
        auto& bindings = statement.bindings();
        if (bindings.size() < ColumnNumber)
            bindings.resize(ColumnNumber);
        bindings[ColumnNumber - 1] = Binding{TargetType, TargetValue, BufferLength, StrLen_or_Ind};
        return SQL_SUCCESS;
    });
}

}  // extern "C"
