// Database passwords of Access 97 and 2000 files, set, changed and removed by ALTER DATABASE
// PASSWORD on copies of genuine files: a protected file opens only with its password (PWD, case
// included), refusals are SQLSTATE 28000 and change nothing, and no diagnostic repeats a password.
// Jackcess reads the password back independently (PasswordOf.java).
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/JetTestSupport.h"
#include "tests/driver/jet/JetWriterSupport.h"

#include <odbcinst.h>

namespace kervane::test {
namespace {

const std::string PASSWORD = "Sécret-97";  // an accent, a capital, a sign: kept as given

class JetPasswordTest : public JetCopyTest {
protected:
    // The diagnostic of a connection attempt with `password` (none when empty); empty state
    // when it connects.
    static Diagnostic attempt(const std::string& file, const std::string& password)
    {
        Environnement env;
        Connexion connexion(env);
        const std::string text = accessFile(file) + (password.empty() ? "" : ";PWD=" + password);
        if (SQL_SUCCEEDED(connexion.driverConnect(text)))
            return {};
        return diagRec(SQL_HANDLE_DBC, connexion.handle());
    }
    // The password Jackcess reads from the file, "(aucun)" for none.
    static std::string passwordOf(const std::string& file)
    {
        std::string why;
        const std::optional<std::string> read = runJackcessFixture("PasswordOf.java", file, why);
        EXPECT_TRUE(read.has_value()) << why;
        return read.value_or(why);
    }
    // COMPACT_DB through the installer; its message when it refuses.
    static std::string compact(const std::string& source, const std::string& destination)
    {
        std::string entry = "COMPACT_DB=\"" + source + "\" \"" + destination + "\"";
        entry.append(2, '\0');
        if (SQLConfigDataSource(nullptr, ODBC_ADD_DSN, ACCESS_DRIVER, entry.c_str()))
            return {};
        DWORD code = 0;
        char text[1024] = {};
        WORD length = 0;
        SQLInstallerError(1, &code, text, sizeof text, &length);
        return text[0] != '\0' ? text : "refusé";
    }
    static void expectNoPassword(const Diagnostic& diagnostic)
    {
        for (const std::string& secret : {PASSWORD, std::string("Autre-20-caracteres!")})
            EXPECT_EQ(diagnostic.message.find(secret), std::string::npos) << diagnostic.message;
    }
};

TEST_F(JetPasswordTest, SetChangedAndRemovedOnAccess97And2000Files)
{
    for (const char* original : {"jet/testV1997.mdb", "jet/testV2000.mdb"}) {
        SCOPED_TRACE(original);
        JET_COPY_OR_SKIP(file, original);
        {
            // Only a connection that holds the file alone changes its password.
            Session shared(accessFile(file));
            expectRefused(shared, "ALTER DATABASE PASSWORD [" + PASSWORD + "] NULL", "Exclusive=1");
        }
        EXPECT_EQ(passwordOf(file), "(aucun)");
        {
            Session alone(accessFile(file) + ";Exclusive=1");
            change(alone, "ALTER DATABASE PASSWORD [" + PASSWORD + "] NULL");
        }
        EXPECT_EQ(passwordOf(file), PASSWORD);
        const std::vector<unsigned char> before = readBytes(file);
        // None, a wrong one and one differing only by case are refused, the file untouched.
        for (const std::string& given : {std::string(), std::string("faux"), std::string("sécret-97")}) {
            const Diagnostic refused = attempt(file, given);
            EXPECT_EQ(refused.state, "28000") << given;
            EXPECT_NE(refused.message.find(file), std::string::npos) << refused.message;
            expectNoPassword(refused);
        }
        EXPECT_EQ(readBytes(file), before);
        EXPECT_EQ(attempt(file, PASSWORD).state, "");
        // A compacted copy keeps it.
        const std::string compacted = file + ".compactée.mdb";
        EXPECT_EQ(compact(file, compacted), "");
        EXPECT_EQ(passwordOf(compacted), PASSWORD);
        EXPECT_EQ(attempt(compacted, "").state, "28000");
        // Through a data source, SQLConnect's password is the file's.
        addDataSource("Base protégée", file);
        for (const auto& [given, connects] : {std::pair{std::string(), false}, std::pair{PASSWORD, true}}) {
            Environnement env;
            Connexion connexion(env);
            EXPECT_EQ(SQL_SUCCEEDED(connexion.connect("Base protégée", "admin", given)), connects) << given;
        }
        {
            Session alone(accessFile(file) + ";Exclusive=1;PWD=" + PASSWORD);
            EXPECT_EQ(number(alone, "SELECT count(*) FROM Table1"), 2);
            // The one in force must be given: a wrong one changes nothing.
            const Diagnostic wrongOld = refusal(alone, "ALTER DATABASE PASSWORD [x] [" + PASSWORD + "x]");
            expectNoPassword(wrongOld);
            change(alone, "ALTER DATABASE PASSWORD [Autre-20-caracteres!] [" + PASSWORD + "]");
            expectRefused(alone, "ALTER DATABASE PASSWORD [Vingt-et-un-caracteres] [Autre-20-caracteres!]", "20");
        }
        EXPECT_EQ(passwordOf(file), "Autre-20-caracteres!");
        EXPECT_EQ(attempt(file, PASSWORD).state, "28000");
        {
            Session alone(accessFile(file) + ";Exclusive=1;PWD=Autre-20-caracteres!");
            change(alone, "ALTER DATABASE PASSWORD NULL [Autre-20-caracteres!]");
        }
        EXPECT_EQ(passwordOf(file), "(aucun)");
        EXPECT_EQ(attempt(file, "").state, "");
        EXPECT_EQ(attempt(file, "ignoré").state, "");  // a file without a password ignores PWD
        verify(file);
    }
}

TEST_F(JetPasswordTest, ASqliteBaseHasNone)
{
    Session session;
    expectRefused(session, "ALTER DATABASE PASSWORD [" + PASSWORD + "] NULL", "SQLite");
}

}  // namespace
}  // namespace kervane::test
