#pragma once
// Relationships taken out of a Jet 3 or Jet 4 file (ALTER TABLE … DROP CONSTRAINT), and indexes
// taken out of tables in relationships: a relationship names the indexes of its two tables by
// their numbers, so taking an index out numbers again the references every related table holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kervane::jet {

class JetPages;

// Takes out the index as the user sees it at each (definition page, position) given, in that
// order (a position as it is when its turn comes), and brings the references of the tables
// related to them, the table itself included, to the new numbers; every
// definition changed is written and its page added to `changed`. False with a French message
// when a definition cannot be read or written.
bool removeLogicalIndexes(JetPages& pages, const std::vector<std::pair<std::uint32_t, std::size_t>>& erased,
                          std::vector<std::uint32_t>& changed, std::string& error);

// Removes the relationship named `name` of the table whose definition starts on `page`, the
// referring one: its index there and the referenced side's, its rows in MSysRelationships.
// `found` is false, nothing changed, when that table refers to no relationship of that name.
bool dropRelationship(JetPages& pages, std::uint32_t page, const std::string& table, const std::string& name,
                      bool& found, std::vector<std::uint32_t>& changed, std::string& error);

// The names of the relationships by which the table `table` refers to a table (itself
// included), as MSysRelationships records them; `referred` tells whether another table refers to
// it. False with a French message when MSysRelationships cannot be read.
bool referringRelationships(JetPages& pages, const std::string& table, std::vector<std::string>& names,
                            bool& referred, std::string& error);

// Whether MSysRelationships records a relationship joining the table `table` (by its column
// `column` when one is named) to another, its integrity enforced or not; false with a French
// message when it cannot be read.
bool recordedRelationship(JetPages& pages, const std::string& table, bool& related, std::string& error,
                          const std::string& column = {});

}  // namespace kervane::jet
