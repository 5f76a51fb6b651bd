#pragma once

#include <string>
#include <vector>

struct sqlite3;

// Declaring thousands of virtual tables one CREATE VIRTUAL TABLE at a time costs time in the
// square of their number: each one re-reads the whole schema table to load itself. Written
// straight into an empty schema and loaded once, they cost time in proportion to it.
namespace kervane::jet {

struct Declaration {
    std::string name;
    std::string statement;  // CREATE VIRTUAL TABLE "name" USING module(argument)
    bool system = false;    // left out, not refused, when SQLite cannot connect it
};

enum class DeclarationOutcome {
    Declared,    // all declared and connected, but the system tables SQLite refuses
    Refused,     // a user table SQLite refuses: nothing is declared, `error` says why
    Unavailable  // the schema cannot be written that way here: nothing changed
};

// Declares every table in the main schema of `db` at once. Only on an empty main schema, with
// names unique without regard to case, and when the schema table may be written (not in
// SQLite's defensive mode, no authorizer refusing it); else Unavailable.
DeclarationOutcome declareAtOnce(sqlite3* db, const std::vector<Declaration>& tables, std::string& error);

}  // namespace kervane::jet
