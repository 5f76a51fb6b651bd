#include "JetTestSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetInterrupt.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace kervane::test;
namespace jet = kervane::jet;

namespace {

// stop_jet_scans(x) asks the scans open on its connection to stop, and returns 1.
void addStopFunction(sqlite3* db)
{
    sqlite3_create_function(
        db, "stop_jet_scans", 1, SQLITE_UTF8, db,
        [](sqlite3_context* context, int, sqlite3_value**) {
            jet::interruptJetScans(static_cast<sqlite3*>(sqlite3_user_data(context)));
            sqlite3_result_int(context, 1);
        },
        nullptr, nullptr);
}

struct Finalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

Statement prepared(sqlite3* db, const std::string& sql)
{
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    return Statement(statement);
}

// Steps to the end; the rows it gave and the code it ended with.
int stepToEnd(sqlite3_stmt* statement, int& rows)
{
    rows = 0;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        ++rows;
    return rc;
}

// nwind with every row of [Order Details] marked deleted (0x8000 in its row offset, as
// mdbtools' HACKING describes Jet 3 data pages): a scan of it walks all its pages in one step.
std::string nwindWithoutOrderDetails(const std::string& nwind, const QTemporaryDir& folder)
{
    constexpr std::size_t page = 2048;
    std::string error;
    const auto file = jet::JetFile::open(nwind, error);
    EXPECT_TRUE(file) << error;
    const std::uint32_t owner = file ? file->table("Order Details")->definitionPage : 0;
    auto bytes = readBytes(nwind);
    int pages = 0;
    for (std::size_t start = 0; start + page <= bytes.size(); start += page) {
        const auto word = [&](std::size_t at) { return static_cast<unsigned>(bytes[start + at] | bytes[start + at + 1] << 8); };
        if (bytes[start] != 0x01 || (word(4) | word(6) << 16) != owner)
            continue;
        ++pages;
        for (unsigned row = 0; row < word(0x08); ++row)
            bytes[start + 0x0a + 2 * row + 1] |= 0x80;
    }
    EXPECT_GT(pages, 10);
    const std::string copy = folder.path().toStdString() + "/sans_details.mdb";
    writeBytes(copy, bytes);
    return copy;
}

}  // namespace

TEST(JetInterrupt, ScanStopsAtItsNextRowAndTheNextStatementRuns)
{
    REQUIRE_NWIND(nwind);
    Connection db = attached(nwind);
    addStopFunction(db.get());
    const std::string count = "SELECT count(*) FROM \"Order Details\"";
    const std::string before = single(db.get(), count);
    // Asked with no scan open, it concerns no statement.
    jet::interruptJetScans(db.get());
    EXPECT_EQ(single(db.get(), count), before);

    const Statement statement = prepared(db.get(), "SELECT stop_jet_scans(OrderID) FROM \"Order Details\"");
    int rows = 0;
    EXPECT_EQ(stepToEnd(statement.get(), rows), SQLITE_INTERRUPT);
    EXPECT_EQ(rows, 1);
    EXPECT_STREQ(sqlite3_errmsg(db.get()), "La lecture de la table « Order Details » a été interrompue.");
    sqlite3_reset(statement.get());
    EXPECT_EQ(single(db.get(), count), before);
}

TEST(JetInterrupt, LongWorkInsideOneStepStops)
{
    REQUIRE_NWIND(nwind);
    QTemporaryDir folder;
    Connection db = attached(nwindWithoutOrderDetails(nwind, folder));
    addStopFunction(db.get());
    // Without a request the scan of the inner table finds nothing; the request made for the
    // first shipper stops it inside the step that walks its pages.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Shippers AS s CROSS JOIN \"Order Details\" AS d"), "0");
    const Statement statement =
        prepared(db.get(), "SELECT count(*) FROM Shippers AS s CROSS JOIN \"Order Details\" AS d "
                           "WHERE stop_jet_scans(s.ShipperID) = 1");
    int rows = 0;
    EXPECT_EQ(stepToEnd(statement.get(), rows), SQLITE_INTERRUPT);
    EXPECT_STREQ(sqlite3_errmsg(db.get()), "La lecture de la table « Order Details » a été interrompue.");
}

TEST(JetInterrupt, IndexStoppedWhileBeingMadeIsNotKept)
{
    REQUIRE_NWIND(nwind);
    Connection db = attached(nwind);
    addStopFunction(db.get());
    // The first shipper's request stops the walk that makes the index of Orders.ShipVia.
    const std::string sql = "SELECT count(*) FROM Shippers AS s CROSS JOIN Orders AS o "
                            "WHERE o.ShipVia = s.ShipperID AND stop_jet_scans(s.ShipperID) = 1";
    const auto plan = rowsOf(db.get(), "EXPLAIN QUERY PLAN " + sql);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[1].back().rfind("SCAN o VIRTUAL TABLE INDEX ", 0), 0u) << plan[1].back();
    EXPECT_EQ(plan[1].back().find("INDEX 0:"), std::string::npos) << plan[1].back();
    const Statement statement = prepared(db.get(), sql);
    int rows = 0;
    EXPECT_EQ(stepToEnd(statement.get(), rows), SQLITE_INTERRUPT);
    EXPECT_STREQ(sqlite3_errmsg(db.get()), "La lecture de la table « Orders » a été interrompue.");
    sqlite3_reset(statement.get());
    // The next statement makes the index whole: every order has its shipper.
    EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Shippers AS s CROSS JOIN Orders AS o WHERE o.ShipVia = s.ShipperID"),
              "830");
}
