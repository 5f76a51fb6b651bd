#pragma once
// The stored queries of an Access file, rebuilt as Access SQL from MSysObjects (the query
// objects, Type 5, whose Flags give the kind) and MSysQueries (the parts of each query).
#include <string>
#include <vector>

namespace kervane::jet {

struct StoredQuery {
    std::string name;
    enum class Kind { Select, Union, Crosstab, MakeTable, Append, Update, Delete, DataDefinition, PassThrough } kind =
        Kind::Select;
    std::string sql;                      // Access SQL as the SQL view shows it, lines ending in "\n"
    std::vector<std::string> parameters;  // declared parameter names, without brackets
};

class JetFile;

// Every query of the file, by name. Queries of a kind not listed above (bulk pass-through,
// procedures) are left out; so are all of them when MSysObjects or MSysQueries cannot be read.
std::vector<StoredQuery> readStoredQueries(JetFile& file);

}  // namespace kervane::jet
