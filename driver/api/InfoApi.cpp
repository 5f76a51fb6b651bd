// What the driver tells about itself and the database: SQLGetInfo and SQLGetFunctions.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/jet/file/JetFile.h"

#include <sqlext.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

using namespace kervane::odbc;

namespace {

constexpr std::array<SQLUSMALLINT, 61> FUNCTIONS = {
    SQL_API_SQLALLOCCONNECT,    SQL_API_SQLALLOCENV,        SQL_API_SQLALLOCHANDLE,     SQL_API_SQLALLOCSTMT,
    SQL_API_SQLBINDCOL,         SQL_API_SQLCANCEL,          SQL_API_SQLCLOSECURSOR,     SQL_API_SQLCOLATTRIBUTE,
    SQL_API_SQLCOLUMNS,         SQL_API_SQLCONNECT,         SQL_API_SQLDESCRIBECOL,     SQL_API_SQLDISCONNECT,
    SQL_API_SQLDRIVERCONNECT,   SQL_API_SQLENDTRAN,         SQL_API_SQLERROR,           SQL_API_SQLEXECDIRECT,
    SQL_API_SQLEXECUTE,         SQL_API_SQLFETCH,           SQL_API_SQLFETCHSCROLL,     SQL_API_SQLFREECONNECT,
    SQL_API_SQLFREEENV,         SQL_API_SQLFREEHANDLE,      SQL_API_SQLFREESTMT,        SQL_API_SQLGETCONNECTATTR,
    SQL_API_SQLGETCONNECTOPTION, SQL_API_SQLGETDATA,        SQL_API_SQLGETDIAGFIELD,    SQL_API_SQLGETDIAGREC,
    SQL_API_SQLGETENVATTR,      SQL_API_SQLGETFUNCTIONS,    SQL_API_SQLGETINFO,         SQL_API_SQLGETSTMTATTR,
    SQL_API_SQLGETSTMTOPTION,   SQL_API_SQLMORERESULTS,     SQL_API_SQLNATIVESQL,       SQL_API_SQLNUMPARAMS,
    SQL_API_SQLNUMRESULTCOLS,   SQL_API_SQLPREPARE,         SQL_API_SQLROWCOUNT,        SQL_API_SQLSETCONNECTATTR,
    SQL_API_SQLSETCONNECTOPTION, SQL_API_SQLSETENVATTR,     SQL_API_SQLSETSTMTATTR,     SQL_API_SQLSETSTMTOPTION,
    SQL_API_SQLTABLES,          SQL_API_SQLTRANSACT,        SQL_API_SQLCOLATTRIBUTES,
    SQL_API_SQLBINDPARAMETER,   SQL_API_SQLBINDPARAM,       SQL_API_SQLDESCRIBEPARAM,   SQL_API_SQLPARAMDATA,
    SQL_API_SQLPUTDATA,         SQL_API_SQLPARAMOPTIONS,    SQL_API_SQLSETPARAM,
    SQL_API_SQLEXTENDEDFETCH,
    SQL_API_SQLGETTYPEINFO,     SQL_API_SQLSTATISTICS,      SQL_API_SQLPRIMARYKEYS,     SQL_API_SQLSPECIALCOLUMNS,
    SQL_API_SQLPROCEDURES,
    SQL_API_SQLFOREIGNKEYS,
};

bool implemented(SQLUSMALLINT function)
{
    return std::find(FUNCTIONS.begin(), FUNCTIONS.end(), function) != FUNCTIONS.end();
}

// "03.40.0001 SQLite": the engine's version in the ##.##.#### form ODBC asks for.
std::string engineVersion()
{
    const int number = sqlite3_libversion_number();
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d SQLite", number / 1000000, (number / 1000) % 1000,
                  number % 1000);
    return text;
}

std::string fileName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool textInfo(Connection& connection, SQLUSMALLINT type, std::string& text)
{
    const bool connected = connection.isConnected();
    switch (type) {
    case SQL_DRIVER_NAME:
        text = "libkervaneodbc.so";
        return true;
    case SQL_DRIVER_VER:
        text = "01.00.0000";
        return true;
    case SQL_DRIVER_ODBC_VER:
        text = "03.00";
        return true;
    case SQL_DBMS_NAME:
        text = "ACCESS";
        return true;
    case SQL_DBMS_VER:
        // An Access file's version as Access's driver gives it; a SQLite base's engine.
        text = connected && connection.database().jetFile() != nullptr
                   ? kervane::jet::dbmsVersion(connection.database().jetFile()->version())
                   : engineVersion();
        return true;
    case SQL_DATA_SOURCE_NAME:
        text = connection.dataSource();
        return true;
    case SQL_DATABASE_NAME:
    case SQL_SERVER_NAME:
        text = connected ? (type == SQL_SERVER_NAME ? std::string("ACCESS") : fileName(connection.database().path()))
                         : std::string();
        return true;
    case SQL_DATA_SOURCE_READ_ONLY:
        text = connected && connection.database().isReadOnly() ? "Y" : "N";
        return true;
    case SQL_USER_NAME:
        text = "admin";
        return true;
    case SQL_IDENTIFIER_QUOTE_CHAR:
        text = "`";
        return true;
    case SQL_SEARCH_PATTERN_ESCAPE:
        text = "\\";
        return true;
    case SQL_CATALOG_NAME_SEPARATOR:
        text = ".";
        return true;
    case SQL_TABLE_TERM:
        text = "table";
        return true;
    case SQL_ACCESSIBLE_TABLES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_EXPRESSIONS_IN_ORDERBY:
    case SQL_COLUMN_ALIAS:
    case SQL_LIKE_ESCAPE_CLAUSE:
    case SQL_MULTIPLE_ACTIVE_TXN:
    case SQL_OUTER_JOINS:
    case SQL_DESCRIBE_PARAMETER:
    case SQL_PROCEDURES:
        text = "Y";
        return true;
    case SQL_MULT_RESULT_SETS:
    case SQL_NEED_LONG_DATA_LEN:
    case SQL_ROW_UPDATES:
    case SQL_ORDER_BY_COLUMNS_IN_SELECT:
    case SQL_INTEGRITY:
    case SQL_CATALOG_NAME:
    case SQL_MAX_ROW_SIZE_INCLUDES_LONG:
        text = "N";
        return true;
    case SQL_CATALOG_TERM:
    case SQL_SCHEMA_TERM:
    case SQL_PROCEDURE_TERM:
    case SQL_KEYWORDS:
    case SQL_SPECIAL_CHARACTERS:
    case SQL_COLLATION_SEQ:
        text.clear();
        return true;
    default:
        return false;
    }
}

bool shortInfo(SQLUSMALLINT type, SQLUSMALLINT& value)
{
    switch (type) {
    case SQL_TXN_CAPABLE:
        value = SQL_TC_ALL;
        return true;
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        value = SQL_CB_CLOSE;
        return true;
    case SQL_MAX_DRIVER_CONNECTIONS:
    case SQL_MAX_CONCURRENT_ACTIVITIES:
    case SQL_MAX_CATALOG_NAME_LEN:
    case SQL_MAX_SCHEMA_NAME_LEN:
    case SQL_MAX_PROCEDURE_NAME_LEN:
    case SQL_MAX_CURSOR_NAME_LEN:
    case SQL_MAX_COLUMNS_IN_GROUP_BY:
    case SQL_MAX_COLUMNS_IN_ORDER_BY:
    case SQL_MAX_COLUMNS_IN_SELECT:
    case SQL_MAX_COLUMNS_IN_INDEX:
    case SQL_MAX_TABLES_IN_SELECT:
        value = 0;
        return true;
    case SQL_MAX_COLUMNS_IN_TABLE:
        value = 2000;
        return true;
    case SQL_MAX_COLUMN_NAME_LEN:
    case SQL_MAX_TABLE_NAME_LEN:
    case SQL_MAX_IDENTIFIER_LEN:
        value = 64;
        return true;
    case SQL_IDENTIFIER_CASE:
        value = SQL_IC_MIXED;
        return true;
    case SQL_QUOTED_IDENTIFIER_CASE:
        value = SQL_IC_MIXED;
        return true;
    case SQL_NULL_COLLATION:
        value = SQL_NC_LOW;
        return true;
    case SQL_CONCAT_NULL_BEHAVIOR:
        value = SQL_CB_NULL;
        return true;
    case SQL_NON_NULLABLE_COLUMNS:
        value = SQL_NNC_NON_NULL;
        return true;
    case SQL_GROUP_BY:
        value = SQL_GB_GROUP_BY_CONTAINS_SELECT;
        return true;
    case SQL_CORRELATION_NAME:
        value = SQL_CN_ANY;
        return true;
    case SQL_FILE_USAGE:
        value = SQL_FILE_QUALIFIER;
        return true;
    case SQL_ODBC_API_CONFORMANCE:
        value = SQL_OAC_LEVEL1;
        return true;
    case SQL_ODBC_SQL_CONFORMANCE:
        value = SQL_OSC_MINIMUM;
        return true;
    case SQL_ODBC_SAG_CLI_CONFORMANCE:
        value = SQL_OSCC_COMPLIANT;
        return true;
    case SQL_ACTIVE_ENVIRONMENTS:
        value = 0;
        return true;
    default:
        return false;
    }
}

bool longInfo(SQLUSMALLINT type, SQLUINTEGER& value)
{
    switch (type) {
    case SQL_GETDATA_EXTENSIONS:
        value = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND;
        return true;
    case SQL_DEFAULT_TXN_ISOLATION:
        value = SQL_TXN_READ_COMMITTED;
        return true;
    case SQL_TXN_ISOLATION_OPTION:
        value = SQL_TXN_READ_COMMITTED | SQL_TXN_SERIALIZABLE;
        return true;
    case SQL_SCROLL_OPTIONS:
        value = SQL_SO_FORWARD_ONLY;
        return true;
    case SQL_FETCH_DIRECTION:
        value = SQL_FD_FETCH_NEXT;  // ODBC 2: what SQLExtendedFetch accepts
        return true;
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES1:
        value = SQL_CA1_NEXT;
        return true;
    case SQL_FORWARD_ONLY_CURSOR_ATTRIBUTES2:
        value = SQL_CA2_READ_ONLY_CONCURRENCY;
        return true;
    case SQL_SCROLL_CONCURRENCY:
        value = SQL_SCCO_READ_ONLY;
        return true;
    case SQL_ODBC_INTERFACE_CONFORMANCE:
        value = SQL_OIC_CORE;
        return true;
    case SQL_SQL_CONFORMANCE:
        value = SQL_SC_SQL92_ENTRY;
        return true;
    case SQL_ASYNC_MODE:
        value = SQL_AM_NONE;
        return true;
    case SQL_CURSOR_SENSITIVITY:
        value = SQL_INSENSITIVE;
        return true;
    case SQL_PARAM_ARRAY_ROW_COUNTS:
        value = SQL_PARC_NO_BATCH;
        return true;
    case SQL_PARAM_ARRAY_SELECTS:
        value = SQL_PAS_NO_SELECT;
        return true;
    case SQL_MAX_ROW_SIZE:
    case SQL_MAX_STATEMENT_LEN:
    case SQL_MAX_CHAR_LITERAL_LEN:
    case SQL_MAX_BINARY_LITERAL_LEN:
    case SQL_MAX_INDEX_SIZE:
    case SQL_MAX_ASYNC_CONCURRENT_STATEMENTS:
        value = 0;
        return true;
    case SQL_STRING_FUNCTIONS:
        value = SQL_FN_STR_LENGTH | SQL_FN_STR_LTRIM | SQL_FN_STR_RTRIM | SQL_FN_STR_SUBSTRING | SQL_FN_STR_UCASE
            | SQL_FN_STR_LCASE | SQL_FN_STR_REPLACE;
        return true;
    case SQL_NUMERIC_FUNCTIONS:
        value = SQL_FN_NUM_ABS | SQL_FN_NUM_ROUND;
        return true;
    case SQL_AGGREGATE_FUNCTIONS:
        value = SQL_AF_ALL | SQL_AF_AVG | SQL_AF_COUNT | SQL_AF_DISTINCT | SQL_AF_MAX | SQL_AF_MIN | SQL_AF_SUM;
        return true;
    case SQL_OJ_CAPABILITIES:
        value = SQL_OJ_LEFT | SQL_OJ_NESTED | SQL_OJ_NOT_ORDERED | SQL_OJ_ALL_COMPARISON_OPS;
        return true;
    case SQL_TIMEDATE_FUNCTIONS:
    case SQL_SYSTEM_FUNCTIONS:
    case SQL_CONVERT_FUNCTIONS:
    case SQL_BOOKMARK_PERSISTENCE:
    case SQL_STATIC_CURSOR_ATTRIBUTES1:
    case SQL_STATIC_CURSOR_ATTRIBUTES2:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES1:
    case SQL_DYNAMIC_CURSOR_ATTRIBUTES2:
    case SQL_KEYSET_CURSOR_ATTRIBUTES1:
    case SQL_KEYSET_CURSOR_ATTRIBUTES2:
    case SQL_BATCH_SUPPORT:
    case SQL_BATCH_ROW_COUNT:
    case SQL_SCHEMA_USAGE:
    case SQL_CATALOG_USAGE:
    case SQL_POS_OPERATIONS:
    case SQL_POSITIONED_STATEMENTS:
    case SQL_LOCK_TYPES:
    case SQL_STATIC_SENSITIVITY:
    case SQL_TIMEDATE_ADD_INTERVALS:
    case SQL_TIMEDATE_DIFF_INTERVALS:
    case SQL_DATETIME_LITERALS:
    case SQL_INFO_SCHEMA_VIEWS:
        value = 0;
        return true;
    default:
        if (type >= SQL_CONVERT_BIGINT && type <= SQL_CONVERT_LONGVARBINARY) {
            value = 0;
            return true;
        }
        return false;
    }
}

template <class T>
SQLRETURN putInfo(T value, SQLPOINTER target, SQLSMALLINT* length)
{
    if (target != nullptr)
        *static_cast<T*>(target) = value;
    if (length != nullptr)
        *length = sizeof(T);
    return SQL_SUCCESS;
}

}  // namespace

namespace kervane::odbc {

SQLRETURN driverInformation(Connection& connection, SQLUSMALLINT type, const TextTarget& target, SQLSMALLINT* length)
{
    std::string text;
    if (textInfo(connection, type, text))
        return target.put(text, length, connection.diagnostics());
    SQLUSMALLINT shortValue = 0;
    if (shortInfo(type, shortValue))
        return putInfo(shortValue, target.buffer, length);
    SQLUINTEGER longValue = 0;
    if (longInfo(type, longValue))
        return putInfo(longValue, target.buffer, length);
    throw OdbcError{"HY096", "Information " + std::to_string(type) + " non disponible.", 0};
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLGetInfo(SQLHDBC ConnectionHandle, SQLUSMALLINT InfoType, SQLPOINTER InfoValue,
                             SQLSMALLINT BufferLength, SQLSMALLINT* StringLength)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection& connection) {
        return driverInformation(connection, InfoType, TextTarget::narrow(InfoValue, BufferLength), StringLength);
    });
}

SQLRETURN SQL_API SQLGetFunctions(SQLHDBC ConnectionHandle, SQLUSMALLINT FunctionId, SQLUSMALLINT* Supported)
{
    return guarded<Connection>(ConnectionHandle, [&](Connection&) -> SQLRETURN {
        if (Supported == nullptr)
            throw OdbcError{"HY009", "Aucune zone de réception.", 0};
        if (FunctionId == SQL_API_ODBC3_ALL_FUNCTIONS) {
            std::fill_n(Supported, SQL_API_ODBC3_ALL_FUNCTIONS_SIZE, SQLUSMALLINT{0});
            for (const SQLUSMALLINT function : FUNCTIONS)
                Supported[function >> 4] = static_cast<SQLUSMALLINT>(Supported[function >> 4] | (1U << (function & 0xF)));
        } else if (FunctionId == SQL_API_ALL_FUNCTIONS) {
            std::fill_n(Supported, 100, SQLUSMALLINT{0});
            for (const SQLUSMALLINT function : FUNCTIONS)
                if (function < 100)
                    Supported[function] = SQL_TRUE;
        } else {
            *Supported = implemented(FunctionId) ? SQL_TRUE : SQL_FALSE;
        }
        return SQL_SUCCESS;
    });
}

}  // extern "C"
