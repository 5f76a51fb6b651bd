// New empty Access databases made through SQLConfigDataSource (CREATE_DBV4, CREATE_DBV3): jetcheck
// and mdbtools read them as Access's own empty files, the driver then fills them; a path taken or
// another sort order is refused and nothing is touched.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/driver/jet/JetTestSupport.h"

#include <odbcinst.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kervane::test {
namespace {

class CreateDatabaseTest : public JetCopyTest {
protected:
    void SetUp() override
    {
        JetCopyTest::SetUp();
        if (jetToolsFolder().empty() || !haveProgram("mdb-tables"))
            GTEST_SKIP() << "jetcheck ou mdbtools absent";
    }

    // SQLConfigDataSource(ODBC_ADD_DSN) with the single keyword `entry`; the installer's message
    // in `message` when it refuses.
    static bool add(const std::string& entry, std::string* message = nullptr)
    {
        std::string list = entry;
        list.append(2, '\0');
        if (SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, list.c_str()))
            return true;
        DWORD code = 0;
        char text[1024] = {};
        WORD length = 0;
        SQLInstallerError(1, &code, text, sizeof text, &length);
        if (message != nullptr)
            *message = text;
        return false;
    }

    static std::vector<std::string> jetcheckLines(const std::vector<std::string>& arguments)
    {
        return linesOf(jetcheck(arguments));
    }

    // jetcheck info --system on the four tables every empty file holds: their names, columns
    // and indexes.
    static std::vector<std::string> catalogue(const std::string& file)
    {
        std::vector<std::string> kept;
        bool inside = false;
        for (const std::string& line : jetcheckLines({"info", "--system", file})) {
            if (line.starts_with("table ")) {
                const std::string name = line.substr(6, line.find(':') - 6);
                inside = name == "MSysObjects" || name == "MSysACEs" || name == "MSysQueries" ||
                         name == "MSysRelationships";
                if (inside)
                    kept.push_back(name);
            } else if (inside && line.starts_with("  ")) {
                kept.push_back(line);
            }
        }
        return kept;
    }

    static bool verified(const std::string& file, bool strict)
    {
        std::vector<std::string> arguments{"verify"};
        if (strict)
            arguments.push_back("--strict");
        arguments.push_back(file);
        const std::vector<std::string> out = jetcheckLines(arguments);
        return !out.empty() && out.back().starts_with("RESULT: OK");
    }
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(CreateDatabaseTest, NewFilesHoldTheCatalogueOfAccessEmptyFilesAndTakeTablesAndRows)
{
    struct Case {
        std::string keyword;
        std::string file;
        std::string genuine;  // a genuine file of the same version
        bool strict;
    };
    for (const Case& c : {Case{"CREATE_DBV4", path("nouvelle base.mdb"), "jet/emptyJet4.mdb", true},
                          Case{"CREATE_DBV3", path("ancienne.mdb"), "jet/testV1997.mdb", false}}) {
        SCOPED_TRACE(c.keyword);
        const std::string genuine = testDataPath(c.genuine);
        if (genuine.empty())
            GTEST_SKIP() << "KERVANE_TEST_DATA absent";
        std::string message;
        ASSERT_TRUE(add(c.keyword + "=\"" + c.file + "\" General", &message)) << message;
        EXPECT_TRUE(verified(c.file, c.strict));
        EXPECT_EQ(catalogue(c.file), catalogue(genuine));
        if (c.strict) {
            // An empty genuine Jet 4 file: the same header facts, pages and tables, line for line.
            std::vector<std::string> ours = jetcheckLines({"info", "--system", c.file});
            std::vector<std::string> theirs = jetcheckLines({"info", "--system", genuine});
            ASSERT_FALSE(ours.empty() || theirs.empty());
            EXPECT_EQ(std::vector(ours.begin() + 1, ours.end()), std::vector(theirs.begin() + 1, theirs.end()));
        }
        int status = 0;
        const std::vector<std::string> tables = linesOf(runTool("mdb-tables", {"-1", "-S", c.file}, status));
        EXPECT_EQ(status, 0);
        for (const char* name : {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
            EXPECT_NE(std::find(tables.begin(), tables.end(), name), tables.end()) << name;

        {
            Environnement env;
            Connexion connexion(env);
            ASSERT_TRUE(SQL_SUCCEEDED(connectForChanges(connexion, c.file)));
            change(connexion, "CREATE TABLE Mesures (Id COUNTER PRIMARY KEY, Nom TEXT(50), Valeur DOUBLE)");
            Instruction insert(connexion);
            char name[16] = {};
            SQLLEN nameLength = SQL_NTS;
            double value = 0;
            ASSERT_TRUE(SQL_SUCCEEDED(SQLPrepare(insert.handle(),
                reinterpret_cast<SQLCHAR*>(const_cast<char*>("INSERT INTO Mesures (Nom, Valeur) VALUES (?, ?)")), SQL_NTS)));
            SQLBindParameter(insert.handle(), 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, name, sizeof name, &nameLength);
            SQLBindParameter(insert.handle(), 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &value, 0, nullptr);
            for (int i = 0; i < 1000; ++i) {
                std::snprintf(name, sizeof name, "n%04d", i);
                value = 1.5 * i;
                ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(insert.handle()))) << i;
            }
            change(connexion, "CREATE INDEX ParNom ON Mesures (Nom)");
            commit(env, connexion);
            // Rows n0500 to n0999: 500 of them, 1.5 * (500 + ... + 999) = 562125.
            const std::vector<Row> rows = select(connexion, "SELECT COUNT(*), SUM(Valeur) FROM Mesures WHERE Nom >= 'n0500'");
            ASSERT_EQ(rows.size(), 1u);
            EXPECT_EQ(rows[0][0], "500");
            EXPECT_EQ(std::stod(rows[0][1].value_or("0")), 562125.0);
        }
        EXPECT_TRUE(verified(c.file, c.strict));
        EXPECT_EQ(exportedRows(c.file, "Mesures"), 1000);
    }
}

TEST_F(CreateDatabaseTest, ATakenPathAnotherSortOrderAndCompactionAreRefusedLeavingEverythingAsItWas)
{
    const std::string taken = path("existante.mdb");
    std::ofstream(taken, std::ios::binary) << "pas une base";
    std::string message;
    EXPECT_FALSE(add("CREATE_DB=" + taken, &message));
    EXPECT_NE(message.find("existe déjà"), std::string::npos) << message;
    EXPECT_EQ(contents(taken), "pas une base");

    const std::string other = path("suedoise.mdb");
    EXPECT_FALSE(add("CREATE_DBV4=" + other + " Swedish", &message));
    EXPECT_NE(message.find("General"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(other));

    EXPECT_FALSE(add("COMPACT_DB=" + taken + " " + other, &message));
    EXPECT_NE(message.find("n'est pas encore possible"), std::string::npos) << message;
    EXPECT_EQ(contents(taken), "pas une base");

    // Nothing half-made left in the folder: no temporary file beside them.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(taken).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace kervane::test
