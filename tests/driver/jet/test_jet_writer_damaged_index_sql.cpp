// Damaged copies of indexed tables changed through SQL, each change in a transaction of its own
// that first looks rows up through an index: an Access 2000 and an Access 97 table whose keys
// refer to two others (relationships checked), and the orders of nwind grown into an Access
// 2002-2003 file (several indexes of several levels). Whatever the damage, no crash and no
// hang; a transaction refused or rolled back leaves the file byte for byte as it was and says
// why in French; a committed one writes sound pages and leaves a file jetcheck judges no worse
// than the damaged copy.
#include "JetDamageCase.h"
#include "JetIndexDamage.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "JetWriterTestSupport.h"

#include "driver/jet/module/JetDatabase.h"

#include <gtest/gtest.h>

#include <iostream>

using namespace kervane;
using namespace kervane::test;

namespace {

using Transaction = std::vector<std::string>;

struct SqlBase {
    std::string relative;
    std::string table;  // the table whose indexes are damaged
    std::vector<Transaction> transactions;
};

class StatementsOnDamagedIndexes : public ::testing::Test {
protected:
    // Runs the statements between BEGIN and COMMIT on a connection of its own; false with the
    // first refusal's message, the transaction then rolled back.
    static bool run(const std::string& path, const Transaction& statements, std::string& error)
    {
        Connection db = memoryConnection();
        std::vector<std::vector<std::string>> rows;
        if (!jet::attachJetDatabase(db.get(), path, error) || !query(db.get(), "BEGIN", rows, error))
            return false;
        for (const std::string& sql : statements)
            if (!query(db.get(), sql, rows, error)) {
                std::string ignored;
                query(db.get(), "ROLLBACK", rows, ignored);
                return false;
            }
        return query(db.get(), "COMMIT", rows, error);
    }

    // Every transaction of `base` on the file at path; how many were committed.
    int runAll(const SqlBase& base, const std::string& path, const std::string& label)
    {
        int committed = 0;
        for (const Transaction& statements : base.transactions) {
            const std::vector<unsigned char> before = readBytes(path);
            std::string error;
            const bool done = run(path, statements, error);
            committed += done;
            if (done)
                expectWrittenPagesSound(before, readBytes(path), label + " / " + statements.back().substr(0, 50));
            if (!done) {
                const std::string what = label + " / " + statements.back().substr(0, 50);
                EXPECT_TRUE(frenchMessage(error)) << what << " : « " << error << " »";
                EXPECT_TRUE(readBytes(path) == before) << what << " : refusé mais le fichier a changé : " << error;
            }
        }
        return committed;
    }

    // Copies of the file at `source` (a shared test file when relative), damaged and changed.
    void fuzz(const SqlBase& base, std::uint32_t seed, const std::string& source = {})
    {
        const std::string path = m_folder.filePath("abime.mdb").toStdString();
        if (source.empty() && !copyTestFile(base.relative, path))
            GTEST_SKIP() << base.relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        if (!source.empty())
            writeBytes(path, readBytes(source));
        const std::vector<unsigned char> bytes = readBytes(path);
        IndexedTableMap map;
        std::string why;
        ASSERT_TRUE(mapIndexes(bytes, tableDefinitionPage(path, base.table), map, why))
            << base.relative << " : " << why;
        // Undamaged, every transaction is committed: the damage is what refuses them.
        for (const Transaction& statements : base.transactions) {
            ASSERT_TRUE(run(path, statements, why)) << base.relative << " : " << statements.back() << " : " << why;
        }
        for (int round = 0; round < fuzzRounds(); ++round) {
            for (int k = 0; k < kIndexDamageKinds; ++k) {
                std::mt19937 random(seed * 7919 + static_cast<std::uint32_t>(round * 131 + k));
                std::vector<unsigned char> damaged = bytes;
                std::string what;
                const auto kind = static_cast<IndexDamage>(k);
                if (!damageIndex(damaged, map, kind, random, what))
                    continue;
                writeBytes(path, damaged);
                const std::string label = base.relative + " / " + indexDamageName(kind) + " (graine " +
                                          std::to_string(seed) + ", tour " + std::to_string(round) + ") / " + what;
                const int committed = runAll(base, path, label);
                ++m_cases;
                m_committed += committed > 0;
                m_jetcheck.judge(m_folder.path().toStdString(), damaged, path, committed > 0, m_cases, label);
                if (HasFailure())
                    return;
            }
        }
    }

    void TearDown() override
    {
        if (m_cases > 0)
            std::cout << m_cases << " copies abîmées, " << m_committed << " modifiées par SQL\n";
    }

    QTemporaryDir m_folder;
    int m_cases = 0;
    int m_committed = 0;
    JetcheckSpread m_jetcheck{.fewest = 2, .perRound = 2, .every = 6, .first = 1};
};

TEST_F(StatementsOnDamagedIndexes, TableWhoseKeysReferToOthers)
{
    const SqlBase base{
        "jet/indexTestV2000.mdb",
        "Table1",
        {{"SELECT data FROM Table1 WHERE id = 2",
          "UPDATE Table1 SET otherfk1 = 2, otherfk2 = 13, data = 'modifié' WHERE id = 2"},
         {"INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (50, 1, 12, 'nouveau', 0)"},
         {"SELECT data FROM Table1 WHERE id = 3", "DELETE FROM Table1 WHERE id = 3"},
         {"UPDATE Table1 SET id = 60 WHERE id = 1"}}};
    fuzz(base, 23);
}

TEST_F(StatementsOnDamagedIndexes, AccessNinetySevenTableWhoseKeysReferToOthers)
{
    const SqlBase base{
        "jet/indexTestV1997.mdb",
        "Table1",
        {{"SELECT data FROM Table1 WHERE id = 2",
          "UPDATE Table1 SET otherfk1 = 2, otherfk2 = 13, data = 'modifié' WHERE id = 2"},
         {"INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (50, 1, 12, 'nouveau', 0)"},
         {"SELECT data FROM Table1 WHERE id = 3", "DELETE FROM Table1 WHERE id = 3"}}};
    fuzz(base, 31);
}

// The indexes of the table the changed rows refer to damaged: the checks of the relationships
// go through them.
TEST_F(StatementsOnDamagedIndexes, TableReferredToDamaged)
{
    const SqlBase base{
        "jet/indexTestV2000.mdb",
        "Table2",
        {{"SELECT data FROM Table1 WHERE id = 2", "UPDATE Table1 SET otherfk1 = 2 WHERE id = 2"},
         {"INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (50, 1, 12, 'nouveau', 0)"},
         {"INSERT INTO Table2 (id, data) VALUES (7, 'autre')"},
         {"INSERT INTO Table2 (id, data) VALUES (8, 'passager')", "DELETE FROM Table2 WHERE id = 8"},
         {"SELECT data FROM Table2 WHERE id = 1", "UPDATE Table2 SET data = 'renommé' WHERE id = 1"}}};
    fuzz(base, 37);
}

// nwind grown by jetgen into an Access 2002-2003 file: its orders have six indexes, texts,
// dates and numbers, over several pages each.
TEST_F(StatementsOnDamagedIndexes, OrdersOfAGrownNwind)
{
    const std::string grown = m_folder.filePath("nwind2003.mdb").toStdString();
    int status = -1;
    if (!nwindPath().empty() && !jetToolsFolder().empty())
        runTool(jetToolsFolder() + "/jetgen", {"grow", nwindPath(), grown, "1"}, status);
    if (status != 0)
        GTEST_SKIP() << "nwind.mdb ou jetgen absent";
    const SqlBase base{
        "nwind2003.mdb",
        "Orders",
        {{"SELECT CustomerID FROM Orders WHERE OrderID = 10330",
          "UPDATE Orders SET EmployeeID = 2, ShipPostalCode = 'K1' WHERE OrderID = 10330"},
         {"INSERT INTO Orders (CustomerID, EmployeeID, ShipVia, ShipPostalCode, ShipCity) "
          "VALUES ('ALFKI', 1, 1, 'K2', 'Paris')"},
         {"SELECT OrderID FROM Orders WHERE EmployeeID = 5",
          "UPDATE Orders SET ShipPostalCode = 'K3' WHERE EmployeeID = 5 AND ShipVia = 2"},
         {"INSERT INTO Orders (CustomerID, EmployeeID, ShipVia, ShipPostalCode) VALUES ('BONAP', 4, 3, 'K4')",
          "DELETE FROM Orders WHERE ShipPostalCode = 'K4'"}}};
    fuzz(base, 29, grown);
}

}  // namespace
