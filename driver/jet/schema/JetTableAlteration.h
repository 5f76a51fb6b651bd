#pragma once
// Changes of an existing table of a Jet 3 or Jet 4 file, made in its definition as Access makes
// them, within the pages of a transaction: an index added (built over the rows already there,
// refused on a key met twice) or removed with its pages, a column added (the rows already there
// read it as Null) or removed, a text column made longer.
#include "driver/jet/schema/JetTableDefinition.h"

#include <cstdint>
#include <string>

namespace kervane::jet {

class JetPages;
class JetRelatedRows;

// The index `index` (its keys by column name) on the table whose definition starts on
// `definitionPage`; `related` answers for the tables its relationships join it to.
struct JetIndexRequest {
    std::string name;
    std::vector<std::pair<std::string, bool>> keys;  // column, descending
    bool primary = false;
    bool unique = false;
    bool required = false;
    bool ignoreNulls = false;
};
bool createIndex(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetIndexRequest& index,
                 JetRelatedRows* related, std::string& error);
// Removes the index named `index` (not one of a relationship's); the tables whose relationships
// name the table's indexes by number follow. `changed` gets every definition page rewritten.
bool dropIndex(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& index,
               std::vector<std::uint32_t>& changed, std::string& error);

bool addColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const JetNewColumn& column,
               std::string& error);
bool dropColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& column,
                std::string& error);
// ALTER COLUMN c COUNTER(seed, 1): the AutoNumber column `column` gives `seed` next. Refused for
// any other column.
bool restartCounter(JetPages& pages, std::uint32_t definitionPage, const std::string& table, const std::string& column,
                    std::int32_t seed, std::string& error);
// A text column's new size in characters: refused, the file unchanged, when a row holds a longer
// text, which the message names.
bool resizeTextColumn(JetPages& pages, std::uint32_t definitionPage, const std::string& table,
                      const std::string& column, int characters, std::string& error);

}  // namespace kervane::jet
