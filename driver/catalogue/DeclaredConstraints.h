#pragma once
// The keys a SQLite-format base's CREATE TABLE declares, read back from the statement SQLite
// keeps: SQLite forgets the names given with CONSTRAINT, which Access shows as the names of the
// primary key, of unique indexes and of relationships.
#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace kervane::odbc {

struct DeclaredConstraint {
    enum class Kind { PrimaryKey, Unique, ForeignKey } kind = Kind::PrimaryKey;
    std::string name;  // empty when the statement gave none
    std::vector<std::string> columns;
    std::string referencedTable;  // ForeignKey
};

// The constraints of `createTable`, table and column constraints alike, in the order written;
// empty when the statement cannot be read.
std::vector<DeclaredConstraint> declaredConstraints(std::string_view createTable);

// The constraints of the table `table` of the SQLite-format base `db`.
std::vector<DeclaredConstraint> declaredConstraints(sqlite3* db, const std::string& table);

// Whether `names` are `columns`, in order, case ignored.
bool sameColumnNames(const std::vector<std::string>& names, const std::vector<std::string>& columns);

}  // namespace kervane::odbc
