#pragma once
// Relationships made between two tables of a Jet 3 or Jet 4 file as Access makes them, with the
// integrity Access enforces: the referring table gets an index on its referring columns, both
// tables an index naming the other side (its table and index, the cascades), and the catalogue
// one MSysRelationships row per pair of columns. The rows already there must refer to rows that
// exist, or nothing is made.
#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetPages;
class JetRelatedRows;

struct JetRelationshipRequest {
    std::string name;   // empty: Access's, the referenced table's name then the referring one's
    std::string table;  // the referring table
    std::vector<std::string> columns;
    std::string referenced;
    std::vector<std::string> referencedColumns;  // empty: the referenced table's primary key
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
    bool cascadeNull = false;  // ON DELETE SET NULL
    // A relationship Access only records, its integrity not enforced: no index, no check.
    bool enforced = true;
    std::int64_t moreFlags = 0;  // what else Access records of it: one to one, the kind of join
};

// Sets the kind of `request` (enforced, cascades, what else Access records) from the grbit value
// MSysRelationships keeps for a relationship.
void takeRelationshipFlags(std::int64_t grbit, JetRelationshipRequest& request);

// The relationship between the tables whose definitions start on `referringPage` and
// `referencedPage`; `related` answers for the rows of the referenced table. False with a French
// message (the transaction's pages then to be rolled back) when the relationship cannot be made.
bool createRelationship(JetPages& pages, std::uint32_t referringPage, std::uint32_t referencedPage,
                        const JetRelationshipRequest& request, JetRelatedRows* related, std::string& error);

}  // namespace kervane::jet
