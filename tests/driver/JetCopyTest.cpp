#include "tests/driver/JetCopyTest.h"

#include "tests/driver/jet/JetWriterSupport.h"


#include <filesystem>
#include <sstream>

namespace kervane::test {

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string JetCopyTest::copyOf(const std::string& relative)
{
    const std::string source = testDataPath(relative);
    if (source.empty())
        return {};
    const std::string copy = path(std::filesystem::path(relative).filename().string());
    std::filesystem::copy_file(source, copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return copy;
}

long long JetCopyTest::exportedRows(const std::string& file, const std::string& table)
{
    int status = 0;
    const std::string mark = "@@ligne@@";
    const std::string out = runTool("mdb-export", {"-H", "-R", mark, file, table}, status);
    EXPECT_EQ(status, 0) << table;
    long long count = 0;
    for (std::size_t at = out.find(mark); at != std::string::npos; at = out.find(mark, at + mark.size()))
        ++count;
    return count;
}

std::string JetCopyTest::verify(const std::string& file)
{
    return jetcheck({"verify", "--user-only", file});
}

std::string JetCopyTest::tool(const std::string& program, const std::vector<std::string>& arguments)
{
    int status = 0;
    const std::string out = runTool(program, arguments, status);
    EXPECT_EQ(status, 0) << program << " : " << out;
    return out;
}

std::string JetCopyTest::jetcheck(const std::vector<std::string>& arguments)
{
    return tool(jetToolsFolder() + "/jetcheck", arguments);
}

SQLRETURN JetCopyTest::autocommit(const Connexion& connexion, bool on)
{
    return SQLSetConnectOption(connexion.handle(), SQL_AUTOCOMMIT, on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
}

std::string JetCopyTest::accessFile(const std::string& file)
{
    return std::string("DRIVER={") + ACCESS_DRIVER + "};DBQ=" + file;
}

SQLRETURN JetCopyTest::connectTo(Connexion& connexion, const std::string& file)
{
    return connexion.driverConnect(accessFile(file));
}

SQLRETURN JetCopyTest::connectForChanges(Connexion& connexion, const std::string& file)
{
    const SQLRETURN connected = connectTo(connexion, file);
    return connected == SQL_SUCCESS ? autocommit(connexion, false) : connected;
}

std::vector<Row> JetCopyTest::select(const Connexion& connexion, const std::string& sql)
{
    Instruction stmt(connexion);
    EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << " : " << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
    return fetchAll(stmt.handle());
}

void JetCopyTest::change(const Connexion& connexion, const std::string& sql)
{
    Instruction stmt(connexion);
    EXPECT_EQ(stmt.exec(sql), SQL_SUCCESS) << sql << " : " << diagRec(SQL_HANDLE_STMT, stmt.handle()).message;
}

Diagnostic JetCopyTest::refusal(const Connexion& connexion, const std::string& sql)
{
    Instruction stmt(connexion);
    EXPECT_EQ(stmt.exec(sql), SQL_ERROR) << sql;
    return diagRec(SQL_HANDLE_STMT, stmt.handle());
}

long long JetCopyTest::number(const Connexion& connexion, const std::string& sql)
{
    const std::vector<Row> rows = select(connexion, sql);
    return rows.empty() || !rows[0][0] ? -1 : std::stoll(*rows[0][0]);
}

void JetCopyTest::commit(const Environnement& env, const Connexion& connexion)
{
    ASSERT_EQ(SQLTransact(env.handle(), connexion.handle(), SQL_COMMIT), SQL_SUCCESS)
        << lastError(env.handle(), connexion.handle(), SQL_NULL_HSTMT).message;
}

}  // namespace kervane::test
