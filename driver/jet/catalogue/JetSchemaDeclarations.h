#pragma once
// Declaring thousands of virtual tables one CREATE VIRTUAL TABLE at a time costs time in the
// square of their number: each one re-reads the whole schema table to load itself, and SQLite
// connects it at once, which reads its definition. Written straight into an empty schema and
// loaded once, they cost time in proportion to it, and SQLite connects each table only when a
// statement first uses it.
#include <string>
#include <vector>

struct sqlite3;

namespace kervane::jet {

struct Declaration {
    std::string name;
    std::string statement;  // CREATE VIRTUAL TABLE "name" USING module(argument)
    bool system = false;    // created one by one: left out, not refused, when SQLite cannot create it
};

// Declares every table in the main schema of `db` at once, none connected yet. Only on an
// empty main schema, with names unique without regard to case, and when the schema table may
// be written (not in SQLite's defensive mode, no authorizer refusing it); else false and
// nothing changed.
bool declareAtOnce(sqlite3* db, const std::vector<Declaration>& tables);

}  // namespace kervane::jet
