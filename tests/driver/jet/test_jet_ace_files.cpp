// Access 2007 and later files (.accdb) read through the driver's module: every table of every
// such file of the test data, and of the files jetgen writes in the Access 2007, 2016 and 2019
// formats, reads as jetcheck (Jackcess, an unrelated reader) dumps it, calculated columns and
// texts outside the Basic Multilingual Plane included; complex columns (multi-value lists,
// attachments, memo histories) read as the values of their hidden tables.
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <filesystem>

using namespace kervane::test;

namespace {

struct DumpedTable {
    std::string name;
    std::vector<std::pair<std::string, std::string>> columns;  // name, jetcheck's type
    std::vector<std::string> rows;                              // as jetcheck prints them, sorted
};

// A dumped line's fields, empty ones included.
std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> split(1);
    for (const char c : line) {
        if (c == '\t')
            split.emplace_back();
        else
            split.back() += c;
    }
    return split;
}

std::vector<DumpedTable> dumpedTables(const std::string& file)
{
    int status = 0;
    std::vector<DumpedTable> tables;
    for (const std::string& line : jetcheck({"dump", "--sorted", file}, status)) {
        if (line.starts_with("### TABLE ")) {
            tables.push_back({line.substr(10), {}, {}});
        } else if (!tables.empty() && tables.back().columns.empty()) {
            for (const std::string& field : fields(line)) {
                const std::size_t colon = field.rfind(':');
                tables.back().columns.emplace_back(field.substr(0, colon), field.substr(colon + 1));
            }
        } else if (!tables.empty() && !line.empty()) {
            tables.back().rows.push_back(line);
        }
    }
    EXPECT_FALSE(tables.empty()) << file << " : " << status;
    // jetcheck prints a complex column as the key of its values, which the driver replaces with
    // the values themselves (compared apart): the column is left out on both sides.
    for (DumpedTable& table : tables) {
        for (std::string& row : table.rows) {
            std::vector<std::string> values = fields(row);
            row.clear();
            for (std::size_t c = 0; c < values.size(); ++c) {
                const bool complex = c < table.columns.size() && table.columns[c].second.starts_with("COMPLEX");
                row += (c == 0 ? "" : "\t") + (complex ? std::string("-") : values[c]);
            }
        }
        std::sort(table.rows.begin(), table.rows.end());
    }
    return tables;
}

std::string withoutTrailingZeros(std::string number)
{
    if (number.find('.') != std::string::npos) {
        number.erase(number.find_last_not_of('0') + 1);
        if (number.back() == '.')
            number.pop_back();
    }
    return number == "-0" ? "0" : number;
}

// The fewest digits that read back as `value`, written out without an exponent.
template <typename Real>
std::string shortest(Real value)
{
    char text[64];
    const std::string written(text, std::to_chars(text, text + sizeof text, value, std::chars_format::scientific).ptr);
    const std::size_t e = written.find('e');
    if (e == std::string::npos)
        return written;  // inf, nan
    const bool negative = written.front() == '-';
    std::string digits;
    for (char c : written.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
        if (c != '.')
            digits += c;
    const int point = std::stoi(written.substr(e + 1)) + 1;  // digits before the decimal point
    std::string plain;
    if (point <= 0)
        plain = "0." + std::string(static_cast<std::size_t>(-point), '0') + digits;
    else if (static_cast<std::size_t>(point) >= digits.size())
        plain = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
    else
        plain = digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
    return (negative ? "-" : "") + plain;
}

std::string escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char code[8];
                std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned char>(c));
                out += code;
            } else {
                out += c;
            }
        }
    }
    return out;
}

// A value as jetcheck prints one of its type: Yes/No as 1 or 0, numbers in their shortest plain
// form, currencies and decimals without trailing zeros, binary values in lowercase hexadecimal.
std::string printed(sqlite3_stmt* row, int column, const std::string& type)
{
    if (type.starts_with("COMPLEX"))
        return "-";
    if (sqlite3_column_type(row, column) == SQLITE_NULL)
        return "\\N";
    if (type.starts_with("BINARY") || type == "OLE" || type.starts_with("UNSUPPORTED")) {
        // Bytes of a type Jackcess does not know: "RawData[(n) XX XX XX XX  XX …]".
        const bool raw = type.starts_with("UNSUPPORTED");
        const auto* bytes = static_cast<const unsigned char*>(sqlite3_column_blob(row, column));
        const int size = sqlite3_column_bytes(row, column);
        std::string hex = raw ? "RawData[(" + std::to_string(size) + ")" : "";
        for (int i = 0; i < size; ++i) {
            char pair[4];
            std::snprintf(pair, sizeof pair, raw ? "%02X" : "%02x", bytes[i]);
            hex += std::string(raw ? (i % 4 == 0 && i > 0 ? "  " : " ") : "") + pair;
        }
        return raw ? hex + "]" : hex;
    }
    const std::string text = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    if (type == "BOOLEAN")
        return sqlite3_column_int(row, column) != 0 ? "1" : "0";
    if (type == "FLOAT")
        return shortest(static_cast<float>(sqlite3_column_double(row, column)));
    if (type == "DOUBLE")
        return shortest(sqlite3_column_double(row, column));
    if (type == "MONEY" || type.starts_with("NUMERIC"))
        return withoutTrailingZeros(text);
    return escaped(text);
}

// The rows of `table` read by the driver, its columns in jetcheck's order, printed and sorted. A
// complex column, which jetcheck prints as the key of its values, is read as that key.
std::vector<std::string> readRows(sqlite3* db, const DumpedTable& table, std::string& error)
{
    std::string sql = "SELECT ";
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        const std::string column = "[" + table.columns[c].first + "]";
        sql += (c == 0 ? "" : ", ") + (table.columns[c].second.starts_with("COMPLEX") ? "NULL" : column);
    }
    sql += " FROM [" + table.name + "]";
    sqlite3_stmt* statement = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string line;
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            line += (c == 0 ? "" : "\t") + printed(statement, static_cast<int>(c), table.columns[c].second);
        rows.push_back(line);
    }
    if (sqlite3_errcode(db) != SQLITE_DONE && sqlite3_errcode(db) != SQLITE_OK)
        error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The first field where the driver's rows differ from jetcheck's, named by row and column; empty
// when they are the same.
std::string firstDifference(const DumpedTable& table, const std::vector<std::string>& read)
{
    if (read.size() != table.rows.size())
        return std::to_string(read.size()) + " lignes au lieu de " + std::to_string(table.rows.size());
    for (std::size_t r = 0; r < read.size(); ++r) {
        const std::vector<std::string> got = fields(read[r]);
        const std::vector<std::string> expected = fields(table.rows[r]);
        for (std::size_t c = 0; c < std::max(got.size(), expected.size()); ++c) {
            const std::string a = c < got.size() ? got[c] : "(absente)";
            const std::string b = c < expected.size() ? expected[c] : "(absente)";
            if (a != b)
                return "ligne " + std::to_string(r + 1) + ", colonne " +
                       (c < table.columns.size() ? table.columns[c].first : "?") + " : « " + a.substr(0, 80) +
                       " » au lieu de « " + b.substr(0, 80) + " »";
        }
    }
    return {};
}

// Every table jetcheck dumps reads the same through the driver, except the tables the file links
// to other databases (MSysObjects types 4 and 6), which the driver does not follow; the count of
// tables compared is returned.
int compareEveryTable(const std::string& file)
{
    SCOPED_TRACE(file);
    Connection db = attached(file);
    std::vector<std::string> linked;
    for (const auto& row : rowsOf(db.get(), "SELECT Name FROM MSysObjects WHERE Type IN (4, 6)"))
        linked.push_back(row[0]);
    int compared = 0;
    for (const DumpedTable& table : dumpedTables(file)) {
        if (std::find(linked.begin(), linked.end(), table.name) != linked.end())
            continue;
        std::string error;
        EXPECT_EQ(firstDifference(table, readRows(db.get(), table, error)), "") << table.name;
        EXPECT_EQ(error, "") << table.name;
        ++compared;
    }
    return compared;
}

}  // namespace

TEST(AceFiles, EveryTableReadsAsJackcessReadsIt)
{
    REQUIRE_FILE(known, "ace/indexTestV2007.accdb");
    const std::filesystem::path folder = std::filesystem::path(known).parent_path();
    if (jetToolsFolder().empty())
        GTEST_SKIP() << "jetcheck absent : le dossier des outils Jet manque";
    int files = 0;
    int tables = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".accdb")
            continue;
        ++files;
        tables += compareEveryTable(entry.path().string());
    }
    // The test data's files of the Access 2007 and 2010 formats, 33 at least.
    EXPECT_GE(files, 33);
    EXPECT_GE(tables, 60);
}

// Files jetgen writes with every Access type, in the formats of Access 2007, 2016 and 2019 (ACE 12,
// 16 and 17), which the test data has none of.
TEST(AceFiles, EveryAccessTypeReadsInTheNewerFormats)
{
    if (jetgenProgram().empty())
        GTEST_SKIP() << "jetgen ou Java absent : les fichiers ne peuvent pas être faits";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* format : {"V2007", "V2016", "V2019"}) {
        const std::string file = folder.filePath(QString("types-%1.accdb").arg(format)).toStdString();
        int status = 0;
        runTool(jetgenProgram(), {"--format", format, "sample", file}, status);
        ASSERT_EQ(status, 0) << format;
        EXPECT_EQ(compareEveryTable(file), 1) << format;
    }
}

// The complex columns of complexDataTest (Access 2007 and 2010): each row reads the values its
// key names in the hidden tables, in the order they were added, as jetcheck dumps those tables
// (f_…_multi-value-data, f_…_attach-data's file names, f_…_VersionHistory_…'s memo versions).
TEST(AceFiles, ComplexColumnsReadAsTheirValuesJoined)
{
    for (const char* name : {"ace/complexDataTestV2007.accdb", "ace/complexDataTestV2010.accdb"}) {
        SCOPED_TRACE(name);
        REQUIRE_FILE(path, name);
        Connection db = attached(path);
        EXPECT_EQ(rowsOf(db.get(), "SELECT id, [multi-value-data], [attach-data], "
                                   "[VersionHistory_F5F8918F-0A3F-4DA9-AE71-184EE5012880] FROM Table1 ORDER BY id"),
                  (std::vector<std::vector<std::string>>{
                      {"row1", "NULL", "NULL", "NULL"},
                      {"row2", "value1; value4", "test_data.txt; test_data2.txt", "row2-memo"},
                      {"row3", "value1; value2; value3; value4", "NULL", "row3-memo; row3-memo-revised; row3-memo-again"},
                      {"row4", "NULL", "test_data2.txt", "row4-memo"}}));
    }
}
