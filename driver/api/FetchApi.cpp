// Moving through the rows of a result and reading their values.
#include "driver/api/Entry.h"
#include "driver/handles/BoundColumns.h"
#include "driver/handles/GetData.h"
#include "driver/handles/RowsetFetch.h"

#include <sqlext.h>

using namespace kervane::odbc;

namespace {

// SQLFetch and SQLFetchScroll: one rowset of SQL_ATTR_ROW_ARRAY_SIZE rows.
SQLRETURN fetchNext(Statement& statement)
{
    RowsetRequest request;
    request.size = statement.rowArraySize;
    request.rowsFetched = statement.rowsFetched;
    request.rowStatus = statement.rowStatus;
    return fetchRowset(statement, request);
}

void requireNext(SQLSMALLINT orientation)
{
    if (orientation != SQL_FETCH_NEXT)
        throw OdbcError{"HY106", "Le curseur ne se déplace que vers l'avant.", 0};
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
        requireNext(FetchOrientation);
        return fetchNext(statement);
    });
}

// ODBC 2: a rowset of SQL_ROWSET_SIZE rows, its count and statuses given by the caller.
SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT StatementHandle, SQLUSMALLINT FetchType, SQLLEN, SQLULEN* RowCount,
                                   SQLUSMALLINT* RowStatus)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        requireNext(static_cast<SQLSMALLINT>(FetchType));
        RowsetRequest request;
        request.size = statement.rowsetSize;
        request.rowsFetched = RowCount;
        request.rowStatus = RowStatus;
        request.odbc2 = true;
        return fetchRowset(statement, request);
    });
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        // A forward-only cursor gives no single current row inside a rowset of several.
        if (statement.rowsetAsked > 1)
            throw OdbcError{"HY109", "SQLGetData n'est pas permis quand le bloc de lignes compte plus d'une ligne.",
                            0};
        return getData(statement, ColumnNumber, TargetType, TargetValue, BufferLength, StrLen_or_Ind);
    });
}

SQLRETURN SQL_API SQLBindCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLSMALLINT TargetType,
                             SQLPOINTER TargetValue, SQLLEN BufferLength, SQLLEN* StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        if (ColumnNumber < 1)
            throw OdbcError{"07009", "Les signets (colonne 0) ne sont pas pris en charge.", 0};
        if (BufferLength < 0)
            throw OdbcError{"HY090", "La longueur de la zone de réception ne peut être négative.", 0};
        if (TargetValue != nullptr && !convertibleCType(TargetType))
            throw OdbcError{"HY003", "Type C " + std::to_string(TargetType) + " non pris en charge par ce pilote.", 0};
        auto& bindings = statement.bindings();
        if (bindings.size() < ColumnNumber)
            bindings.resize(ColumnNumber);
        bindings[ColumnNumber - 1] = Binding{TargetType, TargetValue, BufferLength, StrLen_or_Ind};
        while (!bindings.empty() && bindings.back().target == nullptr && bindings.back().indicator == nullptr)
            bindings.pop_back();
        return SQL_SUCCESS;
    });
}

}  // extern "C"
