#pragma once
// Every index of a Jet 3 or Jet 4 table kept exact while its rows change. For a row inserted, removed or
// rewritten, the entries of each index are planned first, with the checks Access makes (a
// primary key or required index holds no Null, a unique index no key twice except a key all
// Null), then written once the row is: a refused change leaves every page as it was.
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetIndexKey.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/index/JetIndexTree.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

// What begins the message of a change refused because it breaks a key or a relationship: the
// SQLSTATE of an integrity violation, which the driver reads off the text.
inline constexpr char INTEGRITY_VIOLATION[] = "[23000]";

class JetPages;

// What becomes of the rows referring to a referenced key that goes (deleted, or set to Null)
// or changes, as the relationship asks Access to cascade it.
struct JetCascade {
    enum class Action { Delete, SetNull, Update };
    Action action = Action::Delete;
    std::uint32_t tablePage = 0;     // the referring table's definition page
    std::uint32_t logicalIndex = 0;  // its logical index of the relationship
    std::vector<JetKeyColumn> columns;  // the referenced key's columns, in key order
    std::vector<unsigned char> key;     // the key that goes or changes
    // Update: by key column, the new value of the columns that changed (Null kind for the others,
    // whose values stay those of the referring rows).
    std::vector<JetFieldValue> values;
    std::vector<bool> changed;
};

// The rows of the other tables of the file, as the relationships with referential integrity
// ask for them (the transaction's writers answer).
class JetRelatedRows {
public:
    virtual ~JetRelatedRows() = default;
    // `found`: whether the table whose definition starts on `tablePage` holds `key` in its logical
    // index `logicalIndex`, whose key columns must be of the types and orders of `columns`;
    // false with a French message when that cannot be told.
    virtual bool holdsKey(std::uint32_t tablePage, std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                          const std::vector<unsigned char>& key, bool& found, std::string& error) = 0;
    // Deletes, sets to Null or rekeys the rows referring to `cascade.key`, and in turn what refers
    // to them; false with a French message when one of those changes is refused (then the
    // statement is undone whole by its savepoint).
    virtual bool cascade(const JetCascade& cascade, std::string& error) = 0;
};

class JetTableIndexes {
public:
    // The indexes of the table `layout` describes (`name` for messages); false with a French
    // message when one of them cannot be kept: a key column of a type whose keys are not
    // known, or an index serving a relationship whose integrity would not be checked. The
    // file's format is the layout's.
    static bool open(JetPages& pages, const JetTableLayout& layout, const std::string& name,
                     JetTableIndexes& indexes, std::string& error);
    // The rows of the related tables; false with a French message when there are none to ask
    // (nullptr) and an index serves a relationship whose integrity Access enforces: the table
    // cannot be changed then.
    bool setRelatedRows(JetRelatedRows* related, std::string& error);
    // The answer JetRelatedRows gives for this table.
    bool holdsLogicalKey(std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                         const std::vector<unsigned char>& key, bool& found, std::string& error);
    // The rows holding `key` in the logical index `logicalIndex` (key columns as for holdsKey),
    // and that index's own key columns (`own`), for a cascade to change them.
    bool rowsWithLogicalKey(std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                            const std::vector<unsigned char>& key, std::vector<JetRowId>& rows,
                            std::vector<JetKeyColumn>& own, std::string& error);

    // Plans the entries of a row stored as `row` at `where`. New index pages are numbered from
    // `nextNewPage`, advanced past them.
    bool planInsert(const std::vector<unsigned char>& row, JetRowId where, std::uint32_t& nextNewPage,
                    std::string& error);
    // The same in the stored index `realIndex` only: an index being built over the rows there.
    bool planInsertInto(std::size_t realIndex, const std::vector<unsigned char>& row, JetRowId where,
                        std::uint32_t& nextNewPage, std::string& error);
    // Plans the removal of the entries of the row stored as `row` at `where` (a page may split
    // still, when a parent's entry grows: new pages as for planInsert).
    bool planRemove(const std::vector<unsigned char>& row, JetRowId where, std::uint32_t& nextNewPage,
                    std::string& error);
    // Plans the change of the row at `where` from `before` to `after`: only the indexes whose
    // key changes are touched.
    bool planUpdate(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after, JetRowId where,
                    std::uint32_t& nextNewPage, std::string& error);

    // The rows whose `column` equals `value`, found through an index whose first key column it
    // is; `served` false (nothing found) when no such index can answer exactly, a text column
    // among others. The rows found may be more than those SQL calls equal, never fewer.
    bool findEqual(const JetLayoutColumn& column, const JetFieldValue& value, std::vector<JetRowId>& rows,
                   bool& served, std::string& error);
    // The rows whose key in an ascending index led by `column` starts with `prefix` (the key
    // bytes of that column, its flag first), in the index's order; `served` as for findEqual.
    bool findKeyPrefix(const JetLayoutColumn& column, const std::vector<unsigned char>& prefix,
                       std::vector<JetRowId>& rows, bool& served, std::string& error);

    // The usage maps of the indexes' pages.
    std::vector<JetRowId> pageMaps() const;
    // The cascades the last planRemove or planUpdate left to make once the row is written: the
    // referenced keys it removes or changes whose relationships cascade the change (rows referring
    // through the others refuse the change). Update cascades come without their values.
    std::vector<JetCascade> takeCascades();

    // Writes what was planned (the index pages, each index's count of distinct keys in the
    // definition); false when the pages appended were not those planned.
    bool apply();
    void discard();

private:
    struct Index {
        JetRealIndex definition;
        std::vector<JetKeyColumn> columns;
        JetIndexTree tree;
        std::int64_t distinctKeys = 0;
        std::int64_t distinctChange = 0;
    };
    enum class Entry { Stored, Skipped };
    enum class Change { Remove, Update };

    bool entryFor(const Index& index, const std::vector<unsigned char>& row, JetRowId where, bool checkNulls,
                  JetIndexEntry& entry, Entry& kind, std::string& error) const;
    bool add(Index& index, const std::vector<unsigned char>& row, JetRowId where, std::uint32_t& nextNewPage,
             std::string& error);
    bool take(Index& index, const std::vector<unsigned char>& row, JetRowId where, Change change,
              std::uint32_t& nextNewPage, std::string& error);
    std::string indexName(const Index& index) const;
    // How messages saying the index is damaged name it, as their sentence's subject.
    std::string damageSubject(const Index& index) const;
    // Access's referential integrity: a row referring to another refers to one that exists; a
    // referenced key goes only when no row refers to it any more, or the relationship cascades
    // the change (kept in m_cascades, made once the row is written).
    bool referredRowsExist(const Index& index, bool anyNull, const std::vector<unsigned char>& key,
                           std::string& error);
    bool noRowRefersTo(const Index& index, const std::vector<unsigned char>& key, Change change,
                       std::string& error);
    bool alike(const Index& index, const std::vector<JetKeyColumn>& columns) const;
    Index* logicalIndex(std::uint32_t number);
    // `found`: whether the other side of the relationship holds `key`.
    bool relatedHolds(const Index& index, const JetReference& reference, const std::vector<unsigned char>& key,
                      bool& found, std::string& error);
    // The key columns of `index` the row leaves Null (a Yes/No column is never Null).
    std::size_t nullKeyColumns(const Index& index, const std::vector<unsigned char>& row) const;

    JetPages* m_pages = nullptr;
    const JetFileFormat* m_format = &jet4FileFormat();
    std::uint32_t m_definitionPage = 0;
    std::string m_table;
    std::vector<Index> m_indexes;
    JetRelatedRows* m_related = nullptr;
    std::vector<JetCascade> m_cascades;
};

}  // namespace kervane::jet
