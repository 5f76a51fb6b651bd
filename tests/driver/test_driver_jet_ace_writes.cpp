// Access 2007 and later files (.accdb) changed through the driver. Their text keys follow the
// sort order the file declares: "General - Legacy" in Access 2007 files, "General" in those of
// Access 2010 and later, whose codes differ; jetcheck (Jackcess) compares every entry with the
// key it encodes itself, in the column's own order. What the writer cannot keep right is refused
// before anything changes.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/JetCopyTest.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kervane::test {
namespace {

class AceWritesTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty())
            GTEST_SKIP() << "jetcheck absent (../shared/tools/jetcheck)";
    }

    // nwind grown once by jetgen into a file of that format; empty when it cannot be made.
    std::string grownNwind(const std::string& format)
    {
        const std::string grown = path("nwind-" + format + ".accdb");
        int status = -1;
        if (!nwindPath().empty())
            runTool(jetToolsFolder() + "/jetgen", {"--format", format, "grow", nwindPath(), grown, "1"}, status);
        return status == 0 ? grown : std::string();
    }

    static std::string strictVerify(const std::string& file)
    {
        return jetcheck({"verify", "--strict", "--user-only", file});
    }

    static std::string bytesOf(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

struct SortOrderCase {
    const char* format;
    const char* sortOrder;  // as jetcheck info names it
    const char* ownCharacter;    // has a code in this order only
    const char* otherCharacter;  // has a code in the other order only
};

// Customers' text indexes (CustomerID, CompanyName, City, PostalCode, Region) take French, German,
// Scandinavian, Greek, Cyrillic and hiragana names, punctuation and digits, in inserts, updates
// and deletes, and so does a table created with a descending index. Each order's own character
// (S with comma below: "General" only; the soft hyphen: "General - Legacy" only) is written; the
// other's is refused and the file stays as it was. Katakana are left out: jetcheck finds their
// entries equal to the keys it encodes itself, but fails to look their rows up by key, in Jet 4
// files too.
TEST_F(AceWritesTest, TextKeysFollowTheSortOrderTheFileDeclares)
{
    const SortOrderCase cases[] = {
        {"V2007", "SortOrder[1033(0)]", "co\u00adop", "Bucure\u0219ti"},
        {"V2016", "SortOrder[1033(1)]", "Bucure\u0219ti", "co\u00adop"},
        {"V2019", "SortOrder[1033(0)]", "co\u00adop", "Bucure\u0219ti"},  // made from an older file
    };
    for (const SortOrderCase& c : cases) {
        SCOPED_TRACE(c.format);
        const std::string file = grownNwind(c.format);
        if (file.empty())
            GTEST_SKIP() << "nwind.mdb ou jetgen absent";
        ASSERT_NE(jetcheck({"info", file}).find(c.sortOrder), std::string::npos);
        Session connexion(accessFile(file), false, false);
        const char* names[] = {"Sté d''Œuvres", "Straße", "Ærøskøbing", "Ωmega", "Москва", "ひらがな",
                               "a–b « c »", "12, rue", "Zoë", "ĳssel", c.ownCharacter};
        int n = 0;
        for (const char* name : names)
            change(connexion, "INSERT INTO Customers (CustomerID, CompanyName, City, Region) VALUES ('K" +
                                  std::to_string(n++) + "', '" + name + "', 'Ville " + std::to_string(n) + "', '" +
                                  name + "')");
        commit(connexion);
        change(connexion, "UPDATE Customers SET City = 'Besançon', Region = NULL WHERE Country = 'France'");
        change(connexion, "DELETE FROM Customers WHERE Country = 'Germany'");
        change(connexion, "CREATE TABLE Villes (Code TEXT(10) PRIMARY KEY, Nom TEXT(50))");
        change(connexion, "CREATE INDEX Noms ON Villes (Nom DESC)");
        change(connexion, "INSERT INTO Villes SELECT CustomerID, CompanyName FROM Customers");
        commit(connexion);
        EXPECT_NE(strictVerify(file).find("RESULT: OK"), std::string::npos);
        EXPECT_EQ(number(connexion, "SELECT count(*) FROM Customers WHERE Region = '" + std::string(c.ownCharacter) + "'"), 1);

        const std::string before = bytesOf(file);
        expectRefused(connexion,
                      "INSERT INTO Customers (CustomerID, CompanyName) VALUES ('K99', '" + std::string(c.otherCharacter) +
                          "')",
                      "CompanyName", "ordre de tri n'est pas connu");
        commit(connexion);
        EXPECT_EQ(bytesOf(file), before);
    }
}

// A table with a column the writer does not compute (calculated by Access) or does not encode (a
// list of values) is refused whole, the file unchanged; its neighbours in the same file change.
TEST_F(AceWritesTest, TablesWithColumnsAccessComputesAreRefusedUnchanged)
{
    JET_COPY_OR_SKIP(calculated, "ace/calcFieldTestV2010.accdb");
    JET_COPY_OR_SKIP(complex, "ace/complexDataTestV2010.accdb");
    {
        Session connexion(accessFile(calculated), false, false);
        const std::string before = bytesOf(calculated);
        expectRefused(connexion, "DELETE FROM Table1", "est calculée par Access", "pas encore possible");
        EXPECT_EQ(bytesOf(calculated), before);
    }
    Session connexion(accessFile(complex), false, false);
    const std::string before = bytesOf(complex);
    expectRefused(connexion, "UPDATE Table1 SET id = 'row9' WHERE id = 'row1'", "Table1",
                  "ne sait pas encore écrire");
    EXPECT_EQ(bytesOf(complex), before);
}

// The types Access 2016 added, in a file Jackcess wrote (AceTypeTables.java): large numbers read
// as SQL_BIGINT to their limits, extended dates as timestamps with seven digits of fraction,
// sorted and compared as dates from year 1 to 9999; inserted, changed and deleted rows keep both
// indexes exact (the extended date's one descending) and read back in jetcheck as written.
TEST_F(AceWritesTest, LargeNumbersAndExtendedDatesReadWrittenAndKeyed)
{
    const std::string file = path("types.accdb");
    std::string why;
    if (!makeJackcessFile("AceTypeTables.java", file, why))
        GTEST_SKIP() << why;
    Session connexion(accessFile(file), true, false);
    EXPECT_EQ(connexion.rows("SELECT N, Grand, Quand FROM Mesures ORDER BY Quand, N"),
              (std::vector<Row>{{"4", std::nullopt, std::nullopt},
                                {"1", "9223372036854775807", "0001-01-01 00:00:00"},
                                {"5", "1234567890123", "1850-06-15 12:30:45.1234567"},
                                {"3", "0", "1899-12-30 00:00:00"},
                                {"6", "-42", "2024-02-29 08:00:00.5"},
                                {"2", "-9223372036854775808", "9999-12-31 23:59:59.9999999"}}));
    ASSERT_EQ(connexion.exec("SELECT Grand, Quand FROM Mesures"), SQL_SUCCESS);
    SQLSMALLINT type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    ASSERT_EQ(SQLDescribeCol(connexion.h(), 1, nullptr, 0, nullptr, &type, &size, &digits, &nullable), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_BIGINT);
    ASSERT_EQ(SQLDescribeCol(connexion.h(), 2, nullptr, 0, nullptr, &type, &size, &digits, &nullable), SQL_SUCCESS);
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP);
    EXPECT_EQ(digits, 7);
    connexion.stmt.close();
    EXPECT_EQ(number(connexion, "SELECT count(*) FROM Mesures WHERE Quand < #1900-01-01#"), 3);

    change(connexion, "INSERT INTO Mesures (N, Grand, Quand) VALUES (7, 5000000000, '0100-03-01 00:00:00.0000001')");
    change(connexion, "INSERT INTO Mesures (N, Grand, Quand) VALUES (8, -1, '0012-05-06T07:08:09')");
    change(connexion, "UPDATE Mesures SET Grand = Grand - 1, Quand = #2000-01-01 10:00:00# WHERE N = 3");
    change(connexion, "DELETE FROM Mesures WHERE N = 5");
    expectRefused(connexion, "INSERT INTO Mesures (N, Quand) VALUES (9, '2021-02-29')", "n'est pas une date valide");
    commit(connexion);
    EXPECT_NE(strictVerify(file).find("RESULT: OK"), std::string::npos);
    const std::vector<std::string> dumped = linesOf(jetcheck({"dump", "--sorted", file, "Mesures"}));
    EXPECT_EQ(std::vector<std::string>(dumped.begin() + 2, dumped.end()),
              (std::vector<std::string>{"1\t9223372036854775807\t0001-01-01 00:00:00\tpremier",
                                        "2\t-9223372036854775808\t9999-12-31 23:59:59.999999900\tdernier",
                                        "3\t-1\t2000-01-01 10:00:00\tzéro", "4\t\\N\t\\N\tvide",
                                        "6\t-42\t2024-02-29 08:00:00.500\tbissextile",
                                        "7\t5000000000\t0100-03-01 00:00:00.000000100\t\\N",
                                        "8\t-1\t0012-05-06 07:08:09\t\\N"}));
}

}  // namespace
}  // namespace kervane::test
