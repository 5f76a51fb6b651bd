// Catalogue functions: the tables and the columns of the database, the data types, the
// indexes and the keys of a table.
#include "driver/Catalogue.h"
#include "driver/CatalogueForeignKeys.h"
#include "driver/CatalogueIndexes.h"
#include "driver/TypeInfoCatalogue.h"
#include "driver/Entry.h"
#include "driver/OutText.h"

using namespace kervane::odbc;

namespace {

std::optional<std::string> argument(const SQLCHAR* text, SQLSMALLINT length)
{
    if (text == nullptr)
        return std::nullopt;
    return std::string(inText(text, length));
}

// A table name the function cannot do without.
void requireName(const SQLCHAR* name)
{
    if (name == nullptr)
        throw OdbcError{"HY009", "Le nom de la table est obligatoire.", 0};
}

}  // namespace

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
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        requireName(TableName);
        if (Unique != SQL_INDEX_UNIQUE && Unique != SQL_INDEX_ALL)
            throw OdbcError{"HY100", "Le choix des index demandés n'est pas valide.", 0};
        if (Reserved != SQL_ENSURE && Reserved != SQL_QUICK)
            throw OdbcError{"HY101", "Le choix de la précision des statistiques n'est pas valide.", 0};
        listStatistics(statement, StatisticsRequest{argument(TableName, NameLength3), Unique == SQL_INDEX_UNIQUE,
                                                    Reserved == SQL_ENSURE});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                 SQLCHAR* TableName, SQLSMALLINT NameLength3)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        requireName(TableName);
        listPrimaryKeys(statement, argument(TableName, NameLength3));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT StatementHandle, SQLUSMALLINT IdentifierType, SQLCHAR*, SQLSMALLINT,
                                    SQLCHAR*, SQLSMALLINT, SQLCHAR* TableName, SQLSMALLINT NameLength3,
                                    SQLUSMALLINT Scope, SQLUSMALLINT Nullable)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        requireName(TableName);
        if (IdentifierType != SQL_BEST_ROWID && IdentifierType != SQL_ROWVER)
            throw OdbcError{"HY097", "Le type de colonnes demandé n'est pas valide.", 0};
        if (Scope != SQL_SCOPE_CURROW && Scope != SQL_SCOPE_TRANSACTION && Scope != SQL_SCOPE_SESSION)
            throw OdbcError{"HY098", "La portée demandée n'est pas valide.", 0};
        if (Nullable != SQL_NO_NULLS && Nullable != SQL_NULLABLE)
            throw OdbcError{"HY099", "Le choix des valeurs Null n'est pas valide.", 0};
        listSpecialColumns(statement, SpecialColumnsRequest{IdentifierType, argument(TableName, NameLength3),
                                                            Nullable == SQL_NULLABLE});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT StatementHandle, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                 SQLCHAR* PKTableName, SQLSMALLINT NameLength3, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                 SQLSMALLINT, SQLCHAR* FKTableName, SQLSMALLINT NameLength6)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        if (PKTableName == nullptr && FKTableName == nullptr)
            throw OdbcError{"HY009", "Le nom d'une des deux tables est obligatoire.", 0};
        listForeignKeys(statement, ForeignKeysRequest{argument(PKTableName, NameLength3),
                                                      argument(FKTableName, NameLength6)});
        return SQL_SUCCESS;
    });
}

}  // extern "C"
