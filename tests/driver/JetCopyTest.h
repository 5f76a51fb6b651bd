#pragma once
// A test that changes copies of genuine Access files through the driver: the copy made in the
// test's own folder, a connection to it, and statements run and checked one by one.
#include "tests/driver/OdbcTestSupport.h"

#include <string>
#include <vector>

// Declares `file`, a writable copy of the shared test file `relative` in the test's folder, or
// skips the test when the test data is absent.
#define JET_COPY_OR_SKIP(file, relative)                                                           \
    const std::string file = copyOf(relative);                                                     \
    if (file.empty())                                                                              \
    GTEST_SKIP() << "KERVANE_TEST_DATA absent : " << (relative) << " manque"

namespace kervane::test {

// The lines of a text.
std::vector<std::string> linesOf(const std::string& text);

class JetCopyTest : public OdbcTest {
protected:
    // A writable copy of a shared test file in the test's folder, or empty.
    std::string copyOf(const std::string& relative);
    // jetcheck verify --user-only on `file`: its output, the status checked.
    static std::string verify(const std::string& file);
    // The output of `program` (of jetcheck) run with `arguments`, its status checked.
    static std::string tool(const std::string& program, const std::vector<std::string>& arguments);
    static std::string jetcheck(const std::vector<std::string>& arguments);
    // The rows of `table` as mdb-export (libmdb) reads them, its rows ended by a mark no value holds.
    static long long exportedRows(const std::string& file, const std::string& table);

    // The connection string of an Access file, for a Session.
    static std::string accessFile(const std::string& file);
    static SQLRETURN autocommit(const Connexion& connexion, bool on);
    static SQLRETURN connectTo(Connexion& connexion, const std::string& file);
    // connectTo, then autocommit off: the changes wait for commit().
    static SQLRETURN connectForChanges(Connexion& connexion, const std::string& file);
    static std::vector<Row> select(const Connexion& connexion, const std::string& sql);
    static void change(const Connexion& connexion, const std::string& sql);
    static Diagnostic refusal(const Connexion& connexion, const std::string& sql);
    // refusal, its message holding every fragment given.
    template <class... Fragments>
    static void expectRefused(const Connexion& connexion, const std::string& sql, const Fragments&... fragments)
    {
        const std::string message = refusal(connexion, sql).message;
        for (const std::string& fragment : {std::string(fragments)...})
            EXPECT_NE(message.find(fragment), std::string::npos) << sql << " : " << message;
    }
    // The first value of a statement's first row as a number; -1 when there is none.
    static long long number(const Connexion& connexion, const std::string& sql);
    // Commits the connection's transaction, the driver's message shown when it fails.
    static void commit(const Environnement& env, const Connexion& connexion);
    static void commit(const Session& session) { commit(session.env, session.connexion); }
};

}  // namespace kervane::test
