#include "JetTestSupport.h"

#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kervane::test {

Connection memoryConnection()
{
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    return Connection(db);
}

bool query(sqlite3* db, const std::string& sql, std::vector<std::vector<std::string>>& rows, std::string& error)
{
    rows.clear();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            switch (sqlite3_column_type(statement, c)) {
            case SQLITE_NULL: row.emplace_back("NULL"); break;
            case SQLITE_BLOB: row.push_back("<" + std::to_string(sqlite3_column_bytes(statement, c)) + " bytes>"); break;
            default: row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)));
            }
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE)
        error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

std::string single(sqlite3* db, const std::string& sql)
{
    std::vector<std::vector<std::string>> rows;
    std::string error;
    if (!query(db, sql, rows, error))
        return "ERREUR " + error;
    return rows.empty() || rows[0].empty() ? "AUCUNE LIGNE" : rows[0][0];
}

std::vector<unsigned char> dataPage(const jet::JetFileFormat& format, const std::vector<std::vector<unsigned char>>& rows)
{
    std::vector<unsigned char> page(static_cast<std::size_t>(format.pageSize), 0);
    const auto put = [&](int at, std::size_t value) {
        page[static_cast<std::size_t>(at)] = static_cast<unsigned char>(value & 0xff);
        page[static_cast<std::size_t>(at) + 1] = static_cast<unsigned char>(value >> 8);
    };
    page[0] = 0x01;
    put(format.pageRowCount, rows.size());
    std::size_t end = page.size();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        end -= rows[i].size();
        std::copy(rows[i].begin(), rows[i].end(), page.begin() + static_cast<long>(end));
        put(format.pageFirstSlot + 2 * static_cast<int>(i), end);
    }
    return page;
}

std::vector<unsigned char> readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Connection attached(const std::string& path)
{
    Connection db = memoryConnection();
    std::string error;
    jet::JetFile* file = nullptr;
    EXPECT_TRUE(jet::attachJetDatabase(db.get(), path, error, nullptr, &file)) << error;
    if (file != nullptr)
        jet::declareFileTables(db.get(), *file);
    return db;
}

std::string declarationRefusal(sqlite3* db, const jet::JetFile& file, const std::string& table)
{
    if (jet::declareFileTable(db, file, table) != sql::SchemaCatalogue::Declared::Refused)
        return {};
    return sqlite3_errmsg(db);
}

std::vector<std::vector<std::string>> rowsOf(sqlite3* db, const std::string& sql)
{
    std::vector<std::vector<std::string>> rows;
    std::string error;
    EXPECT_TRUE(query(db, sql, rows, error)) << sql << " : " << error;
    return rows;
}

}  // namespace kervane::test
