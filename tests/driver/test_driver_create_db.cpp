// New empty Access databases made through SQLConfigDataSource (CREATE_DBV4, CREATE_DBV3): jetcheck
// and mdbtools read them as Access's own empty files, the driver then fills them; compacted copies
// (COMPACT_DB, REPAIR_DB) of genuine files and of new ones read back as the files they copy. A path
// taken, another sort order or a file in use is refused and nothing is touched.
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

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The rows mdb-export gives of every user table of `file`, sorted: libmdb's reading, which does not
// depend on where the rows lie.
std::vector<std::string> exportedTables(const std::string& file)
{
    int status = 0;
    std::vector<std::string> rows;
    for (const std::string& table : linesOf(runTool("mdb-tables", {"-1", file}, status))) {
        const std::string mark = "@@ligne@@\n";
        std::string out = runTool("mdb-export", {"-R", mark, file, table}, status);
        EXPECT_EQ(status, 0) << table;
        std::vector<std::string> lines;
        for (std::size_t at = 0, end; (end = out.find(mark, at)) != std::string::npos; at = end + mark.size())
            lines.push_back(table + ": " + out.substr(at, end - at));
        rows.insert(rows.end(), lines.begin(), lines.end());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// What jetcheck counts of a file's objects: its tables, queries and relationships.
std::vector<std::string> objectCounts(const std::vector<std::string>& info)
{
    std::vector<std::string> counts;
    for (const std::string& line : info)
        if (line.starts_with("tables:") || line.starts_with("queries:") || line.starts_with("relationships:"))
            counts.push_back(line);
    return counts;
}

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

    // `copy`, the compacted copy of `original`, holds the same rows, tables, queries and
    // relationships as jetcheck, mdbtools and the driver read them, and its indexes are sound.
    static void expectSameBase(const std::string& original, const std::string& copy, bool strict)
    {
        const std::string before = jetcheck({"dump", "--sorted", original});
        EXPECT_FALSE(before.empty());
        EXPECT_EQ(jetcheck({"dump", "--sorted", copy}), before);
        EXPECT_TRUE(verified(copy, strict));
        EXPECT_EQ(objectCounts(jetcheckLines({"info", original})), objectCounts(jetcheckLines({"info", copy})));
        EXPECT_EQ(exportedTables(copy), exportedTables(original));
        // The stored queries: their names as mdbtools lists them, their rows (under the same Ids)
        // as jetcheck reads them.
        int status = 0;
        const auto queries = [&status](const std::string& file) {
            std::vector<std::string> names = linesOf(runTool("mdb-queries", {"-1", file}, status));
            std::sort(names.begin(), names.end());
            return names;
        };
        EXPECT_EQ(queries(copy), queries(original));
        EXPECT_EQ(jetcheck({"dump", "--system", "--sorted", copy, "MSysQueries"}),
                  jetcheck({"dump", "--system", "--sorted", original, "MSysQueries"}));
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
            for (int i = 0; i < 10000; ++i) {
                std::snprintf(name, sizeof name, "n%04d", i);
                value = 1.5 * i;
                ASSERT_TRUE(SQL_SUCCEEDED(SQLExecute(insert.handle()))) << i;
            }
            change(connexion, "CREATE INDEX ParNom ON Mesures (Nom)");
            change(connexion, "CREATE TABLE Releves (N LONG PRIMARY KEY, Mesure LONG, Note MEMO, "
                              "CONSTRAINT DeLaMesure FOREIGN KEY (Mesure) REFERENCES Mesures (Id) ON DELETE CASCADE)");
            change(connexion, "INSERT INTO Releves (N, Mesure, Note) SELECT Id, Id, String(200, 'x') FROM Mesures "
                              "WHERE Id <= 300");
            change(connexion, "DELETE FROM Mesures WHERE Id > 9000");
            change(connexion, "CREATE VIEW Hautes AS SELECT Nom, Valeur FROM Mesures WHERE Valeur > 12000");
            commit(env, connexion);
        }
        // Rows n5000 to n8999 (Ids 5001 to 9000): 4,000 of them, 1.5 * (5000 + ... + 8999) = 41997000.
        const std::string compacted = path(c.keyword + " compactée.mdb");
        std::string refusal;
        ASSERT_TRUE(add("COMPACT_DB=\"" + c.file + "\" \"" + compacted + "\"", &refusal)) << refusal;
        expectSameBase(c.file, compacted, c.strict);
        for (const std::string& file : {c.file, compacted}) {
            Environnement env;
            Connexion connexion(env);
            ASSERT_TRUE(SQL_SUCCEEDED(connectForChanges(connexion, file)));
            const std::vector<Row> rows = select(connexion, "SELECT COUNT(*), SUM(Valeur) FROM Mesures WHERE Nom >= 'n5000'");
            ASSERT_EQ(rows.size(), 1u);
            EXPECT_EQ(rows[0][0], "4000");
            EXPECT_EQ(std::stod(rows[0][1].value_or("0")), 41997000.0);
            // Valeur 1.5 * (Id - 1) > 12000 for Ids 8002 to 9000; the counter goes on after the
            // deleted rows.
            EXPECT_EQ(number(connexion, "SELECT COUNT(*) FROM Hautes"), 999);
            change(connexion, "INSERT INTO Mesures (Nom) VALUES ('suivante')");
            EXPECT_EQ(number(connexion, "SELECT Id FROM Mesures WHERE Nom = 'suivante'"), 10001);
            expectRefused(connexion, "INSERT INTO Releves (N, Mesure) VALUES (1000, 9500)", "table liée");
            change(connexion, "DELETE FROM Mesures WHERE Id = 1");
            EXPECT_EQ(number(connexion, "SELECT COUNT(*) FROM Releves"), 299);
        }
        EXPECT_EQ(exportedRows(compacted, "Mesures"), 9000);
    }
}

TEST_F(CreateDatabaseTest, ATakenPathAnotherSortOrderOrABaseInUseAreRefusedLeavingEverythingAsItWas)
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

    // A copy never replaces a file; a base in use is not compacted; a path is required.
    JET_COPY_OR_SKIP(base, "jet/testV2000.mdb");
    const std::string before = contents(base);
    EXPECT_FALSE(add("COMPACT_DB=" + base + " " + taken, &message));
    EXPECT_NE(message.find("existe déjà"), std::string::npos) << message;
    EXPECT_EQ(contents(taken), "pas une base");
    {
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectTo(connexion, base)));
        EXPECT_FALSE(add("COMPACT_DB=" + base + " " + other, &message));
        EXPECT_NE(message.find("ouverte par une autre connexion"), std::string::npos) << message;
        EXPECT_FALSE(add("REPAIR_DB=" + base, &message));
        EXPECT_NE(message.find("ouverte par une autre connexion"), std::string::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_EQ(contents(base), before);
    EXPECT_FALSE(add("COMPACT_DB=" + base, &message));
    EXPECT_NE(message.find("celui de sa copie compactée"), std::string::npos) << message;
    EXPECT_FALSE(add("REPAIR_DB=" + path("absente.mdb"), &message));
    EXPECT_NE(message.find("n'existe pas"), std::string::npos) << message;

    // Nothing half-made left in the folder: no temporary file beside them.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(taken).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(CreateDatabaseTest, GenuineBasesCompactedReadBackAsTheyWereThroughEveryReader)
{
    // Access 97 and 2000 files: relationships, stored queries, forms and modules (nwind), a
    // replication ID key in ascending and descending indexes, deleted columns, fixed-length texts.
    struct Case {
        const char* file;
        bool strict;
    };
    for (const Case& c : {Case{"nwind.mdb", false}, Case{"jet/testIndexCodesV1997.mdb", false},
                          Case{"jet/delColTestV2000.mdb", true}, Case{"jet/fixedTextTestV2000.mdb", true},
                          Case{"jet/queryTestV2000.mdb", true}}) {
        SCOPED_TRACE(c.file);
        JET_COPY_OR_SKIP(original, c.file);
        const std::string before = contents(original);
        const std::string copy = path("compactée " + std::filesystem::path(c.file).filename().string());
        std::string message;
        ASSERT_TRUE(add("COMPACT_DB=" + original + " \"" + copy + "\" General", &message)) << message;
        EXPECT_EQ(contents(original), before);
        expectSameBase(original, copy, c.strict);
    }
}

TEST_F(CreateDatabaseTest, RepairReplacesABaseByItsCompactedCopyKeepingItsPermissions)
{
    JET_COPY_OR_SKIP(base, "jet/testV2000.mdb");
    {
        // Table4 is keyed on a replication ID: its keys are checked against jetcheck's.
        Environnement env;
        Connexion connexion(env);
        ASSERT_TRUE(SQL_SUCCEEDED(connectForChanges(connexion, base)));
        change(connexion, "INSERT INTO Table4 (name, data) VALUES ('a', '{0FC49B7B-E656-4228-AEDC-DF8BDF4C4A64}')");
        change(connexion, "INSERT INTO Table4 (name, data) VALUES ('b', '{121F2F33-14BC-4D1B-8296-7A5F31660F87}')");
        commit(env, connexion);
    }
    const std::string saved = path("avant.mdb");
    std::filesystem::copy_file(base, saved);
    std::filesystem::permissions(base, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    const auto size = std::filesystem::file_size(base);
    std::string message;
    ASSERT_TRUE(add("REPAIR_DB=\"" + base + "\"", &message)) << message;
    EXPECT_LT(std::filesystem::file_size(base), size / 4);  // most of the file is space deleted rows left
    EXPECT_EQ(std::filesystem::status(base).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
    expectSameBase(saved, base, true);
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(base).parent_path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace kervane::test
