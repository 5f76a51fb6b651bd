#include "driver/BoundColumns.h"

#include "driver/GetData.h"

namespace kervane::odbc {
namespace {

template <class T>
T* shifted(T* base, SQLULEN bytes)
{
    return base == nullptr ? nullptr
                           : reinterpret_cast<T*>(reinterpret_cast<char*>(base) + static_cast<std::ptrdiff_t>(bytes));
}

}  // namespace

RowsetLayout rowsetLayout(const Statement& statement)
{
    RowsetLayout layout;
    layout.bindType = statement.rowBindType;
    layout.offset = statement.rowBindOffset != nullptr ? *statement.rowBindOffset : 0;
    return layout;
}

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

SQLRETURN fillBoundRow(Statement& statement, const RowsetLayout& layout, SQLULEN row)
{
    SQLRETURN result = SQL_SUCCESS;
    const auto& bindings = statement.bindings();
    const bool byColumn = layout.bindType == SQL_BIND_BY_COLUMN;
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const Binding& binding = bindings[i];
        if (binding.target == nullptr && binding.indicator == nullptr)
            continue;
        const int column = static_cast<int>(i) + 1;
        const SQLSMALLINT cType = resolvedCType(binding.cType, statement.column(column));
        const SQLULEN valueStep = byColumn ? static_cast<SQLULEN>(elementSize(cType, binding.bufferLength))
                                           : layout.bindType;
        const SQLULEN indicatorStep = byColumn ? sizeof(SQLLEN) : layout.bindType;
        SQLPOINTER target = shifted(binding.target, layout.offset + row * valueStep);
        SQLLEN* indicator = shifted(binding.indicator, layout.offset + row * indicatorStep);
        statement.piece() = PieceState{};
        if (getData(statement, column, cType, target, binding.bufferLength, indicator) == SQL_SUCCESS_WITH_INFO)
            result = SQL_SUCCESS_WITH_INFO;
    }
    statement.piece() = PieceState{};
    return result;
}

}  // namespace kervane::odbc
