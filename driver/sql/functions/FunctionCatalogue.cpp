#include "driver/sql/functions/FunctionCatalogue.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <unordered_map>

namespace kervane::sql {
namespace {

std::string folded(std::string_view name)
{
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

// Every family's entries by their folded Access name; the first family naming a function wins.
const std::unordered_map<std::string, const FunctionInfo*>& functionsByName()
{
    static const auto table = [] {
        std::unordered_map<std::string, const FunctionInfo*> byName;
        for (const auto family : {textFunctions(), numberFunctions(), dateFunctions(), aggregateFunctions()})
            for (const FunctionInfo& info : family)
                byName.emplace(folded(info.name), &info);
        return byName;
    }();
    return table;
}

}  // namespace

const FunctionInfo* findFunction(std::string_view accessName)
{
    const auto& byName = functionsByName();
    const auto found = byName.find(folded(accessName));
    return found == byName.end() ? nullptr : found->second;
}

void registerAccessFunctions(sqlite3* db)
{
    registerTextFunctions(db);
    registerNumberFunctions(db);
    registerDateFunctions(db);
    registerAggregateFunctions(db);
}

}  // namespace kervane::sql
