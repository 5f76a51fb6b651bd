// Preparing and running statements, and describing their result columns.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/values/UnicodeText.h"

#include <sqlext.h>

using namespace kervane::odbc;

namespace {

void requirePrepared(const Statement& statement)
{
    if (!statement.isPrepared())
        throw OdbcError{"HY010", "Aucune instruction n'a été préparée ou exécutée.", 0};
}

SQLRETURN numericAttribute(SQLLEN value, SQLLEN* target)
{
    if (target != nullptr)
        *target = value;
    return SQL_SUCCESS;
}

}  // namespace

namespace kervane::odbc {

SQLRETURN columnAttribute(Statement& statement, SQLUSMALLINT number, SQLUSMALLINT field, const TextTarget& text,
                          SQLSMALLINT* outLength, SQLLEN* numeric)
{
    const auto textAttribute = [&](std::string_view value) {
        return text.put(value, outLength, statement.diagnostics());
    };
    requirePrepared(statement);
    if (field == SQL_DESC_COUNT || field == SQL_COLUMN_COUNT)
        return numericAttribute(statement.columnCount(), numeric);
    const ColumnInfo& column = statement.column(number);
    const ColumnType& type = column.type;
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_COLUMN_NAME:
    case SQL_DESC_LABEL:
        return textAttribute(column.name);
    case SQL_DESC_BASE_COLUMN_NAME:
        return textAttribute(column.baseName);
    case SQL_DESC_TABLE_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
        return textAttribute(column.tableName);
    case SQL_DESC_SCHEMA_NAME:
    case SQL_DESC_CATALOG_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
        return textAttribute("");
    case SQL_DESC_TYPE_NAME:
    case SQL_DESC_LOCAL_TYPE_NAME:
        return textAttribute(type.typeName);
    case SQL_DESC_CONCISE_TYPE:
        return numericAttribute(sqlTypeFor(type, statement.isOdbc3()), numeric);
    case SQL_DESC_TYPE:
        return numericAttribute(type.sqlType == SQL_TIMESTAMP && statement.isOdbc3() ? SQL_DATETIME
                                                                                     : sqlTypeFor(type, false),
                                numeric);
    case SQL_COLUMN_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
        return numericAttribute(octetLength(type), numeric);
    case SQL_DESC_LENGTH:
    case SQL_COLUMN_PRECISION:
        return numericAttribute(static_cast<SQLLEN>(type.precision), numeric);
    case SQL_DESC_PRECISION:
        return numericAttribute(numericRadix(type) != 0 ? static_cast<SQLLEN>(type.precision) : 0, numeric);
    case SQL_COLUMN_SCALE:
    case SQL_DESC_SCALE:
        return numericAttribute(type.scale, numeric);
    case SQL_DESC_DISPLAY_SIZE:
        return numericAttribute(displaySize(type), numeric);
    case SQL_COLUMN_NULLABLE:
    case SQL_DESC_NULLABLE:
        return numericAttribute(column.nullable, numeric);
    case SQL_DESC_UNSIGNED:
        return numericAttribute(numericRadix(type) == 0 || type.sqlType == SQL_TINYINT ? SQL_TRUE : SQL_FALSE,
                                numeric);
    case SQL_DESC_FIXED_PREC_SCALE:
        return numericAttribute(type.typeName == "CURRENCY" ? SQL_TRUE : SQL_FALSE, numeric);
    case SQL_DESC_UPDATABLE:
        return numericAttribute(SQL_ATTR_READWRITE_UNKNOWN, numeric);
    case SQL_DESC_AUTO_UNIQUE_VALUE:
        return numericAttribute(column.autoIncrement ? SQL_TRUE : SQL_FALSE, numeric);
    case SQL_DESC_CASE_SENSITIVE:
        return numericAttribute(isCharacterType(type.sqlType) ? SQL_TRUE : SQL_FALSE, numeric);
    case SQL_DESC_SEARCHABLE:
        return numericAttribute(type.sqlType == SQL_LONGVARBINARY || type.sqlType == SQL_LONGVARCHAR
                                    ? SQL_PRED_CHAR
                                    : SQL_PRED_SEARCHABLE,
                                numeric);
    case SQL_DESC_NUM_PREC_RADIX:
        return numericAttribute(numericRadix(type), numeric);
    case SQL_DESC_UNNAMED:
        return numericAttribute(column.name.empty() ? SQL_UNNAMED : SQL_NAMED, numeric);
    default:
        throw OdbcError{"HY091", "Attribut de colonne " + std::to_string(field) + " inconnu.", 0};
    }
}

SQLRETURN describeColumn(Statement& statement, SQLUSMALLINT number, const TextTarget& name, SQLSMALLINT* nameLength,
                         SQLSMALLINT* dataType, SQLULEN* columnSize, SQLSMALLINT* decimalDigits, SQLSMALLINT* nullable)
{
    requirePrepared(statement);
    const ColumnInfo& column = statement.column(number);
    if (dataType != nullptr)
        *dataType = sqlTypeFor(column.type, statement.isOdbc3());
    if (columnSize != nullptr)
        *columnSize = column.type.precision;
    if (decimalDigits != nullptr)
        *decimalDigits = column.type.scale;
    if (nullable != nullptr)
        *nullable = column.nullable;
    return name.put(column.name, nameLength, statement.diagnostics());
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLPrepare(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        statement.prepare(inText(StatementText, TextLength));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        return statement.run();
    });
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT StatementHandle, SQLCHAR* StatementText, SQLINTEGER TextLength)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        statement.prepare(inText(StatementText, TextLength));
        return statement.run();
    });
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT StatementHandle, SQLLEN* RowCount)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        const SQLLEN count = statement.rowCount();
        if (RowCount != nullptr)
            *RowCount = count;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT StatementHandle, SQLSMALLINT* ColumnCount)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        requirePrepared(statement);
        if (ColumnCount != nullptr)
            *ColumnCount = static_cast<SQLSMALLINT>(statement.columnCount());
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLCHAR* ColumnName,
                                 SQLSMALLINT BufferLength, SQLSMALLINT* NameLength, SQLSMALLINT* DataType,
                                 SQLULEN* ColumnSize, SQLSMALLINT* DecimalDigits, SQLSMALLINT* Nullable)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return describeColumn(statement, ColumnNumber, TextTarget::narrow(ColumnName, BufferLength), NameLength,
                              DataType, ColumnSize, DecimalDigits, Nullable);
    });
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT StatementHandle, SQLUSMALLINT ColumnNumber, SQLUSMALLINT FieldIdentifier,
                                  SQLPOINTER CharacterAttribute, SQLSMALLINT BufferLength, SQLSMALLINT* StringLength,
                                  SQLLEN* NumericAttribute)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return columnAttribute(statement, ColumnNumber, FieldIdentifier,
                               TextTarget::narrow(CharacterAttribute, BufferLength), StringLength, NumericAttribute);
    });
}

SQLRETURN SQL_API SQLColAttributes(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT fDescType, SQLPOINTER rgbDesc,
                                   SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc, SQLLEN* pfDesc)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return columnAttribute(statement, icol, fDescType, TextTarget::narrow(rgbDesc, cbDescMax), pcbDesc, pfDesc);
    });
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt)
{
    // One statement gives at most one result set.
    return guarded<Statement>(hstmt, [&](Statement&) -> SQLRETURN { return SQL_NO_DATA; });
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT StatementHandle)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        statement.closeCursor();
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT StatementHandle)
{
    // Usually called from another thread than the running call's: it neither waits for that
    // call nor touches its diagnostics, and posts none of its own.
    Statement* statement = handleOf<Statement>(StatementHandle);
    if (statement == nullptr)
        return SQL_INVALID_HANDLE;
    try {
        statement->connection().cancel(*statement);
        return SQL_SUCCESS;
    } catch (...) {
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLNativeSql(SQLHDBC hdbc, SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                               SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr)
{
    return guarded<Connection>(hdbc, [&](Connection& connection) {
        const std::string_view text = inText(szSqlStrIn, cbSqlStrIn);
        requireUtf8(text, NATIVE_STATEMENT_TEXT);
        return copyText(text, szSqlStr, cbSqlStrMax, pcbSqlStr, connection.diagnostics());
    });
}

}  // extern "C"
