#pragma once
// The changes a connection makes to its Jet file: one transaction at a time over the file's
// page store (JetPageStore.h), laid over the file for the connection's reads while it lasts,
// committed atomically or dropped. Its statements can be undone one by one (savepoints), so
// that a statement failing on its third row leaves nothing of its first two.
//
// A row is known by its place: rowid = (data page << 8) | row of its slot, the place where a
// walk of the table meets it, which stays the row's even when a longer value moves it.
#include "driver/jet/file/JetPageOverlay.h"
#include "driver/jet/file/JetPageStore.h"
#include "driver/jet/index/JetTableIndexes.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct sqlite3_value;

namespace kervane::jet {

class JetFile;
class JetTableWriter;
struct JetFieldValue;
struct JetNewQuery;
struct JetNewTable;
struct JetRelationshipRequest;
struct JetRowId;
struct JetTable;
struct JetTableLayout;

std::int64_t rowidOf(std::uint32_t page, int row);

class JetTransaction final : public JetRelatedRows {
public:
    explicit JetTransaction(JetFile& file);
    ~JetTransaction() override;
    JetTransaction(const JetTransaction&) = delete;
    JetTransaction& operator=(const JetTransaction&) = delete;

    // Starts the transaction if none is under way, for changes of `table`; false with a French
    // message when the file or the table cannot be changed (then nothing is left begun by it).
    bool join(const JetTable& table, std::string& error);
    // `values`: one per column of the table as the reader declares it.
    bool insert(const JetTable& table, sqlite3_value** values, std::int64_t& rowid, std::string& error);
    bool remove(const JetTable& table, std::int64_t rowid, std::string& error);
    bool update(const JetTable& table, std::int64_t rowid, sqlite3_value** values, std::string& error);

    // The rows of `table` (changed by the transaction) whose column `column` (as the reader
    // declares it) equals `value`, through the file's own index on it: `served` is false when
    // none can answer exactly. The rows found may be more than those SQL calls equal, never fewer.
    bool lookup(const JetTable& table, int column, sqlite3_value* value, std::vector<JetRowId>& rows, bool& served,
                std::string& error);

    // The rows of another table of the file, for the relationships a change must respect.
    bool holdsKey(std::uint32_t tablePage, std::uint32_t logicalIndex, const std::vector<JetKeyColumn>& columns,
                  const std::vector<unsigned char>& key, bool& found, std::string& error) override;
    // The rows of another table (or of the same) that a referenced row's change cascades to.
    bool cascade(const JetCascade& cascade, std::string& error) override;

    // Starts the transaction if none is under way, for a change of the file's structure.
    bool joinStructure(std::string& error);
    // Creates `table` (JetTableCreation.h); the file then lists it, for as long as the
    // transaction is not undone.
    bool createTable(const JetNewTable& table, std::string& error);
    // Removes the table named `name`; false with a French message when there is none or it is a
    // system table.
    bool dropTable(const std::string& name, std::string& error);
    // ALTER DATABASE PASSWORD: `password` (none: the file keeps none) replaces the database
    // password, `old` (none: no password) being the one in force, on a file this connection holds
    // alone, as Access requires; false with a French message, naming no password, otherwise.
    bool changePassword(const std::optional<std::string>& password, const std::optional<std::string>& old,
                        std::string& error);
    // Stores the query (JetQueryStore.h), or removes the one named `name`.
    bool createQuery(const JetNewQuery& query, std::string& error);
    bool dropQuery(const std::string& name, std::string& error);

    // Changes the definition of the table named `name` through `change` (JetTableAlteration.h),
    // given the transaction's pages, the table's definition page and name, and the rows of the
    // tables related to it; the file reads the table's definition again.
    using TableChange = std::function<bool(JetPages& pages, std::uint32_t definitionPage, const std::string& table,
                                           JetRelatedRows* related, std::string& error)>;
    bool alterTable(const std::string& name, const TableChange& change, std::string& error);

    // The same for a change that also rewrites the definitions of tables related to it: `change`
    // gives every definition page it rewrote, and the file reads each again.
    using RelatedTablesChange = std::function<bool(JetPages& pages, std::uint32_t definitionPage,
                                                   const std::string& table, std::vector<std::uint32_t>& changed,
                                                   std::string& error)>;
    bool alterRelatedTables(const std::string& name, const RelatedTablesChange& change, std::string& error);

    // Makes the relationship `request` asks for (JetRelationships.h); both tables' definitions are
    // read again.
    bool relate(const JetRelationshipRequest& request, std::string& error);

    // Writes the changes into the file; refused when a change failed and was not undone since.
    // The transaction is over either way.
    bool commit(std::string& error);
    // Drops whatever is left of the transaction; the file's own pages are read again.
    void finish();

    // The AutoNumber the last row this connection inserted into a table numbering its rows got
    // (@@IDENTITY); 0 when none.
    std::uint32_t lastIdentity() const { return m_lastIdentity; }

    // Statement savepoints: `level` counts from 0, as SQLite numbers them.
    void savepoint(int level);
    bool rollbackTo(int level, std::string& error);
    void release(int level);

private:
    class Overlay;
    bool open(std::string& error);
    // The transaction begun: the reader sees its pages from now on.
    void started();
    bool writerFor(const JetTable& table, JetTableWriter*& writer, std::string& error);
    bool changed(const JetTable& table, bool done, std::string& error);
    // Before the row at `row` of `table` goes: the rows of the hidden tables that hold its values
    // of complex columns (lists, attachments), as Access removes them with it.
    bool removeComplexValues(const JetTable& table, JetTableWriter& writer, JetRowId row, std::string& error);
    bool valuesFor(const JetTable& table, const JetTableLayout& layout, sqlite3_value** values,
                   std::vector<JetFieldValue>& out, std::string& error);

    // Undoes, in the file's list of tables, the structure changes made since savepoint `level`
    // (all of them for -1).
    void forgetStructure(int level);

    // A table created, removed or redefined, and the savepoints set when it was.
    struct StructureChange {
        enum class Kind { Created, Dropped, Altered };
        std::size_t table = 0;
        Kind kind = Kind::Created;
        std::size_t depth = 0;
    };
    // The table named `name` that a structure change may touch, and its place in the file's list.
    const JetTable* userTable(const std::string& name, std::size_t& index, std::string& error);

    JetFile& m_file;
    std::vector<StructureChange> m_structure;
    std::unique_ptr<JetPageStore> m_store;
    std::unique_ptr<Overlay> m_overlay;
    std::vector<bool> m_marks;  // by savepoint: whether the transaction had failed then
    std::set<const JetTable*> m_tables;  // tables the transaction changed
    std::map<std::uint32_t, std::unique_ptr<JetTableWriter>> m_writers;  // by definition page
    bool m_failed = false;               // a change failed after others of its statement
    std::uint32_t m_lastIdentity = 0;
    int m_cascadeDepth = 0;              // cascades under way, one within another
    // Rows (definition page, rowid) a cascade deleted since the statement began or the last
    // insert: the statement may come to them itself, having chosen them before.
    std::set<std::pair<std::uint32_t, std::int64_t>> m_cascadeDeleted;
};

}  // namespace kervane::jet
