// Connecting through unixODBC: good connects, and every kind of bad file refused cleanly.
#include "tests/driver/OdbcTestSupport.h"

#include <odbcinst.h>

#include <fstream>

namespace kervane::test {
namespace {

std::string infoText(SQLHDBC dbc, SQLUSMALLINT type)
{
    char buffer[256] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(dbc, type, buffer, sizeof buffer, &length);
    return buffer;
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST_F(OdbcTest, Odbc2ConnectSucceedsWithoutInfoWhateverUserAndPassword)
{
    Environnement env;
    Connexion connexion(env);
    EXPECT_EQ(connexion.connect("Base Test", "", "0123456789"), SQL_SUCCESS);
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    EXPECT_EQ(SQLAllocStmt(connexion.handle(), &stmt), SQL_SUCCESS);
    EXPECT_EQ(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON), SQL_SUCCESS);
    EXPECT_EQ(infoText(connexion.handle(), SQL_DBMS_NAME), "ACCESS");
    EXPECT_EQ(infoText(connexion.handle(), SQL_DATA_SOURCE_READ_ONLY), "N");
    EXPECT_EQ(SQLFreeStmt(stmt, SQL_DROP), SQL_SUCCESS);
    connexion.disconnect();

    EXPECT_EQ(connexion.connect("Base Test", "quelqu'un", "n'importe quoi"), SQL_SUCCESS);
}

TEST_F(OdbcTest, DriverConnectWithOdbc3HandlesTakesDbqFromTheStringOrTheDataSource)
{
    Environnement env(true);
    Connexion direct(env);
    std::string out;
    ASSERT_EQ(direct.driverConnect("DRIVER={Microsoft Access Driver (*.mdb)};DBQ=" + m_base + ";", &out), SQL_SUCCESS);
    EXPECT_NE(out.find("DBQ=" + m_base), std::string::npos) << out;

    Session viaDsn("DSN=Base Test;UID=;PWD=secret");
    EXPECT_EQ(viaDsn.exec("SELECT * FROM BASE"), SQL_SUCCESS);
    ASSERT_EQ(Connexion(env).driverConnect("DSN=Base Test;UID=;PWD=secret", &out), SQL_SUCCESS);
    EXPECT_NE(out.find(m_base), std::string::npos) << out;
}

// Both names Access's drivers go by open files of every Access version, whatever their extension,
// and give the version as Access's driver gives it; enciphered files are refused as such.
TEST_F(OdbcTest, BothAccessDriverNamesOpenEveryVersionAndTellIt)
{
    struct Case {
        const char* file;
        const char* version;
    };
    Environnement env(true);
    for (const Case& c : {Case{"jet/testV1997.mdb", "03.50.0000"}, Case{"jet/testV2000.mdb", "04.00.0000"},
                          Case{"ace/indexTestV2007.accdb", "12.00.0000"}, Case{"ace/testEmoticonsV2010.accdb", "14.00.0000"}}) {
        const std::string file = testDataPath(c.file);
        if (file.empty())
            GTEST_SKIP() << c.file << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        for (const char* driver : {"Microsoft Access Driver (*.mdb)", "Microsoft Access Driver (*.mdb, *.accdb)"}) {
            Connexion connexion(env);
            ASSERT_EQ(connexion.driverConnect(std::string("DRIVER={") + driver + "};DBQ=" + file), SQL_SUCCESS)
                << driver << " " << file;
            EXPECT_EQ(infoText(connexion.handle(), SQL_DBMS_NAME), "ACCESS");
            EXPECT_EQ(infoText(connexion.handle(), SQL_DBMS_VER), c.version) << file;
        }
    }
    // Access 2007 files a password encrypts are refused with a message that says so.
    for (const char* protectedFile : {"crypt/db2007-oldenc.accdb", "crypt/db2007-enc.accdb",
                                      "crypt/db-nonstandard.accdb"}) {
        const std::string file = testDataPath(protectedFile);
        if (file.empty())
            continue;
        Connexion connexion(env);
        EXPECT_EQ(connexion.driverConnect("DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=" + file), SQL_ERROR);
        const Diagnostic diagnostic = diagRec(SQL_HANDLE_DBC, connexion.handle());
        EXPECT_NE(diagnostic.message.find("chiffrée"), std::string::npos) << diagnostic.message;
        EXPECT_NE(diagnostic.message.find(file), std::string::npos) << diagnostic.message;
    }
}

TEST_F(OdbcTest, BadFilesAreRefusedAtConnectWithAStateAndAFrenchMessageNamingTheFile)
{
    std::vector<std::string> files;
    files.push_back(path("absente.mdb"));
    writeFile(path("vide.mdb"), "");
    files.push_back(path("vide.mdb"));
    writeFile(path("texte.mdb"), "Ceci n'est pas une base de données.\n");
    files.push_back(path("texte.mdb"));
    std::string sqliteHeader("SQLite format 3", 16);
    writeFile(path("tronquee.mdb"), sqliteHeader + std::string(84, '\x01'));
    files.push_back(path("tronquee.mdb"));
    writeFile(path("jet.mdb"), std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(3000, '\x55'));
    files.push_back(path("jet.mdb"));
    const std::string nwind = nwindPath();
    if (!nwind.empty()) {
        std::ifstream source(nwind, std::ios::binary);
        std::string head(4096, '\0');
        source.read(head.data(), static_cast<std::streamsize>(head.size()));
        writeFile(path("jet-tronquee.mdb"), head);
        files.push_back(path("jet-tronquee.mdb"));
    }
    files.push_back(m_dossier.chemin().toStdString());

    Environnement env(true);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i]);
        const std::string dsn = "Mauvaise " + std::to_string(i);
        addDataSource(dsn, files[i]);
        Connexion connexion(env);
        EXPECT_EQ(connexion.connect(dsn), SQL_ERROR);
        const Diagnostic diagnostic = diagRec(SQL_HANDLE_DBC, connexion.handle());
        EXPECT_TRUE(diagnostic.state == "08001" || diagnostic.state == "HY000") << diagnostic.state;
        EXPECT_NE(diagnostic.message.find("[Kervane][Pilote ODBC Access]"), std::string::npos) << diagnostic.message;
        EXPECT_NE(diagnostic.message.find(files[i]), std::string::npos) << diagnostic.message;
    }
    EXPECT_EQ(std::ifstream(path("absente.mdb")).good(), false) << "a missing file must not be created";
}

TEST_F(OdbcTest, ADataSourceWithoutFileFailsWithAMessageNamingIt)
{
    std::string attributes("DSN=Sans fichier\0\0", 18);
    ASSERT_TRUE(SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, attributes.c_str()));
    Environnement env(true);
    Connexion connexion(env);
    EXPECT_EQ(connexion.connect("Sans fichier"), SQL_ERROR);
    const Diagnostic diagnostic = diagRec(SQL_HANDLE_DBC, connexion.handle());
    EXPECT_EQ(diagnostic.state, "08001");
    EXPECT_NE(diagnostic.message.find("« Sans fichier »"), std::string::npos) << diagnostic.message;
}

}  // namespace
}  // namespace kervane::test
