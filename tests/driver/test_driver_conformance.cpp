// What the driver claims through SQLGetFunctions, held against what it does and what it exports:
// every claimed function is called once as an application would, and every function the library
// exports under a standard ODBC name is claimed, and no other.
#include "tests/driver/ConformanceCalls.h"
#include "tests/driver/OdbcTestSupport.h"
#include "tests/support/OdbcPrive.h"

#include <dlfcn.h>

#include <memory>
#include <set>

namespace kervane::test {
namespace {

// The standard ODBC functions and their SQLGetFunctions ids (ODBC 3.x and the ODBC 2 names).
struct FonctionOdbc {
    const char* name;
    SQLUSMALLINT id;
};
constexpr FonctionOdbc FONCTIONS_ODBC[] = {
    {"SQLAllocConnect", SQL_API_SQLALLOCCONNECT}, {"SQLAllocEnv", SQL_API_SQLALLOCENV},
    {"SQLAllocHandle", SQL_API_SQLALLOCHANDLE}, {"SQLAllocHandleStd", SQL_API_SQLALLOCHANDLESTD},
    {"SQLAllocStmt", SQL_API_SQLALLOCSTMT}, {"SQLBindCol", SQL_API_SQLBINDCOL},
    {"SQLBindParam", SQL_API_SQLBINDPARAM}, {"SQLBindParameter", SQL_API_SQLBINDPARAMETER},
    {"SQLBrowseConnect", SQL_API_SQLBROWSECONNECT}, {"SQLBulkOperations", SQL_API_SQLBULKOPERATIONS},
    {"SQLCancel", SQL_API_SQLCANCEL}, {"SQLCancelHandle", SQL_API_SQLCANCELHANDLE},
    {"SQLCloseCursor", SQL_API_SQLCLOSECURSOR}, {"SQLColAttribute", SQL_API_SQLCOLATTRIBUTE},
    {"SQLColAttributes", SQL_API_SQLCOLATTRIBUTES}, {"SQLColumnPrivileges", SQL_API_SQLCOLUMNPRIVILEGES},
    {"SQLColumns", SQL_API_SQLCOLUMNS}, {"SQLConnect", SQL_API_SQLCONNECT}, {"SQLCopyDesc", SQL_API_SQLCOPYDESC},
    {"SQLDataSources", SQL_API_SQLDATASOURCES}, {"SQLDescribeCol", SQL_API_SQLDESCRIBECOL},
    {"SQLDescribeParam", SQL_API_SQLDESCRIBEPARAM}, {"SQLDisconnect", SQL_API_SQLDISCONNECT},
    {"SQLDriverConnect", SQL_API_SQLDRIVERCONNECT}, {"SQLDrivers", SQL_API_SQLDRIVERS},
    {"SQLEndTran", SQL_API_SQLENDTRAN}, {"SQLError", SQL_API_SQLERROR}, {"SQLExecDirect", SQL_API_SQLEXECDIRECT},
    {"SQLExecute", SQL_API_SQLEXECUTE}, {"SQLExtendedFetch", SQL_API_SQLEXTENDEDFETCH},
    {"SQLFetch", SQL_API_SQLFETCH}, {"SQLFetchScroll", SQL_API_SQLFETCHSCROLL},
    {"SQLForeignKeys", SQL_API_SQLFOREIGNKEYS}, {"SQLFreeConnect", SQL_API_SQLFREECONNECT},
    {"SQLFreeEnv", SQL_API_SQLFREEENV}, {"SQLFreeHandle", SQL_API_SQLFREEHANDLE},
    {"SQLFreeStmt", SQL_API_SQLFREESTMT}, {"SQLGetConnectAttr", SQL_API_SQLGETCONNECTATTR},
    {"SQLGetConnectOption", SQL_API_SQLGETCONNECTOPTION}, {"SQLGetCursorName", SQL_API_SQLGETCURSORNAME},
    {"SQLGetData", SQL_API_SQLGETDATA}, {"SQLGetDescField", SQL_API_SQLGETDESCFIELD},
    {"SQLGetDescRec", SQL_API_SQLGETDESCREC}, {"SQLGetDiagField", SQL_API_SQLGETDIAGFIELD},
    {"SQLGetDiagRec", SQL_API_SQLGETDIAGREC}, {"SQLGetEnvAttr", SQL_API_SQLGETENVATTR},
    {"SQLGetFunctions", SQL_API_SQLGETFUNCTIONS}, {"SQLGetInfo", SQL_API_SQLGETINFO},
    {"SQLGetStmtAttr", SQL_API_SQLGETSTMTATTR}, {"SQLGetStmtOption", SQL_API_SQLGETSTMTOPTION},
    {"SQLGetTypeInfo", SQL_API_SQLGETTYPEINFO}, {"SQLMoreResults", SQL_API_SQLMORERESULTS},
    {"SQLNativeSql", SQL_API_SQLNATIVESQL}, {"SQLNumParams", SQL_API_SQLNUMPARAMS},
    {"SQLNumResultCols", SQL_API_SQLNUMRESULTCOLS}, {"SQLParamData", SQL_API_SQLPARAMDATA},
    {"SQLParamOptions", SQL_API_SQLPARAMOPTIONS}, {"SQLPrepare", SQL_API_SQLPREPARE},
    {"SQLPrimaryKeys", SQL_API_SQLPRIMARYKEYS}, {"SQLProcedureColumns", SQL_API_SQLPROCEDURECOLUMNS},
    {"SQLProcedures", SQL_API_SQLPROCEDURES}, {"SQLPutData", SQL_API_SQLPUTDATA}, {"SQLRowCount", SQL_API_SQLROWCOUNT},
    {"SQLSetConnectAttr", SQL_API_SQLSETCONNECTATTR}, {"SQLSetConnectOption", SQL_API_SQLSETCONNECTOPTION},
    {"SQLSetCursorName", SQL_API_SQLSETCURSORNAME}, {"SQLSetDescField", SQL_API_SQLSETDESCFIELD},
    {"SQLSetDescRec", SQL_API_SQLSETDESCREC}, {"SQLSetEnvAttr", SQL_API_SQLSETENVATTR},
    {"SQLSetParam", SQL_API_SQLSETPARAM}, {"SQLSetPos", SQL_API_SQLSETPOS},
    {"SQLSetScrollOptions", SQL_API_SQLSETSCROLLOPTIONS}, {"SQLSetStmtAttr", SQL_API_SQLSETSTMTATTR},
    {"SQLSetStmtOption", SQL_API_SQLSETSTMTOPTION}, {"SQLSpecialColumns", SQL_API_SQLSPECIALCOLUMNS},
    {"SQLStatistics", SQL_API_SQLSTATISTICS}, {"SQLTablePrivileges", SQL_API_SQLTABLEPRIVILEGES},
    {"SQLTables", SQL_API_SQLTABLES}, {"SQLTransact", SQL_API_SQLTRANSACT},
};

// Functions unixODBC gives an application by itself, whatever the driver has: its lists of data
// sources and drivers, SQLAllocHandleStd, and SQLSetScrollOptions made of statement attributes.
bool providedByManager(SQLUSMALLINT id)
{
    return id == SQL_API_SQLDATASOURCES || id == SQL_API_SQLDRIVERS || id == SQL_API_SQLALLOCHANDLESTD
        || id == SQL_API_SQLSETSCROLLOPTIONS;
}

bool bit(const SQLUSMALLINT* bits, SQLUSMALLINT id)
{
    return (bits[id >> 4] & (1U << (id & 0xF))) != 0;
}

// Both answers of SQLGetFunctions: the ODBC 3 bit field and the ODBC 2 array of 100.
struct Declarees {
    SQLUSMALLINT odbc3[SQL_API_ODBC3_ALL_FUNCTIONS_SIZE] = {};
    SQLUSMALLINT odbc2[100] = {};

    std::set<SQLUSMALLINT> ids() const
    {
        std::set<SQLUSMALLINT> claimed;
        for (SQLUSMALLINT id = 1; id < SQL_API_ODBC3_ALL_FUNCTIONS_SIZE * 16; ++id)
            if (bit(odbc3, id))
                claimed.insert(id);
        return claimed;
    }
};

using GetFunctions = SQLRETURN (*)(SQLHDBC, SQLUSMALLINT, SQLUSMALLINT*);

Declarees askFunctions(GetFunctions ask, SQLHDBC dbc)
{
    Declarees answer;
    EXPECT_EQ(ask(dbc, SQL_API_ODBC3_ALL_FUNCTIONS, answer.odbc3), SQL_SUCCESS);
    EXPECT_EQ(ask(dbc, SQL_API_ALL_FUNCTIONS, answer.odbc2), SQL_SUCCESS);
    // Both forms say the same of the functions numbered below 100.
    for (SQLUSMALLINT id = 1; id < 100; ++id)
        EXPECT_EQ(answer.odbc2[id] == SQL_TRUE, bit(answer.odbc3, id)) << "function id " << id;
    return answer;
}

struct LibraryCloser {
    void operator()(void* library) const { dlclose(library); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

class ConformanceTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        BaseSqlite(m_base).run("CREATE TABLE T(ID LONG PRIMARY KEY, NOM TEXT(50));"
                               "INSERT INTO T VALUES (1, 'Été'), (2, 'Ωμέγα'), (3, NULL);");
    }

    // Calls every claimed function once on the data source dsn (table, key, text, rows).
    void callEveryClaimedFunction(BancEssai banc)
    {
        const Session session(banc.dsn);
        banc.env = session.henv();
        banc.dbc = session.dbc();
        const Declarees claimed = askFunctions(SQLGetFunctions, banc.dbc);
        const auto& calls = appelsControle();
        for (const SQLUSMALLINT id : claimed.ids()) {
            const auto call = calls.find(id);
            if (call == calls.end()) {
                ADD_FAILURE() << "function id " << id << " is claimed but has no conformance call";
                continue;
            }
            if (call->second.writes && !banc.writable)
                continue;
            SCOPED_TRACE(call->second.name);
            call->second.call(banc);
        }
    }
};

TEST_F(ConformanceTest, EveryClaimedFunctionAnswersAsDocumentedOnASqliteBase)
{
    callEveryClaimedFunction({SQL_NULL_HENV, SQL_NULL_HDBC, "Base Test", "T", "ID", "NOM", 3, true});
}

TEST_F(ConformanceTest, EveryClaimedFunctionAnswersAsDocumentedOnNwind)
{
    const std::string nwind = nwindPath();
    if (nwind.empty())
        GTEST_SKIP() << "nwind.mdb absent (KERVANE_TEST_DATA)";
    addDataSource("Nwind", nwind);
    callEveryClaimedFunction({SQL_NULL_HENV, SQL_NULL_HDBC, "Nwind", "Orders", "OrderID", "CustomerID", 830, false});
}

// The driver's own answer, asked of the library with the driver's connection handle, and the
// driver manager's answer, held against the library's exported names.
TEST_F(ConformanceTest, ExportedFunctionsAreExactlyTheClaimedOnes)
{
    const QByteArray path = OdbcPrive::bibliothequePilote().toUtf8();
    ASSERT_FALSE(path.isEmpty());
    const Library library(dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL));
    ASSERT_TRUE(library) << dlerror();
    const auto exported = [&](const std::string& name) { return dlsym(library.get(), name.c_str()) != nullptr; };

    const Session session;
    SQLHDBC driverHandle = SQL_NULL_HDBC;
    ASSERT_EQ(SQLGetInfo(session.dbc(), SQL_DRIVER_HDBC, &driverHandle, sizeof driverHandle, nullptr), SQL_SUCCESS);
    const auto driverGetFunctions = reinterpret_cast<GetFunctions>(dlsym(library.get(), "SQLGetFunctions"));
    ASSERT_NE(driverGetFunctions, nullptr);
    const Declarees own = askFunctions(driverGetFunctions, driverHandle);
    const Declarees manager = askFunctions(SQLGetFunctions, session.dbc());

    for (const FonctionOdbc& function : FONCTIONS_ODBC) {
        SCOPED_TRACE(function.name);
        const bool claimed = bit(own.odbc3, function.id);
        if (claimed || !providedByManager(function.id)) {
            EXPECT_EQ(bit(manager.odbc3, function.id), claimed) << "the driver manager tells otherwise";
        }
        if (exported(function.name)) {
            EXPECT_TRUE(claimed) << "exported but not claimed";
        } else if (function.id != SQL_API_SQLCOLATTRIBUTE) {
            // (the ODBC 2 and ODBC 3 names of SQLColAttribute share one id: either answers for it)
            EXPECT_FALSE(claimed) << "claimed but not exported";
        }
        // A wide form stands beside its narrow function, never alone.
        if (exported(std::string(function.name) + "W")) {
            EXPECT_TRUE(exported(function.name) && claimed) << "wide form without its function";
        }
    }
    EXPECT_TRUE(exported("SQLColAttribute") || !bit(own.odbc3, SQL_API_SQLCOLATTRIBUTE));

    // An ODBC 2 application asks the array of 100 and is told the same.
    const Session odbc2("Base Test", false);
    SQLUSMALLINT odbc2Answer[100] = {};
    ASSERT_EQ(SQLGetFunctions(odbc2.dbc(), SQL_API_ALL_FUNCTIONS, odbc2Answer), SQL_SUCCESS);
    for (SQLUSMALLINT id = 1; id < 100; ++id)
        EXPECT_EQ(odbc2Answer[id], manager.odbc2[id]) << "function id " << id;
    // The setup entry is not an ODBC function and stays outside the list.
    EXPECT_TRUE(exported("ConfigDSN"));
}

}  // namespace
}  // namespace kervane::test
