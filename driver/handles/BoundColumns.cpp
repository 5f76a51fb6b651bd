#include "driver/handles/BoundColumns.h"

#include "driver/handles/GetData.h"

#include <utility>

namespace kervane::odbc {
namespace {

// Address of a value or length: the bound one moved by bytes, none when nothing is bound.
template <class T>
T* rowAddress(char* first, SQLULEN bytes)
{
    return first == nullptr ? nullptr : reinterpret_cast<T*>(first + bytes);
}

}  // namespace

SQLLEN elementSize(SQLSMALLINT cType, SQLLEN bufferLength)
{
    switch (cType) {
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return sizeof(SQLINTEGER);
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        return sizeof(SQLSMALLINT);
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
    case SQL_C_BIT:
        return sizeof(SQLCHAR);
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return sizeof(SQLBIGINT);
    case SQL_C_DOUBLE:
        return sizeof(SQLDOUBLE);
    case SQL_C_FLOAT:
        return sizeof(SQLREAL);
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE:
        return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME:
        return sizeof(SQL_TIME_STRUCT);
    default:
        return bufferLength;
    }
}

bool convertibleCType(SQLSMALLINT cType)
{
    switch (cType) {
    case SQL_C_DEFAULT:
    case SQL_C_CHAR:
    case SQL_C_WCHAR:
    case SQL_C_BINARY:
        return true;
    default:
        return elementSize(cType, 0) != 0;
    }
}

const std::vector<BoundColumn>& boundColumns(Statement& statement)
{
    std::vector<BoundColumn>& columns = statement.boundLayout();
    if (!statement.boundLayoutStale())
        return columns;
    const bool byColumn = statement.rowBindType == SQL_BIND_BY_COLUMN;
    const auto& bindings = std::as_const(statement).bindings();
    columns.clear();
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const Binding& binding = bindings[i];
        if (binding.target == nullptr && binding.indicator == nullptr)
            continue;
        BoundColumn bound;
        bound.column = static_cast<int>(i) + 1;
        bound.info = &statement.column(bound.column);
        bound.cType = resolvedCType(binding.cType, *bound.info);
        bound.bufferLength = binding.bufferLength;
        bound.target = static_cast<char*>(binding.target);
        bound.indicator = reinterpret_cast<char*>(binding.indicator);
        bound.valueStep = byColumn ? static_cast<SQLULEN>(elementSize(bound.cType, binding.bufferLength))
                                   : statement.rowBindType;
        bound.indicatorStep = byColumn ? sizeof(SQLLEN) : statement.rowBindType;
        columns.push_back(bound);
    }
    statement.setBoundLayoutStale(false);
    return columns;
}

SQLRETURN fillBoundRow(Statement& statement, const std::vector<BoundColumn>& columns, SQLULEN offset, SQLULEN row)
{
    SQLRETURN result = SQL_SUCCESS;
    for (const BoundColumn& bound : columns) {
        statement.piece() = PieceState{};
        SQLLEN* indicator = rowAddress<SQLLEN>(bound.indicator, offset + row * bound.indicatorStep);
        const SQLRETURN rc
            = bound.target == nullptr
                  ? giveLength(statement, bound.column, *bound.info, bound.cType, indicator)
                  : giveValue(statement, bound.column, *bound.info, bound.cType,
                              rowAddress<void>(bound.target, offset + row * bound.valueStep), bound.bufferLength,
                              indicator);
        if (rc == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    statement.piece() = PieceState{};
    return result;
}

}  // namespace kervane::odbc
