#include "driver/BoundColumns.h"

#include "driver/GetData.h"

namespace kervane::odbc {
namespace {

char* shifted(void* base, SQLULEN bytes)
{
    return base == nullptr ? nullptr : static_cast<char*>(base) + bytes;
}

template <class T>
T* rowAddress(char* first, SQLULEN step, SQLULEN row)
{
    return first == nullptr ? nullptr : reinterpret_cast<T*>(first + row * step);
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

void layOutBoundColumns(Statement& statement, std::vector<BoundColumn>& columns)
{
    const SQLULEN offset = statement.rowBindOffset != nullptr ? *statement.rowBindOffset : 0;
    const bool byColumn = statement.rowBindType == SQL_BIND_BY_COLUMN;
    columns.clear();
    const auto& bindings = statement.bindings();
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const Binding& binding = bindings[i];
        if (binding.target == nullptr && binding.indicator == nullptr)
            continue;
        BoundColumn bound;
        bound.column = static_cast<int>(i) + 1;
        bound.info = &statement.column(bound.column);
        bound.cType = resolvedCType(binding.cType, *bound.info);
        bound.bufferLength = binding.bufferLength;
        bound.target = shifted(binding.target, offset);
        bound.indicator = shifted(binding.indicator, offset);
        bound.valueStep = byColumn ? static_cast<SQLULEN>(elementSize(bound.cType, binding.bufferLength))
                                   : statement.rowBindType;
        bound.indicatorStep = byColumn ? sizeof(SQLLEN) : statement.rowBindType;
        columns.push_back(bound);
    }
}

SQLRETURN fillBoundRow(Statement& statement, const std::vector<BoundColumn>& columns, SQLULEN row)
{
    SQLRETURN result = SQL_SUCCESS;
    for (const BoundColumn& bound : columns) {
        statement.piece() = PieceState{};
        const SQLRETURN rc = giveValue(statement, bound.column, *bound.info, bound.cType,
                                       rowAddress<void>(bound.target, bound.valueStep, row), bound.bufferLength,
                                       rowAddress<SQLLEN>(bound.indicator, bound.indicatorStep, row));
        if (rc == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    statement.piece() = PieceState{};
    return result;
}

}  // namespace kervane::odbc
