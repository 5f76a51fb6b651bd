#pragma once
// The Access/VBA functions the front end knows: their Access name, the SQLite function that
// computes them and the type of their result. Each family registers its own SQLite functions.
#include "driver/semantics/AccessType.h"

#include <span>
#include <string_view>

struct sqlite3;

namespace kervane::sql {

struct FunctionInfo {
    std::string_view name;        // Access name, matched without regard to case ("Left", "DateAdd")
    std::string_view sqliteName;  // the function registered on SQLite ("kv_left")
    int minArgs = 0;
    int maxArgs = 0;              // -1: any number
    AccessType result = AccessType::Unknown;
    int resultFromArgument = -1;  // >= 0: the result has the type of this argument (Abs, Int, Nz...)
    bool aggregate = false;
};

// Families: each one lists its functions and registers them (deterministic ones flagged
// SQLITE_DETERMINISTIC, all of them SQLITE_UTF8) on a SQLite connection.
std::span<const FunctionInfo> textFunctions();
void registerTextFunctions(sqlite3* db);
std::span<const FunctionInfo> numberFunctions();      // numbers, conversions, conditions
void registerNumberFunctions(sqlite3* db);
std::span<const FunctionInfo> dateFunctions();        // dates, Format and its kin
void registerDateFunctions(sqlite3* db);
std::span<const FunctionInfo> aggregateFunctions();   // First, Last, StDev, StDevP, Var, VarP
void registerAggregateFunctions(sqlite3* db);

// Every family together.
const FunctionInfo* findFunction(std::string_view accessName);
void registerAccessFunctions(sqlite3* db);
// kv_identity() for a SQLite base, which @@IDENTITY becomes: SQLite's last rowid (an Access
// file's module gives its own).
void registerRowidIdentity(sqlite3* db);

}  // namespace kervane::sql
