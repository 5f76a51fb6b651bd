#include "driver/catalogue/Catalogue.h"
#include "driver/catalogue/CatalogueRows.h"
#include "driver/handles/Connection.h"

#include <cctype>
#include <vector>

namespace kervane::odbc {
namespace {

// A stored query a call runs (an action query, one with parameters) is a procedure, not a view.
// The objects are those of the schema, or, on an Access file, its tables (declared to SQLite
// or not yet) and the views of its stored queries.
const char* const TABLES_SQL_BEFORE = R"(SELECT * FROM (
  SELECT ?1000 AS TABLE_QUALIFIER, CAST(NULL AS TEXT) AS TABLE_OWNER, name AS TABLE_NAME,
         CASE WHEN type = 'view' THEN 'VIEW'
              WHEN kervane_system_table(name) THEN 'SYSTEM TABLE'
              ELSE 'TABLE' END AS TABLE_TYPE,
         CAST(NULL AS TEXT) AS REMARKS
  FROM )";
const char* const SCHEMA_OBJECTS = "sqlite_master";
const char* const FILE_OBJECTS =
    "(SELECT 'table' AS type, name FROM kervane_file_tables UNION ALL "
    "SELECT type, name FROM sqlite_master WHERE type = 'view')";
const char* const TABLES_SQL_AFTER = R"( WHERE type = 'table' OR (type = 'view' AND NOT kervane_procedure(name)))
WHERE TABLE_NAME LIKE ?1 ESCAPE '\')";

// Names in Access's order, as the rows of a query (accented names beside their letter).
const char* const TABLES_ORDER = " ORDER BY TABLE_TYPE, TABLE_NAME COLLATE ACCESS";

const char* const TABLE_TYPES_SQL = R"(SELECT CAST(NULL AS TEXT) AS TABLE_QUALIFIER, CAST(NULL AS TEXT) AS TABLE_OWNER,
  CAST(NULL AS TEXT) AS TABLE_NAME, column1 AS TABLE_TYPE, CAST(NULL AS TEXT) AS REMARKS
  FROM (VALUES ('SYSTEM TABLE'), ('TABLE'), ('VIEW')))";

// The one catalogue is the database itself; there is no schema.
const char* const CATALOGUES_SQL = R"(SELECT ?1000 AS TABLE_QUALIFIER, CAST(NULL AS TEXT) AS TABLE_OWNER,
  CAST(NULL AS TEXT) AS TABLE_NAME, CAST(NULL AS TEXT) AS TABLE_TYPE, CAST(NULL AS TEXT) AS REMARKS)";
const char* const SCHEMAS_SQL = R"(SELECT CAST(NULL AS TEXT) AS TABLE_QUALIFIER, CAST(NULL AS TEXT) AS TABLE_OWNER,
  CAST(NULL AS TEXT) AS TABLE_NAME, CAST(NULL AS TEXT) AS TABLE_TYPE, CAST(NULL AS TEXT) AS REMARKS WHERE 0)";

// The queries a call runs, whose results are a row set or a count of changed rows
// (SQL_PT_FUNCTION); nothing is known of their parameters and results before they run.
const char* const PROCEDURES_SQL = R"(SELECT ?1000 AS PROCEDURE_QUALIFIER, CAST(NULL AS TEXT) AS PROCEDURE_OWNER,
  name AS PROCEDURE_NAME, NULL AS NUM_INPUT_PARAMS, NULL AS NUM_OUTPUT_PARAMS, NULL AS NUM_RESULT_SETS,
  CAST(NULL AS TEXT) AS REMARKS, 2 AS PROCEDURE_TYPE
  FROM sqlite_master WHERE type = 'view' AND kervane_procedure(name) AND name LIKE ?1 ESCAPE '\'
  ORDER BY name COLLATE ACCESS)";

// A SQLite table's only key column declared INTEGER and numbered by AUTOINCREMENT is the
// AutoNumber column Access's COUNTER becomes: it is described as COUNTER again. A key column
// never holds Null, as in Access; an Access file's column properties add its required
// columns and its defaults, and a table of it whose definition cannot be read is left out.
const char* const COLUMNS_SQL_BEFORE = R"(SELECT ?1000 AS TABLE_QUALIFIER, CAST(NULL AS TEXT) AS TABLE_OWNER,
  t AS TABLE_NAME, name AS COLUMN_NAME,
  kervane_type_info(d, 1, ?3) AS DATA_TYPE, kervane_type_info(d, 2, ?3) AS TYPE_NAME,
  kervane_type_info(d, 3, ?3) AS PRECISION, kervane_type_info(d, 4, ?3) AS LENGTH,
  kervane_type_info(d, 5, ?3) AS SCALE, kervane_type_info(d, 6, ?3) AS RADIX,
  CASE WHEN required THEN 0 ELSE 1 END AS NULLABLE, CAST(NULL AS TEXT) AS REMARKS,
  coalesce(dflt_value, kervane_column_property(t, name, 1)) AS COLUMN_DEF,
  kervane_type_info(d, 7, ?3) AS SQL_DATA_TYPE,
  kervane_type_info(d, 8, ?3) AS SQL_DATETIME_SUB, kervane_type_info(d, 9, ?3) AS CHAR_OCTET_LENGTH,
  cid + 1 AS ORDINAL_POSITION, CASE WHEN required THEN 'NO' ELSE 'YES' END AS IS_NULLABLE
FROM ()";
const char* const SCHEMA_COLUMNS = R"(SELECT m.name AS t, p.name, p.cid, p.dflt_value,
        p."notnull" OR p.pk > 0 OR coalesce(kervane_column_property(m.name, p.name, 2), 0) AS required,
        CASE WHEN p.pk = 1 AND upper(p.type) = 'INTEGER' AND upper(m.sql) LIKE '%AUTOINCREMENT%'
                  AND (SELECT count(*) FROM pragma_table_info(m.name) AS k WHERE k.pk > 0) = 1
             THEN 'COUNTER' ELSE p.type END AS d
      FROM sqlite_master AS m, pragma_table_info(m.name) AS p
      WHERE m.type IN ('table', 'view') AND m.name LIKE ?1 ESCAPE '\' AND kervane_table_readable(m.name)
        AND p.name LIKE ?2 ESCAPE '\')";
// On an Access file: its tables' columns as their definitions give them, declared to SQLite
// or not yet, and the columns of its stored queries' views.
const char* const FILE_COLUMNS = R"(SELECT m.name AS t, p.name, p.cid, NULL AS dflt_value,
        p."notnull" OR coalesce(kervane_column_property(m.name, p.name, 2), 0) AS required, p.type AS d
      FROM kervane_file_tables AS m, kervane_file_columns AS p
      WHERE p.tbl = m.rowid AND m.name LIKE ?1 ESCAPE '\' AND kervane_table_readable(m.name)
        AND p.name LIKE ?2 ESCAPE '\'
    UNION ALL
    SELECT m.name, p.name, p.cid, p.dflt_value, p."notnull" OR p.pk > 0, p.type
      FROM sqlite_master AS m, pragma_table_info(m.name) AS p
      WHERE m.type = 'view' AND m.name LIKE ?1 ESCAPE '\' AND p.name LIKE ?2 ESCAPE '\')";
const char* const COLUMNS_SQL_AFTER = R"()
ORDER BY t COLLATE ACCESS, cid)";

// ODBC 2 names for an ODBC 2 application, ODBC 3 names otherwise.
std::vector<ColumnInfo> tablesColumns(bool odbc3)
{
    std::vector<ColumnInfo> columns;
    for (const char* name : {odbc3 ? "TABLE_CAT" : "TABLE_QUALIFIER", odbc3 ? "TABLE_SCHEM" : "TABLE_OWNER",
                             "TABLE_NAME", "TABLE_TYPE", "REMARKS"})
        columns.push_back(catalogueColumnInfo(name, SQL_VARCHAR));
    return columns;
}

// ODBC 2 names for an ODBC 2 application, ODBC 3 names otherwise.
std::vector<ColumnInfo> columnsColumns(bool odbc3)
{
    struct Entry {
        const char* name;
        const char* odbc3Name;
        SQLSMALLINT type;
    };
    static constexpr Entry ENTRIES[] = {
        {"TABLE_QUALIFIER", "TABLE_CAT", SQL_VARCHAR}, {"TABLE_OWNER", "TABLE_SCHEM", SQL_VARCHAR},
        {"TABLE_NAME", nullptr, SQL_VARCHAR},          {"COLUMN_NAME", nullptr, SQL_VARCHAR},
        {"DATA_TYPE", nullptr, SQL_SMALLINT},          {"TYPE_NAME", nullptr, SQL_VARCHAR},
        {"PRECISION", "COLUMN_SIZE", SQL_INTEGER},     {"LENGTH", "BUFFER_LENGTH", SQL_INTEGER},
        {"SCALE", "DECIMAL_DIGITS", SQL_SMALLINT},     {"RADIX", "NUM_PREC_RADIX", SQL_SMALLINT},
        {"NULLABLE", nullptr, SQL_SMALLINT},           {"REMARKS", nullptr, SQL_VARCHAR},
        {"COLUMN_DEF", nullptr, SQL_VARCHAR},          {"SQL_DATA_TYPE", nullptr, SQL_SMALLINT},
        {"SQL_DATETIME_SUB", nullptr, SQL_SMALLINT},   {"CHAR_OCTET_LENGTH", nullptr, SQL_INTEGER},
        {"ORDINAL_POSITION", nullptr, SQL_INTEGER},    {"IS_NULLABLE", nullptr, SQL_VARCHAR},
    };
    std::vector<ColumnInfo> columns;
    for (const Entry& entry : ENTRIES)
        columns.push_back(catalogueColumnInfo(odbc3 && entry.odbc3Name ? entry.odbc3Name : entry.name, entry.type));
    return columns;
}

std::vector<ColumnInfo> proceduresColumns(bool odbc3)
{
    std::vector<ColumnInfo> columns;
    for (const char* name : {odbc3 ? "PROCEDURE_CAT" : "PROCEDURE_QUALIFIER", odbc3 ? "PROCEDURE_SCHEM" : "PROCEDURE_OWNER",
                             "PROCEDURE_NAME"})
        columns.push_back(catalogueColumnInfo(name, SQL_VARCHAR));
    for (const char* name : {"NUM_INPUT_PARAMS", "NUM_OUTPUT_PARAMS", "NUM_RESULT_SETS"})
        columns.push_back(catalogueColumnInfo(name, SQL_INTEGER));
    columns.push_back(catalogueColumnInfo("REMARKS", SQL_VARCHAR));
    columns.push_back(catalogueColumnInfo("PROCEDURE_TYPE", SQL_SMALLINT));
    return columns;
}

// The catalogue's name in the queries above (?1000): a number past those of their other
// parameters.
constexpr int kCatalogueParameter = 1000;

// The statement's query, prepared, with the database's catalogue name bound.
void prepareCatalogueQuery(Statement& statement, const std::string& sql)
{
    statement.prepareNative(sql);
    if (sqlite3_bind_parameter_count(statement.sqlite()) < kCatalogueParameter)
        return;
    const std::string name = catalogueName(statement);
    sqlite3_bind_text(statement.sqlite(), kCatalogueParameter, name.c_str(), static_cast<int>(name.size()),
                      SQLITE_TRANSIENT);
}

void bindPattern(Statement& statement, int index, const std::optional<std::string>& pattern)
{
    const std::string& text = pattern && !pattern->empty() ? *pattern : std::string("%");
    sqlite3_bind_text(statement.sqlite(), index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// "'TABLE', 'VIEW'" -> {"TABLE", "VIEW"}
std::vector<std::string> splitTypes(const std::string& types)
{
    std::vector<std::string> result;
    std::string current;
    auto flush = [&] {
        while (!current.empty() && std::isspace(static_cast<unsigned char>(current.back())))
            current.pop_back();
        if (!current.empty())
            result.push_back(current);
        current.clear();
    };
    for (const char c : types) {
        if (c == ',')
            flush();
        else if (c != '\'' && !(current.empty() && std::isspace(static_cast<unsigned char>(c))))
            current.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    flush();
    return result;
}

bool isAll(const std::optional<std::string>& value)
{
    return value && *value == "%";
}

bool isEmpty(const std::optional<std::string>& value)
{
    return !value || value->empty();
}

void runTables(Statement& statement, const std::string& sql, const std::vector<std::string>& types,
               const std::optional<std::string>& pattern)
{
    prepareCatalogueQuery(statement, sql);
    if (sqlite3_bind_parameter_index(statement.sqlite(), "?1") != 0)
        bindPattern(statement, 1, pattern);
    for (std::size_t i = 0; i < types.size(); ++i)
        sqlite3_bind_text(statement.sqlite(), static_cast<int>(i) + 2, types[i].c_str(),
                          static_cast<int>(types[i].size()), SQLITE_TRANSIENT);
    statement.execute();
    statement.describeColumns(tablesColumns(statement.isOdbc3()));
}

}  // namespace

void listTables(Statement& statement, const TablesRequest& request)
{
    const bool onlyTypes = isAll(request.types) && isEmpty(request.catalog) && isEmpty(request.schema)
        && isEmpty(request.table);
    if (onlyTypes)
        return runTables(statement, TABLE_TYPES_SQL, {}, request.types);
    if (isAll(request.catalog) && isEmpty(request.schema) && isEmpty(request.table))
        return runTables(statement, CATALOGUES_SQL, {}, request.table);
    if (isAll(request.schema) && isEmpty(request.catalog) && isEmpty(request.table))
        return runTables(statement, SCHEMAS_SQL, {}, request.table);
    const bool accessFile = statement.connection().database().jetFile() != nullptr;
    std::string sql = std::string(TABLES_SQL_BEFORE) + (accessFile ? FILE_OBJECTS : SCHEMA_OBJECTS) + TABLES_SQL_AFTER;
    std::vector<std::string> types;
    if (request.types && !isAll(request.types))
        types = splitTypes(*request.types);
    if (!types.empty()) {
        sql += " AND TABLE_TYPE IN (";
        for (std::size_t i = 0; i < types.size(); ++i)
            sql += (i == 0 ? "?" : ", ?") + std::to_string(i + 2);
        sql += ")";
    }
    runTables(statement, sql + TABLES_ORDER, types, request.table);
}

void listColumns(Statement& statement, const ColumnsRequest& request)
{
    const bool accessFile = statement.connection().database().jetFile() != nullptr;
    // The file's column properties are read from MSysObjects.
    statement.connection().database().declareTable("MSysObjects");
    prepareCatalogueQuery(statement,
                          std::string(COLUMNS_SQL_BEFORE) + (accessFile ? FILE_COLUMNS : SCHEMA_COLUMNS) + COLUMNS_SQL_AFTER);
    bindPattern(statement, 1, request.table);
    bindPattern(statement, 2, request.column);
    sqlite3_bind_int(statement.sqlite(), 3, statement.isOdbc3() ? 1 : 0);
    statement.execute();
    statement.describeColumns(columnsColumns(statement.isOdbc3()));
}

void listProcedures(Statement& statement, const std::optional<std::string>& pattern)
{
    prepareCatalogueQuery(statement, PROCEDURES_SQL);
    bindPattern(statement, 1, pattern);
    statement.execute();
    statement.describeColumns(proceduresColumns(statement.isOdbc3()));
}

}  // namespace kervane::odbc
