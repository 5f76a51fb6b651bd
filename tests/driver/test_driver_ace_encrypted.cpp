// Access 2007 files a password encrypts, copies of db2007-oldenc.accdb (CryptoAPI RC4),
// db2007-enc.accdb (agile AES) and db-nonstandard.accdb (AES through another provider): each
// opens only with its password and reads as its README states; rows added, some undone, an index
// made and a writer killed while it commits leave files that reopen with the same password, read
// back right and stay encrypted. The page cipher gives back Access's own bytes when it enciphers
// what it deciphered, and a copy deciphered page by page reads and checks under jetcheck.
#include "tests/driver/JetCopyTest.h"
#include "tests/driver/jet/ChildProcess.h"
#include "tests/driver/jet/JetTestSupport.h"

#include "driver/jet/format/JetPageCipher.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace kervane::test {
namespace {

constexpr std::size_t kPage = 4096;
constexpr int kRowsATransaction = 40;

struct EncryptedFile {
    const char* name;
    const char* password;
    const char* table;  // what the README says the file holds
    const char* field1;  // Field1 of its one row, ID 1; nullptr when the README names no row
};

const EncryptedFile kFiles[] = {
    {"db2007-oldenc.accdb", "Test123", "Table1", "foo"},
    {"db2007-enc.accdb", "Test123", "Table1", "foo"},
    {"db-nonstandard.accdb", "password", "Table_One", nullptr},
};

// The transactions of 40 rows a writer commits one after the other until it is killed.
bool writeUntilKilled(const std::string& connection)
{
    Environnement env;
    Connexion connexion(env);
    if (!SQL_SUCCEEDED(connexion.driverConnect(connection)) ||
        !SQL_SUCCEEDED(SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF)))
        return false;
    for (int t = 0;; ++t) {
        Instruction stmt(connexion);
        for (int i = 0; i < kRowsATransaction; ++i) {
            if (!SQL_SUCCEEDED(stmt.exec("INSERT INTO Essai (n) VALUES (" + std::to_string(t * kRowsATransaction + i) + ")")))
                return false;
            stmt.close();
        }
        if (!SQL_SUCCEEDED(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT)))
            return false;
    }
}

class AceEncryptedTest : public JetCopyTest, public ::testing::WithParamInterface<EncryptedFile> {
protected:
    std::string withPassword(const std::string& file, const std::string& password) const
    {
        return accessFile(file) + (password.empty() ? "" : ";PWD=" + password);
    }
    // The diagnostic of a connection attempt; empty state when it connects.
    static Diagnostic attempt(const std::string& connection)
    {
        Environnement env;
        Connexion connexion(env);
        if (SQL_SUCCEEDED(connexion.driverConnect(connection)))
            return {};
        return diagRec(SQL_HANDLE_DBC, connexion.handle());
    }
    // The cipher the file's header and password give.
    static jet::JetPageCipher cipherOf(const std::vector<unsigned char>& bytes, const std::string& password)
    {
        jet::JetPageCipher cipher;
        EXPECT_EQ(jet::JetPageCipher::ofEncryptedHeader(bytes.data(), kPage, password, cipher),
                  jet::OfficeOpening::Opened);
        return cipher;
    }
    // A plain copy of an encrypted file: every page deciphered, the header's key cleared.
    std::string decipheredCopy(const std::string& file, const std::string& password)
    {
        std::vector<unsigned char> bytes = readBytes(file);
        const jet::JetPageCipher cipher = cipherOf(bytes, password);
        for (std::size_t page = 1; page < bytes.size() / kPage; ++page)
            cipher.decipher(static_cast<std::uint32_t>(page), bytes.data() + page * kPage, kPage);
        jet::JetPageCipher().writeKeyInto(bytes.data());
        const std::string plain = file + ".clair.accdb";
        std::ofstream(plain, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                     static_cast<std::streamsize>(bytes.size()));
        return plain;
    }
};

TEST_P(AceEncryptedTest, OpensOnlyWithItsPasswordAndReadsItsRows)
{
    const EncryptedFile& encrypted = GetParam();
    JET_COPY_OR_SKIP(file, std::string("crypt/") + encrypted.name);
    const std::vector<unsigned char> before = readBytes(file);
    const std::string password = encrypted.password;
    std::string otherCase = password;
    otherCase[0] = static_cast<char>(std::islower(static_cast<unsigned char>(otherCase[0])) ? std::toupper(otherCase[0])
                                                                                          : std::tolower(otherCase[0]));
    for (const std::string& given : {std::string(), std::string("faux"), otherCase}) {
        const Diagnostic refused = attempt(withPassword(file, given));
        EXPECT_EQ(refused.state, "28000") << given;
        EXPECT_NE(refused.message.find(file), std::string::npos) << refused.message;
        for (const std::string& secret : {password, given.empty() ? password : given})
            EXPECT_EQ(refused.message.find(secret), std::string::npos) << refused.message;
    }
    EXPECT_EQ(readBytes(file), before);
    Session session(withPassword(file, password));
    const std::string table = encrypted.table;
    if (encrypted.field1 == nullptr) {
        EXPECT_GE(number(session, "SELECT count(ID) FROM " + table), 0);
    } else {
        EXPECT_EQ(select(session, "SELECT ID, Field1 FROM " + table), (std::vector<Row>{{"1", encrypted.field1}}));
    }
    // What the cipher deciphers, it enciphers back into Access's own bytes.
    const jet::JetPageCipher cipher = cipherOf(before, password);
    for (std::size_t page = 1; page < before.size() / kPage; ++page) {
        std::vector<unsigned char> bytes(before.begin() + static_cast<std::ptrdiff_t>(page * kPage),
                                         before.begin() + static_cast<std::ptrdiff_t>((page + 1) * kPage));
        cipher.decipher(static_cast<std::uint32_t>(page), bytes.data(), kPage);
        cipher.encipher(static_cast<std::uint32_t>(page), bytes.data(), kPage);
        ASSERT_TRUE(std::equal(bytes.begin(), bytes.end(), before.begin() + static_cast<std::ptrdiff_t>(page * kPage)))
            << "page " << page;
    }
}

TEST_P(AceEncryptedTest, ChangesLeaveItEncryptedAndReadableWithTheSamePassword)
{
    const EncryptedFile& encrypted = GetParam();
    JET_COPY_OR_SKIP(file, std::string("crypt/") + encrypted.name);
    const std::vector<unsigned char> header = readBytes(file);
    const std::string connection = withPassword(file, encrypted.password);
    {
        Session session(connection, true, false);
        change(session, "CREATE TABLE Essai (n LONG PRIMARY KEY, t TEXT(60))");
        commit(session);
        // A reader of its own, and the writer itself, see each commit although they keep the
        // pages they deciphered.
        Session reader(connection);
        EXPECT_EQ(number(reader, "SELECT count(*) FROM Essai"), 0);
        for (int i = 0; i < 1000; ++i)
            change(session, "INSERT INTO Essai (n, t) VALUES (" + std::to_string(i) + ", 'valeur chiffrée " +
                                std::to_string(i) + "')");
        commit(session);
        EXPECT_EQ(number(session, "SELECT count(*) FROM Essai"), 1000);
        EXPECT_EQ(number(reader, "SELECT count(*) FROM Essai"), 1000);
        change(session, "DELETE FROM Essai WHERE n < 500");
        EXPECT_EQ(SQLEndTran(SQL_HANDLE_DBC, session.dbc(), SQL_ROLLBACK), SQL_SUCCESS);
        change(session, "CREATE INDEX par_t ON Essai (t)");
        commit(session);
    }
    {
        Session again(connection);
        EXPECT_EQ(number(again, "SELECT count(*) FROM Essai"), 1000);
        EXPECT_EQ(number(again, "SELECT sum(n) FROM Essai"), 499500);
        EXPECT_EQ(select(again, "SELECT n FROM Essai WHERE t = 'valeur chiffrée 777'"), (std::vector<Row>{{"777"}}));
    }
    EXPECT_EQ(attempt(withPassword(file, "faux")).state, "28000");
    // Still encrypted: the header as it was, the new pages enciphered too (the catalogue's
    // definition page does not show its mark on disk).
    const std::vector<unsigned char> now = readBytes(file);
    ASSERT_GT(now.size(), header.size());
    EXPECT_TRUE(std::equal(header.begin(), header.begin() + kPage, now.begin()));
    EXPECT_NE(now[2 * kPage], 0x02);
    // Deciphered, the file reads and checks under an independent reader.
    const std::string plain = decipheredCopy(file, encrypted.password);
    verify(plain);
    EXPECT_EQ(linesOf(jetcheck({"dump", plain, "Essai"})).size(), 1002u);  // title, columns, rows
}

// A writer killed (SIGKILL) at random moments while it commits to an encrypted copy: the next
// connection, with the password, finds whole transactions only, and the file still encrypted.
TEST_P(AceEncryptedTest, AWriterKilledAnywhereLeavesWholeTransactions)
{
    const EncryptedFile& encrypted = GetParam();
    JET_COPY_OR_SKIP(original, std::string("crypt/") + encrypted.name);
    {
        Session session(withPassword(original, encrypted.password));
        change(session, "CREATE TABLE Essai (n LONG PRIMARY KEY)");
    }
    const std::vector<unsigned char> header = readBytes(original);
    const std::string file = path("victime.accdb");
    const std::string connection = withPassword(file, encrypted.password);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delay(100, 700);
    long long transactions = 0;
    for (int run = 0; run < 5 && !HasFailure(); ++run) {
        SCOPED_TRACE("arrêt " + std::to_string(run));
        std::filesystem::copy_file(original, file, std::filesystem::copy_options::overwrite_existing);
        {
            ChildProcess writer([&] { return writeUntilKilled(connection); });
            std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
            writer.kill();
            writer.wait();
        }
        {
            Session session(connection);
            const long long added = number(session, "SELECT count(*) FROM Essai");
            EXPECT_EQ(added % kRowsATransaction, 0) << "une transaction à moitié écrite";
            EXPECT_EQ(number(session, "SELECT sum(n) FROM Essai"), added * (added - 1) / 2);
            transactions += added / kRowsATransaction;
        }
        EXPECT_FALSE(std::filesystem::exists(file + ".kvj")) << "journal laissé";
        const std::vector<unsigned char> now = readBytes(file);
        EXPECT_TRUE(std::equal(header.begin(), header.begin() + kPage, now.begin()));
    }
    EXPECT_GT(transactions, 0) << "aucune transaction n'a atteint sa validation : les arrêts sont venus trop tôt";
}

INSTANTIATE_TEST_SUITE_P(Files, AceEncryptedTest, ::testing::ValuesIn(kFiles), [](const auto& parameter) {
    const std::string name = parameter.param.name;
    return name == "db2007-oldenc.accdb" ? std::string("CryptoApiRc4")
           : name == "db2007-enc.accdb"  ? std::string("AgileAes")
                                         : std::string("NonStandardProvider");
});

}  // namespace
}  // namespace kervane::test
