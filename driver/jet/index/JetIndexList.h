#pragma once
// The indexes a table definition declares, read from the definition's own bytes: every byte
// is checked to lie inside them, so a damaged definition gives no index rather than a read
// outside it. Foreign-key entries (the logical indexes Access keeps for a relationship on top
// of a real one) are left out: they are no index of their own.
#include "driver/jet/format/JetRowChecks.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kervane::jet {

class JetFile;
struct JetTable;

struct JetIndexColumn {
    std::string name;
    bool descending = false;
};

struct JetIndexDefinition {
    std::string name;
    bool primary = false;
    bool unique = false;
    bool ignoreNulls = false;
    bool required = false;
    std::vector<JetIndexColumn> columns;
};

using TextDecoder = std::function<std::string(const unsigned char*, std::size_t)>;

// `definition` is laid out as JetFile reads it: the first page whole, then each continuation
// page after its 8-byte header. False when any part lies outside it or names an unknown column.
bool readIndexDefinitions(const JetFileFormat& format, const std::vector<unsigned char>& definition,
                          const TextDecoder& decode, std::vector<JetIndexDefinition>& indexes);

// The indexes of the table named `table` (case ignored) of `file`, with the row count its
// definition states; false (and nothing) when the table is absent or its definition damaged.
bool readTableIndexes(JetFile& file, const std::string& table, std::vector<JetIndexDefinition>& indexes,
                      long long& rowCount);

// The columns no row may leave Null: those of the primary key and of required indexes.
std::vector<std::string> requiredColumns(JetFile& file, const JetTable& table);

}  // namespace kervane::jet
