// The setup entry point through SQLConfigDataSource: add, reconfigure, remove data sources.
#include "tests/driver/OdbcTestSupport.h"

#include <odbcinst.h>

#include <fstream>
#include <sstream>

namespace kervane::test {
namespace {

std::string attributeList(std::initializer_list<std::string> entries)
{
    std::string list;
    for (const std::string& entry : entries) {
        list += entry;
        list.push_back('\0');
    }
    list.push_back('\0');
    return list;
}

BOOL configure(WORD request, const std::string& attributes)
{
    return SQLConfigDataSource(nullptr, request, ACCESS_DRIVER, attributes.c_str());
}

std::string profile(const std::string& dsn, const std::string& key)
{
    char buffer[1024] = {};
    SQLGetPrivateProfileString(dsn.c_str(), key.c_str(), "", buffer, sizeof buffer, "odbc.ini");
    return buffer;
}

std::string fileText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool dataSourceListed(const std::string& upperName)
{
    Environnement env;
    SQLCHAR name[2000];
    SQLCHAR description[2000];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLRETURN rc = SQLDataSources(env.handle(), SQL_FETCH_FIRST, name, sizeof name, &nameLength, description,
                                  sizeof description, &descriptionLength);
    while (rc == SQL_SUCCESS) {
        std::string found(reinterpret_cast<char*>(name), static_cast<std::size_t>(nameLength));
        for (char& c : found)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (found == upperName)
            return true;
        rc = SQLDataSources(env.handle(), SQL_FETCH_NEXT, name, sizeof name, &nameLength, description,
                            sizeof description, &descriptionLength);
    }
    return false;
}

TEST_F(OdbcTest, AddWritesTheDataSourceIntoTheUsersOdbcIniAndReplacesAnOldOne)
{
    const std::string dsn = "Base Suite Velmora";
    ASSERT_TRUE(configure(ODBC_ADD_DSN, attributeList({"DSN=" + dsn, "DBQ=/tmp/premiere.mdb",
                                                       "Description=" + dsn, "FIL=MS Access"})));
    EXPECT_EQ(profile(dsn, "Driver"), ACCESS_DRIVER);
    EXPECT_EQ(profile(dsn, "DBQ"), "/tmp/premiere.mdb");
    EXPECT_EQ(profile(dsn, "Description"), dsn);
    EXPECT_EQ(profile(dsn, "FIL"), "MS Access");
    EXPECT_NE(fileText(path("odbc.ini")).find("[Base Suite Velmora]"), std::string::npos);
    EXPECT_TRUE(dataSourceListed("BASE SUITE VELMORA"));

    ASSERT_TRUE(configure(ODBC_ADD_DSN, attributeList({"DSN=" + dsn, "DBQ=" + m_base, "Description=", "FIL=MS Access"})));
    EXPECT_EQ(profile(dsn, "DBQ"), m_base);
    EXPECT_EQ(profile(dsn, "Description"), "");
    const std::string text = fileText(path("odbc.ini"));
    EXPECT_EQ(text.find("[Base Suite Velmora]"), text.rfind("[Base Suite Velmora]")) << text;

    Session session(dsn, false);
}

TEST_F(OdbcTest, ConfigRepointsAnExistingDataSourceAndRefusesAnUnknownOne)
{
    const std::string other = path("autre.mdb");
    BaseSqlite(other).run("CREATE TABLE AUTRE(X LONG)");
    ASSERT_TRUE(configure(ODBC_CONFIG_DSN, attributeList({"DSN=Base Test", "DBQ=" + other, "FIL=MS Access"})));
    EXPECT_EQ(profile("Base Test", "DBQ"), other);
    EXPECT_EQ(Session("Base Test", false).exec("SELECT * FROM AUTRE"), SQL_SUCCESS);

    EXPECT_FALSE(configure(ODBC_CONFIG_DSN, attributeList({"DSN=Inexistante", "DBQ=" + other})));
    EXPECT_FALSE(dataSourceListed("INEXISTANTE"));
    EXPECT_FALSE(configure(ODBC_CONFIG_DSN, attributeList({"DBQ=" + other})));
    EXPECT_FALSE(configure(ODBC_ADD_DSN, attributeList({"DBQ=" + other})));
}

TEST_F(OdbcTest, RemoveDeletesTheDataSourceAndSystemVariantsUseTheSystemFile)
{
    ASSERT_TRUE(configure(ODBC_REMOVE_DSN, attributeList({"DSN=Base Test"})));
    EXPECT_EQ(profile("Base Test", "DBQ"), "");
    EXPECT_FALSE(dataSourceListed("BASE TEST"));

    const std::string systemFile = privateOdbcFolder() + "/odbc.ini";
    ASSERT_TRUE(configure(ODBC_ADD_SYS_DSN, attributeList({"DSN=Systeme Test", "DBQ=" + m_base})));
    EXPECT_NE(fileText(systemFile).find("[Systeme Test]"), std::string::npos);
    EXPECT_EQ(fileText(path("odbc.ini")).find("[Systeme Test]"), std::string::npos);
    EXPECT_TRUE(dataSourceListed("SYSTEME TEST"));
    ASSERT_TRUE(configure(ODBC_CONFIG_SYS_DSN, attributeList({"DSN=Systeme Test", "DBQ=/tmp/ailleurs.mdb"})));
    EXPECT_NE(fileText(systemFile).find("/tmp/ailleurs.mdb"), std::string::npos);
    ASSERT_TRUE(configure(ODBC_REMOVE_SYS_DSN, attributeList({"DSN=Systeme Test"})));
    EXPECT_EQ(fileText(systemFile).find("[Systeme Test]"), std::string::npos);
}

}  // namespace
}  // namespace kervane::test
