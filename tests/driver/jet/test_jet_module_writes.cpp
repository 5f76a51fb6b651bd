// Changes made through the Jet virtual tables directly in SQLite, on a file of index-free tables
// made by Jackcess: a statement failing half-way is undone alone, whatever its conflict clause.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kervane::test {
namespace {

class JetModuleWrites : public NoIndexFileTest {
protected:
    void SetUp() override
    {
        NoIndexFileTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_original = readBytes(m_path);
    }

    bool run(sqlite3* db, const std::string& sql, std::string& error)
    {
        std::vector<std::vector<std::string>> rows;
        return query(db, sql, rows, error);
    }

    std::vector<unsigned char> m_original;
};

// A refused value is no constraint violation SQLite's conflict clauses may act on (the tables
// do not declare constraint support): OR FAIL, OR IGNORE and OR REPLACE undo the whole failing
// statement as a plain one, so no half statement ever reaches the commit.
TEST_F(JetModuleWrites, ConflictClausesStillUndoTheWholeFailingStatement)
{
    Connection db = attached(m_path);
    std::string error;
    ASSERT_TRUE(run(db.get(), "BEGIN", error)) << error;
    ASSERT_TRUE(run(db.get(), "INSERT INTO Mesures (Texte) VALUES ('avant')", error)) << error;
    for (const char* clause : {"OR FAIL", "OR IGNORE", "OR REPLACE"}) {
        EXPECT_FALSE(run(db.get(),
                         std::string("INSERT ") + clause + " INTO Mesures (Texte) VALUES ('a'), ('b'), ('" +
                             std::string(51, 'c') + "')",
                         error))
            << clause;
        EXPECT_NE(error.find("« Texte »"), std::string::npos) << error;
        EXPECT_EQ(single(db.get(), "SELECT count(*) FROM Mesures"), "3") << clause;
    }
    ASSERT_TRUE(run(db.get(), "COMMIT", error)) << error;
    Connection again = attached(m_path);
    EXPECT_EQ(single(again.get(), "SELECT group_concat(Texte, '/') FROM Mesures WHERE N > 2"), "avant");
}

}  // namespace
}  // namespace kervane::test
