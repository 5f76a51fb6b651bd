#include "tests/driver/MetadataTestSupport.h"

namespace kervane::test {

std::vector<Record> records(SQLHSTMT stmt)
{
    const std::vector<std::string> names = columnNames(stmt);
    std::vector<Record> result;
    for (const Row& row : fetchAll(stmt)) {
        Record record;
        for (std::size_t i = 0; i < names.size() && i < row.size(); ++i)
            record[names[i]] = row[i];
        result.push_back(std::move(record));
    }
    return result;
}

std::vector<Record> catalogueRows(SQLHSTMT stmt, SQLRETURN call)
{
    EXPECT_EQ(call, SQL_SUCCESS) << diagRec(SQL_HANDLE_STMT, stmt).message;
    std::vector<Record> result = records(stmt);
    SQLFreeStmt(stmt, SQL_CLOSE);
    return result;
}

std::vector<std::string> column(const std::vector<Record>& rows, const std::string& name)
{
    std::vector<std::string> values;
    for (const Record& row : rows) {
        const auto found = row.find(name);
        values.push_back(found != row.end() && found->second ? *found->second : std::string());
    }
    return values;
}

const Record& byName(const std::vector<Record>& rows, const std::string& name, const std::string& value)
{
    for (const Record& row : rows) {
        const auto found = row.find(name);
        if (found != row.end() && found->second == value)
            return row;
    }
    ADD_FAILURE() << "no row with " << name << " = " << value;
    static const Record none;
    return none;
}

SQLCHAR* text(const char* name)
{
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(name));
}

}  // namespace kervane::test
