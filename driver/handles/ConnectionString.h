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

}  // namespace kervane::odbc
