#pragma once
#include "tests/support/DonneesTest.h"

#include "driver/jet/format/JetFileFormat.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

// Declares `path`, the shared test file, or skips the test with a clear message when absent.
#define REQUIRE_NWIND(path)                                                                       \
    const std::string path = nwindPath();                                                         \
    if (path.empty())                                                                             \
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
#define REQUIRE_FILE(path, relative)                                                               \
    const std::string path = testDataPath(relative);                                               \
    if (path.empty())                                                                              \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";

namespace kervane::jet {
class JetFile;
}

namespace kervane::test {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Connection = std::unique_ptr<sqlite3, SqliteCloser>;
Connection memoryConnection();

// Runs `sql`, returning every row as texts ("NULL" for NULL, "<n bytes>" for BLOBs);
// false with SQLite's message on failure.
bool query(sqlite3* db, const std::string& sql, std::vector<std::vector<std::string>>& rows, std::string& error);
std::string single(sqlite3* db, const std::string& sql);
// A memory connection with the Jet file at path attached, its tables declared (a test failure
// when it cannot be).
Connection attached(const std::string& path);
// Declares the file's table `table` as a statement naming it would: SQLite's reason when it
// refuses (the definition cannot be read), empty otherwise.
std::string declarationRefusal(sqlite3* db, const jet::JetFile& file, const std::string& table);
// Every row of sql as texts (a test failure when it fails).
std::vector<std::vector<std::string>> rowsOf(sqlite3* db, const std::string& sql);

// A data page of the format holding `rows`, their offsets after the row count, the rows packed
// from the end of the page, row 0 last (as mdbtools' HACKING describes data pages).
std::vector<unsigned char> dataPage(const jet::JetFileFormat& format, const std::vector<std::vector<unsigned char>>& rows);

std::vector<unsigned char> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace kervane::test
