#include "driver/handles/Parameters.h"

#include <algorithm>

namespace kervane::odbc {

SQLSMALLINT effectiveCType(const ParameterBinding& binding)
{
    if (binding.cType != SQL_C_DEFAULT)
        return binding.cType;
    switch (binding.sqlType) {
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return SQL_C_WCHAR;
    case SQL_BIT: return SQL_C_BIT;
    case SQL_TINYINT: return SQL_C_STINYINT;
    case SQL_SMALLINT: return SQL_C_SSHORT;
    case SQL_INTEGER: return SQL_C_SLONG;
    case SQL_BIGINT: return SQL_C_SBIGINT;
    case SQL_REAL: return SQL_C_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE: return SQL_C_DOUBLE;
    case SQL_DATE:
    case SQL_TYPE_DATE: return SQL_C_TYPE_DATE;
    case SQL_TIME:
    case SQL_TYPE_TIME: return SQL_C_TYPE_TIME;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP: return SQL_C_TYPE_TIMESTAMP;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return SQL_C_BINARY;
    default: return SQL_C_CHAR;  // texts, and exact numbers (NUMERIC, DECIMAL) as ODBC says
    }
}

std::string declarationForBinding(const ParameterBinding& binding)
{
    switch (binding.sqlType) {
    case SQL_BIT: return "BIT";
    case SQL_TINYINT: return "BYTE";
    case SQL_SMALLINT: return "SHORT";
    case SQL_INTEGER: return "LONG";
    case SQL_REAL: return "SINGLE";
    case SQL_FLOAT:
    case SQL_DOUBLE: return "DOUBLE";
    case SQL_NUMERIC:
    case SQL_DECIMAL: {
        // Access's decimals hold 1 to 28 digits.
        const SQLULEN precision = std::clamp<SQLULEN>(binding.columnSize, 1, 28);
        const SQLSMALLINT scale = std::clamp<SQLSMALLINT>(binding.digits, 0, static_cast<SQLSMALLINT>(precision));
        return "DECIMAL(" + std::to_string(precision) + ", " + std::to_string(scale) + ")";
    }
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP: return "DATETIME";
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return "MEMO";
    case SQL_BINARY:
    case SQL_VARBINARY: return "VARBINARY(255)";
    case SQL_LONGVARBINARY: return "LONGBINARY";
    case SQL_GUID: return "GUID";
    default: return {};  // texts and big integers: as their values come
    }
}

std::size_t fixedSize(SQLSMALLINT cType)
{
    switch (cType) {
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT: return 1;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT: return sizeof(SQLSMALLINT);
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG: return sizeof(SQLINTEGER);
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT: return sizeof(SQLBIGINT);
    case SQL_C_FLOAT: return sizeof(SQLREAL);
    case SQL_C_DOUBLE: return sizeof(SQLDOUBLE);
    case SQL_C_NUMERIC: return sizeof(SQL_NUMERIC_STRUCT);
    case SQL_C_GUID: return sizeof(SQLGUID);
    case SQL_C_DATE:
    case SQL_C_TYPE_DATE: return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TIME:
    case SQL_C_TYPE_TIME: return sizeof(SQL_TIME_STRUCT);
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_TIMESTAMP: return sizeof(SQL_TIMESTAMP_STRUCT);
    default: return 0;
    }
}

bool isKnownCType(SQLSMALLINT cType)
{
    return cType == SQL_C_CHAR || cType == SQL_C_WCHAR || cType == SQL_C_BINARY || cType == SQL_C_DEFAULT
        || fixedSize(cType) != 0;
}

ParameterCell cellOf(const ParameterBinding& binding, const ParameterArrays& arrays, SQLULEN set)
{
    const SQLULEN offset = arrays.bindOffset != nullptr ? *arrays.bindOffset : 0;
    const auto* value = static_cast<const char*>(binding.value);
    const auto* indicator = reinterpret_cast<const char*>(binding.indicator);
    SQLULEN valueStep = arrays.bindType;
    SQLULEN indicatorStep = arrays.bindType;
    if (arrays.bindType == SQL_PARAM_BIND_BY_COLUMN) {
        const std::size_t fixed = fixedSize(effectiveCType(binding));
        valueStep = fixed != 0 ? fixed : static_cast<SQLULEN>(binding.bufferLength);
        indicatorStep = sizeof(SQLLEN);
    }
    ParameterCell cell;
    if (value != nullptr)
        cell.value = value + offset + set * valueStep;
    if (indicator != nullptr)
        cell.indicator = reinterpret_cast<const SQLLEN*>(indicator + offset + set * indicatorStep);
    return cell;
}

bool isDataAtExec(const SQLLEN* indicator)
{
    return indicator != nullptr && (*indicator == SQL_DATA_AT_EXEC || *indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET);
}

}  // namespace kervane::odbc
