#pragma once
// A query to store, taken apart as Access stores it: the kind in its MSysObjects Flags, and one
// MSysQueries row per attribute (JetQueryRow.h), numbered within each attribute from 1.
#include "driver/jet/catalogue/JetQueryRow.h"
#include "driver/sql/QueryDefinition.h"

#include <string>
#include <vector>

namespace kervane::jet {

struct JetNewQuery {
    std::string name;
    int objectFlags = 0;  // select 0, delete 32, update 48, append 64, make-table 80
    bool selects = true;  // gives rows: a select query
    std::vector<QueryRow> rows;
};

// The rows of CREATE VIEW or CREATE PROCEDURE's query: select, make-table, append, update and
// delete queries. False with a French message for what would not be stored faithfully (unions,
// crosstabs, sub-queries, tables in other files, ? markers…); throws sql::SqlError when the
// statement after AS does not parse.
bool designQuery(const sql::QueryDefinition& definition, JetNewQuery& query, std::string& error);

}  // namespace kervane::jet
