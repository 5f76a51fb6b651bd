// Catalogue functions for a Unicode application: the names and patterns come in UTF-16.
#include "driver/api/Entry.h"
#include "driver/api/EntryBodies.h"
#include "driver/catalogue/Catalogue.h"
#include "driver/catalogue/TypeInfoCatalogue.h"
#include "driver/values/WideText.h"

using namespace kervane::odbc;

extern "C" {

SQLRETURN SQL_API SQLTablesW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                             SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                             SQLSMALLINT cbTableName, SQLWCHAR* szTableType, SQLSMALLINT cbTableType)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listTables(statement, TablesRequest{optionalNarrowText(szCatalogName, cbCatalogName, CATALOGUE_ARGUMENT),
                                            optionalNarrowText(szSchemaName, cbSchemaName, CATALOGUE_ARGUMENT),
                                            optionalNarrowText(szTableName, cbTableName, CATALOGUE_ARGUMENT),
                                            optionalNarrowText(szTableType, cbTableType, CATALOGUE_ARGUMENT)});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* szTableName,
                              SQLSMALLINT cbTableName, SQLWCHAR* szColumnName, SQLSMALLINT cbColumnName)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listColumns(statement, ColumnsRequest{optionalNarrowText(szTableName, cbTableName, CATALOGUE_ARGUMENT),
                                              optionalNarrowText(szColumnName, cbColumnName, CATALOGUE_ARGUMENT)});
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLProceduresW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* szProcName,
                                 SQLSMALLINT cbProcName)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listProcedures(statement, optionalNarrowText(szProcName, cbProcName, CATALOGUE_ARGUMENT));
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT hstmt, SQLSMALLINT DataType)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        listTypeInfo(statement, DataType);
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT, SQLWCHAR* szTableName,
                                 SQLSMALLINT cbTableName, SQLUSMALLINT fUnique, SQLUSMALLINT fAccuracy)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return statistics(statement, optionalNarrowText(szTableName, cbTableName, CATALOGUE_ARGUMENT), fUnique,
                          fAccuracy);
    });
}

SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                  SQLWCHAR* szTableName, SQLSMALLINT cbTableName)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return primaryKeys(statement, optionalNarrowText(szTableName, cbTableName, CATALOGUE_ARGUMENT));
    });
}

SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT hstmt, SQLUSMALLINT fColType, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*,
                                     SQLSMALLINT, SQLWCHAR* szTableName, SQLSMALLINT cbTableName, SQLUSMALLINT fScope,
                                     SQLUSMALLINT fNullable)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return specialColumns(statement, fColType, optionalNarrowText(szTableName, cbTableName, CATALOGUE_ARGUMENT),
                              fScope, fNullable);
    });
}

SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT hstmt, SQLWCHAR*, SQLSMALLINT, SQLWCHAR*, SQLSMALLINT,
                                  SQLWCHAR* szPkTableName, SQLSMALLINT cbPkTableName, SQLWCHAR*, SQLSMALLINT,
                                  SQLWCHAR*, SQLSMALLINT, SQLWCHAR* szFkTableName, SQLSMALLINT cbFkTableName)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return foreignKeys(statement, optionalNarrowText(szPkTableName, cbPkTableName, CATALOGUE_ARGUMENT),
                           optionalNarrowText(szFkTableName, cbFkTableName, CATALOGUE_ARGUMENT));
    });
}

}  // extern "C"
