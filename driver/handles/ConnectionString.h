#pragma once
// "KEY=value;KEY={value};..." connection strings and the data-source lookup in odbc.ini.
#include <map>
#include <string>
#include <string_view>

namespace kervane::odbc {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using Attributes = std::map<std::string, std::string, CaseInsensitiveLess>;

Attributes parseConnectionString(std::string_view text);
std::string formatConnectionString(const Attributes& attributes);
// The DBQ value of the data source in odbc.ini (user, then system), empty when absent.
std::string dataSourceFile(const std::string& dataSource);
// A keyword's value in the data source's definition; empty when it has none.
std::string dataSourceValue(const std::string& dataSource, const char* keyword);
// Exclusive=1 in the connection string, or else in the data source: the base for one connection.
bool exclusiveAsked(const Attributes& attributes, const std::string& dataSource);

}  // namespace kervane::odbc
