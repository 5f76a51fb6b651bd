// Catalogue functions: the tables and the columns of the database, the data types, the
// indexes and the keys of a table.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/catalogue/Catalogue.h"
#include "driver/catalogue/CatalogueForeignKeys.h"
#include "driver/catalogue/CatalogueIndexes.h"
#include "driver/catalogue/TypeInfoCatalogue.h"
#include "driver/values/OutText.h"
#include "driver/values/UnicodeText.h"

using namespace kervane::odbc;

namespace {

std::optional<std::string> argument(const SQLCHAR* text, SQLSMALLINT length)
{
    if (text == nullptr)
        return std::nullopt;
    const std::string_view given = inText(text, length);
    requireUtf8(given, CATALOGUE_ARGUMENT);
    return std::string(given);
}

}  // namespace

namespace kervane::odbc {

namespace {

// A table name the function cannot do without.
void requireName(const std::optional<std::string>& name)
{
    if (!name)
        throw OdbcError{"HY009", "Le nom de la table est obligatoire.", 0};
}

}  // namespace

SQLRETURN statistics(Statement& statement, std::optional<std::string> table, SQLUSMALLINT unique,
                     SQLUSMALLINT reserved)
{
    requireName(table);
    if (unique != SQL_INDEX_UNIQUE && unique != SQL_INDEX_ALL)
        throw OdbcError{"HY100", "Le choix des index demandés n'est pas valide.", 0};
    if (reserved != SQL_ENSURE && reserved != SQL_QUICK)
        throw OdbcError{"HY101", "Le choix de la précision des statistiques n'est pas valide.", 0};
    listStatistics(statement, StatisticsRequest{std::move(table), unique == SQL_INDEX_UNIQUE, reserved == SQL_ENSURE});
    return SQL_SUCCESS;
}

SQLRETURN primaryKeys(Statement& statement, std::optional<std::string> table)
{
    requireName(table);
    listPrimaryKeys(statement, std::move(table));
    return SQL_SUCCESS;
}

SQLRETURN specialColumns(Statement& statement, SQLUSMALLINT identifierType, std::optional<std::string> table,
                         SQLUSMALLINT scope, SQLUSMALLINT nullable)
{
    requireName(table);
    if (identifierType != SQL_BEST_ROWID && identifierType != SQL_ROWVER)
        throw OdbcError{"HY097", "Le type de colonnes demandé n'est pas valide.", 0};
    if (scope != SQL_SCOPE_CURROW && scope != SQL_SCOPE_TRANSACTION && scope != SQL_SCOPE_SESSION)
        throw OdbcError{"HY098", "La portée demandée n'est pas valide.", 0};
    if (nullable != SQL_NO_NULLS && nullable != SQL_NULLABLE)
        throw OdbcError{"HY099", "Le choix des valeurs Null n'est pas valide.", 0};
    listSpecialColumns(statement, SpecialColumnsRequest{identifierType, std::move(table), nullable == SQL_NULLABLE});
    return SQL_SUCCESS;
}

SQLRETURN foreignKeys(Statement& statement, std::optional<std::string> primaryTable,
                      std::optional<std::string> foreignTable)
{
    if (!primaryTable && !foreignTable)
        throw OdbcError{"HY009", "Le nom d'une des deux tables est obligatoire.", 0};
    listForeignKeys(statement, ForeignKeysRequest{std::move(primaryTable), std::move(foreignTable)});
    return SQL_SUCCESS;
}

}  // namespace kervane::odbc

extern "C" {

SQLRETURN SQL_API SQLTables(SQLHSTMT StatementHandle, SQLCHAR* CatalogName, SQLSMALLINT NameLength1,
                            SQLCHAR* SchemaName, SQLSMALLINT NameLength2, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                            SQLCHAR* TableType, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        listTables(statement, TablesRequest{argument(CatalogName, NameLength1), argument(SchemaName, NameLength2),
                                            argument(TableName, NameLength3), argument(TableType, NameLength4)});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                             SQLCHAR* TableName, SQLSMALLINT NameLength3, SQLCHAR* ColumnName, SQLSMALLINT NameLength4)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        listColumns(statement, ColumnsRequest{argument(TableName, NameLength3), argument(ColumnName, NameLength4)});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLProcedures(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                SQLCHAR* ProcName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        listProcedures(statement, argument(ProcName, NameLength3));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT StatementHandle, SQLSMALLINT DataType)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        listTypeInfo(statement, DataType);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                SQLCHAR* TableName, SQLSMALLINT NameLength3, SQLUSMALLINT Unique,
                                SQLUSMALLINT Reserved)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return statistics(statement, argument(TableName, NameLength3), Unique, Reserved);
    });
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                 SQLCHAR* TableName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return primaryKeys(statement, argument(TableName, NameLength3));
    });
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT StatementHandle, SQLUSMALLINT IdentifierType, SQLCHAR*, SQLSMALLINT,
                                    SQLCHAR*, SQLSMALLINT, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                                    SQLUSMALLINT Scope, SQLUSMALLINT Nullable)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return specialColumns(statement, IdentifierType, argument(TableName, NameLength3), Scope, Nullable);
    });
}

SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                 SQLCHAR* PKTableName, SQLSMALLINT NameLength3, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                 SQLSMALLINT, SQLCHAR* FKTableName, SQLSMALLINT NameLength6)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return foreignKeys(statement, argument(PKTableName, NameLength3), argument(FKTableName, NameLength6));
    });
}

}  // extern "C"
