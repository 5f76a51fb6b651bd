#pragma once
// Inserts, deletes and updates rows of one table of a Jet 3 or Jet 4 file as Access leaves them:
// rows on the table's data pages, the bytes deleted and moved rows left there taken back
// (JetDataPage.h), a row that grows rewritten on its own page when that has room, else moved
// (when no page has room, a page the file no longer uses taken back, or a new one appended);
// the usage maps, the row count and AutoNumber counter of the definition. Every check of a row's change is made before
// the first page changes, so that a refused change leaves the pages as they were; the cascades
// it sets off follow it, a refusal among them left for the statement's savepoint to undo.
// Memo and OLE values of more than 64 bytes go to long-value pages, whole up to 4076 bytes (Jet 3:
// 2032) and in chained pieces beyond; the long values of a deleted or rewritten row are marked
// deleted. Every index of a Jet 4 table is kept exact (JetTableIndexes).
// Before a change numbers the pages it adds, the table's usage maps are brought to reach them
// (JetUsageMap.h): a map moved then to map pages of its own stays so even when the change is
// refused, marking the same pages.
// The relationships whose integrity Access enforces are kept, their cascades made: a deleted or
// rekeyed row deletes, sets to Null or rekeys the rows referring to it, through the writers of
// their tables (JetRelatedRows).
// Refused: system tables, indexes whose keys are not known, fixed-length binary columns,
// encrypted and replicated files, Jet 3 files whose texts are in an unknown code page.
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/index/JetTableIndexes.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetLongValueStore;
class JetPages;

class JetTableWriter {
public:
    // The table `name` whose definition starts on `definitionPage`; false with a French
    // message when the file or the table cannot be changed by this writer.
    // `related` answers for the other tables of the relationships Access enforces on this one;
    // without it such a table is refused.
    // System tables are refused, except the catalogue when `catalogue` is set: the changes of the
    // structure record their tables there.
    static bool open(JetPages& pages, std::uint32_t definitionPage, const std::string& name, JetTableWriter& writer,
                     std::string& error, JetRelatedRows* related = nullptr, bool catalogue = false);

    const JetTableLayout& layout() const { return m_layout; }
    // The columns (by index in layout().columns) whose design says a value is required: an
    // insert or update leaving Null in one is refused before any page changes. A Yes/No column
    // is never Null, an AutoNumber gets its number: neither is refused.
    void requireValues(std::vector<bool> required) { m_required = std::move(required); }
    // The type of the values of the calculated column `column` (its design's ResultType). A
    // table with a calculated column whose type was not given is not changed.
    void setResultType(std::size_t column, JetType type) { m_layout.columns[column].resultType = type; }
    // The values of the row at `where` as stored (storedValues()); false when there is none.
    bool storedRow(JetRowId where, std::vector<JetFieldValue>& values);
    JetTableIndexes& indexes() { return m_indexes; }

    // Adds a row (one value per column, in definition order; an AutoNumber left NULL gets the
    // next number); `where` receives its place, the identity later changes are given.
    bool insert(std::vector<JetFieldValue> values, JetRowId& where, std::string& error);
    // Deletes the row found at `where` (as insert gave it or a scan found it).
    bool remove(JetRowId where, std::string& error);
    // Replaces every value of the row at `where` (an AutoNumber left NULL keeps its number).
    bool update(JetRowId where, std::vector<JetFieldValue> values, std::string& error);
    // Enters every row of the table in its stored index `realIndex`, just added to its definition
    // (this writer opened after): false with a French message when a row is refused there (a key
    // met twice in a unique index, a Null in a required one).
    bool indexRows(std::size_t realIndex, std::string& error);
    // Deletes, sets to Null or rekeys the rows of this table that refer to the key a referenced
    // row of a relationship removed or changed (JetTableCascades.cpp); `deleted` gets the rows
    // it deleted itself.
    bool followCascade(const JetCascade& cascade, std::vector<JetRowId>& deleted, std::string& error);

private:
    struct Located;
    bool locate(JetRowId where, Located& row, std::string& error);
    // Brings the table's maps to reach the pages a change of `values` may add.
    bool prepareMaps(const std::vector<JetFieldValue>& values, std::string& error);
    // The data of the row at `where`; false when there is none (any more).
    bool rowBytes(JetRowId where, std::vector<unsigned char>& bytes);
    // The memo and OLE values too long for the row, planned on their pages (`appends` counts
    // the pages to append); their bytes by column index.
    bool planLongValues(JetLongValueStore& longValues, const std::vector<JetFieldValue>& values, OutsideValues& outside,
                        std::vector<std::vector<unsigned char>>& data, std::uint32_t& appends, std::string& error);
    // False when the pages refused a new one: the change is then left half-done for the
    // transaction to undo.
    bool storeLongValues(JetLongValueStore& longValues, OutsideValues& outside,
                         const std::vector<std::vector<unsigned char>>& data);
    bool noMorePages(std::string& error);
    bool keepAutoNumbers(const Located& row, std::vector<JetFieldValue>& values, std::string& error);
    bool giveAutoNumbers(std::vector<JetFieldValue>& values, std::uint32_t& counter, std::string& error);
    // The keys of complex columns (JetComplexKeys.cpp): a new row gets a new key in each, from the
    // table's own counter (`counter`, written with the row); a changed row keeps its keys.
    bool giveComplexKeys(std::vector<JetFieldValue>& values, std::uint32_t& counter, std::string& error) const;
    bool keepComplexKeys(const std::vector<unsigned char>& row, std::vector<JetFieldValue>& values,
                         std::string& error) const;
    void writeComplexCounter(std::uint32_t counter);
    // A page of the table with room for `size` bytes, or a new one (`append`): one the file no
    // longer uses, or one to append; false when none. `full` gets the pages passed by for want
    // of room, to be taken out of the map of pages with room when the change is made.
    bool placeFor(int size, std::uint32_t appends, std::uint32_t& page, bool& append, std::vector<std::uint32_t>& full,
                  std::string& error);
    // Marks `pages` in the table's map of pages with room (`room`), or takes them out of it, where
    // the map reaches them.
    void listWithRoom(const std::vector<std::uint32_t>& pages, bool room);
    // The first page the indexes may add, after the long values' `appends` and the row's page
    // when it is appended.
    std::uint32_t firstIndexPage(std::uint32_t appends, bool append, std::uint32_t page) const;
    // The row's new page, `planned` by placeFor(): taken back from the file's unowned pages or
    // appended; 0 when refused.
    std::uint32_t newDataPage(std::uint32_t planned);
    void moveRow(const Located& row, const std::vector<unsigned char>& bytes, std::uint32_t page);
    void releaseMovedData(const Located& row);
    void writeDefinition(std::uint32_t rowCount, std::uint32_t counter);
    bool indexesWritten(std::string& error);
    // The layout whose memo and OLE columns are those an update with `values` gives new values
    // (`kept` holds it when some keep theirs as stored).
    const JetTableLayout& replacedLongValues(const std::vector<JetFieldValue>& values, JetTableLayout& kept) const;
    // The cascades planned with the row's change, made once the row is written: the rows referring
    // to the keys it removed or changed (`before` to `after`, `values` the new row's) follow.
    bool cascaded(std::vector<JetCascade> cascades, const std::vector<unsigned char>& before,
                  const std::vector<unsigned char>& after, const std::vector<JetFieldValue>& values,
                  std::string& error);
    bool cascadeRow(const JetCascade& cascade, const std::vector<JetKeyColumn>& own, JetRowId row,
                    std::vector<JetRowId>& deleted, std::string& error);
    std::size_t columnIndex(const JetLayoutColumn& column) const;  // in m_layout.columns
    bool requiredGiven(const std::vector<JetFieldValue>& values, std::string& error) const;
    // False, with the reason, when a calculated column's values cannot be written (its type not
    // given).
    bool calculationsKnown(std::string& error) const;
    std::string tableName() const { return "« " + m_name + " »"; }
    const JetFileFormat& format() const { return *m_layout.format; }

    JetPages* m_pages = nullptr;
    std::string m_name;
    JetTableLayout m_layout;
    JetTableIndexes m_indexes;
    JetRelatedRows* m_related = nullptr;
    std::vector<bool> m_required;
};

}  // namespace kervane::jet
