// Catalogue functions: the tables and the columns of the database.
#include "driver/Catalogue.h"
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

}  // extern "C"
