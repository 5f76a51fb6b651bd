// Catalogue functions for a Unicode application: the names and patterns come in UTF-16.
#include "driver/Catalogue.h"
#include "driver/Entry.h"
#include "driver/WideText.h"

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLTablesW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                             SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                             SQLSMALLINT cbTableName, SQLWCHAR* szTableType, SQLSMALLINT cbTableType)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listTables(statement, TablesRequest{optionalNarrowText(szCatalogName, cbCatalogName),
                                            optionalNarrowText(szSchemaName, cbSchemaName),
                                            optionalNarrowText(szTableName, cbTableName),
                                            optionalNarrowText(szTableType, cbTableType)});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* szTableName,
                              SQLSMALLINT cbTableName, SQLWCHAR* szColumnName, SQLSMALLINT cbColumnName)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listColumns(statement, ColumnsRequest{optionalNarrowText(szTableName, cbTableName),
                                              optionalNarrowText(szColumnName, cbColumnName)});
        return SQL_SUCCESS;
    });
}

}  // extern "C"
