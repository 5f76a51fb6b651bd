#pragma once
// One small call for each ODBC function the driver may claim, made the way an application makes
// it (valid arguments, through unixODBC), each checking the result the ODBC reference documents.
#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <map>
#include <string>

namespace kervane::test {

// The base a call works on: a data source, a table with an integer key and a text column, and
// its known row count. Read-only bases (genuine Access files) skip the calls that write.
struct BancEssai {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    std::string dsn, table, key, text;
    long rows = 0;
    bool writable = true;
};

struct AppelControle {
    const char* name;
    bool writes;  // needs a base the driver may change
    std::function<void(const BancEssai&)> call;
};

// SQL_API_* id -> its call. Functions sharing an id (SQLColAttribute and SQLColAttributes) share
// one entry that calls both.
const std::map<SQLUSMALLINT, AppelControle>& appelsControle();

}  // namespace kervane::test
