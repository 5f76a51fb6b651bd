#include "driver/jet/module/JetTransaction.h"

#include "driver/jet/catalogue/JetQueryStore.h"
#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetWriteMessages.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/module/JetColumnDesign.h"
#include "driver/jet/rows/JetComplexValues.h"
#include "driver/jet/rows/JetCursor.h"
#include "driver/jet/rows/JetSqlValues.h"
#include "driver/jet/schema/JetRelationships.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"

#include <algorithm>

#include <sys/stat.h>

namespace kervane::jet {

// The store's changed and appended pages, as the reader asks for them.
class JetTransaction::Overlay final : public JetPageOverlay {
public:
    explicit Overlay(JetPageStore& store) : m_store(store) {}
    const unsigned char* changedPage(std::uint32_t page) override { return m_store.changedPage(page); }
    std::uint32_t pageCount() const override { return m_store.pageCount(); }

private:
    JetPageStore& m_store;
};

std::int64_t rowidOf(std::uint32_t page, int row)
{
    return (static_cast<std::int64_t>(page) << 8) | (row & 0xff);
}

namespace {

JetRowId rowOf(std::int64_t rowid)
{
    return {static_cast<std::uint32_t>(rowid >> 8), static_cast<int>(rowid & 0xff)};
}

bool validRowid(std::int64_t rowid)
{
    return rowid >= 0 && (rowid >> 8) <= std::int64_t(UINT32_MAX);
}

std::string failedTransaction(const std::string& path)
{
    return "Les modifications de la base Access « " + path +
           " » ne peuvent pas être enregistrées : une instruction a échoué après avoir modifié une partie de ses "
           "lignes. Seule l'annulation de la transaction est possible.";
}

}  // namespace

JetTransaction::JetTransaction(JetFile& file) : m_file(file) {}

JetTransaction::~JetTransaction()
{
    finish();
}

bool JetTransaction::open(std::string& error)
{
    if (m_store)
        return true;
    // A file its owner marked read-only stays so, even for an administrator who could write it.
    struct stat status {};
    if (::stat(m_file.path().c_str(), &status) == 0 && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        error = "Le fichier « " + m_file.path() + " » est protégé en écriture : aucune modification n'est possible.";
        return false;
    }
    // The store writes through the open the connection reads through: its commit then takes
    // the readers' lock over from the connection's own statements instead of waiting for them.
    m_store = JetPageStore::open(m_file.path(), error, JetPageStore::kDefaultMemoryLimit, &m_file.locks(),
                                 &m_file.cipher());
    if (!m_store)
        return false;
    m_overlay = std::make_unique<Overlay>(*m_store);
    return true;
}

bool JetTransaction::join(const JetTable& table, std::string& error)
{
    if (!open(error))
        return false;
    const bool begun = !m_store->inTransaction();
    if (begun && !m_store->begin(error))
        return false;
    JetTableWriter* writer = nullptr;
    if (!writerFor(table, writer, error)) {
        if (begun)
            finish();
        return false;
    }
    if (begun)
        started();
    return true;
}

void JetTransaction::started()
{
    m_failed = false;
    m_marks.clear();
    // What another connection committed before the lock was taken is read first.
    m_file.followFile();
    m_file.setOverlay(m_overlay.get());
}

// The writer of `table` in the transaction SQLite began for it (its xBegin comes first).
bool JetTransaction::writerFor(const JetTable& table, JetTableWriter*& writer, std::string& error)
{
    if (!m_store || !m_store->inTransaction()) {
        error = messageChangeOutsideTransaction(m_file.path());
        return false;
    }
    // One writer a table for the whole transaction: it keeps the index pages it has read.
    auto& kept = m_writers[table.definitionPage];
    if (!kept) {
        auto opened = std::make_unique<JetTableWriter>();
        if (!JetTableWriter::open(*m_store, table.definitionPage, table.name, *opened, error, this))
            return false;
        // The columns the table's design requires a value for, as Access enforces them.
        const std::map<std::string, ColumnProperties> design = columnDesign(m_file, table, m_store.get());
        std::vector<bool> required;
        for (const JetLayoutColumn& column : opened->layout().columns) {
            const ColumnProperties* properties = designOf(design, column.name);
            required.push_back(properties != nullptr && properties->required);
            // A calculated column's values, computed by the statements, are of its result type.
            if (column.calculated() && properties != nullptr && properties->resultType)
                opened->setResultType(required.size() - 1, static_cast<JetType>(*properties->resultType));
        }
        opened->requireValues(std::move(required));
        kept = std::move(opened);
    }
    writer = kept.get();
    return true;
}

bool JetTransaction::valuesFor(const JetTable& table, const JetTableLayout& layout, sqlite3_value** values,
                               std::vector<JetFieldValue>& out, std::string& error)
{
    out.clear();
    for (const JetLayoutColumn& column : layout.columns) {
        std::size_t i = 0;
        while (i < table.columns.size() && table.columns[i].name != column.name)
            ++i;
        if (i == table.columns.size()) {
            error = "La colonne « " + column.name + " » de la table « " + table.name +
                    " » n'est pas lisible : la table ne peut pas être modifiée.";
            return false;
        }
        JetFieldValue value;
        if (!fieldValueOf(column, values[i], value, error))
            return false;
        out.push_back(std::move(value));
    }
    return true;
}

// After a change (done or refused): the reader sees the table through the overlay again, and a
// refusal after other changes of the transaction marks it failed until a savepoint undoes them.
bool JetTransaction::changed(const JetTable& table, bool done, std::string& error)
{
    if (!done) {
        m_failed = true;
        return false;
    }
    m_tables.insert(&table);
    if (m_file.tableChanged(table, error))
        return true;
    m_failed = true;
    return false;
}

bool JetTransaction::insert(const JetTable& table, sqlite3_value** values, std::int64_t& rowid, std::string& error)
{
    m_cascadeDeleted.clear();  // a new row may take the place of one deleted
    JetTableWriter* writer = nullptr;
    std::vector<JetFieldValue> row;
    JetRowId where;
    const bool done = writerFor(table, writer, error) &&
                      valuesFor(table, writer->layout(), values, row, error) &&
                      writer->insert(std::move(row), where, error);
    if (done) {
        rowid = rowidOf(where.page, where.row);
        const auto& columns = writer->layout().columns;
        if (std::any_of(columns.begin(), columns.end(), [](const JetLayoutColumn& c) { return c.autoNumber(); }))
            m_lastIdentity = writer->layout().lastAutoNumber;
    }
    return changed(table, done, error);
}

bool JetTransaction::remove(const JetTable& table, std::int64_t rowid, std::string& error)
{
    // A row the statement chose to delete that a cascade of its earlier rows deleted already.
    if (m_cascadeDeleted.count({table.definitionPage, rowid}) != 0)
        return true;
    JetTableWriter* writer = nullptr;
    const bool done = validRowid(rowid) && writerFor(table, writer, error) &&
                      removeComplexValues(table, *writer, rowOf(rowid), error) && writer->remove(rowOf(rowid), error);
    if (!validRowid(rowid))
        error = "La ligne " + std::to_string(rowid) + " de la table « " + table.name + " » n'existe pas.";
    return changed(table, done, error);
}

bool JetTransaction::removeComplexValues(const JetTable& table, JetTableWriter& writer, JetRowId row,
                                         std::string& error)
{
    const std::vector<JetLayoutColumn>& columns = writer.layout().columns;
    if (std::none_of(columns.begin(), columns.end(), [](const auto& c) { return c.type == JetType::Complex; }))
        return true;
    std::vector<JetFieldValue> stored;
    if (!writer.storedRow(row, stored))
        return true;  // the writer's removal says why the row cannot go
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto column = std::find_if(table.columns.begin(), table.columns.end(),
                                         [&](const JetColumn& t) { return t.name == columns[c].name; });
        if (columns[c].type != JetType::Complex || column == table.columns.end() ||
            stored[c].kind != JetFieldValue::Kind::Stored || stored[c].bytes.size() < 4)
            continue;
        const JetTable* flat = nullptr;
        std::vector<RowPosition> owned;
        JetTableWriter* flatWriter = nullptr;
        if (!complexRowsOf(m_file, column->info.complexId, readUInt32(stored[c].bytes.data(), 0), flat, owned, error) ||
            (!owned.empty() && !writerFor(*flat, flatWriter, error)))
            return false;
        for (const RowPosition& at : owned)
            if (!flatWriter->remove({at.page, at.row}, error))
                return false;
        if (!owned.empty() && !changed(*flat, true, error))
            return false;
    }
    return true;
}

bool JetTransaction::update(const JetTable& table, std::int64_t rowid, sqlite3_value** values, std::string& error)
{
    JetTableWriter* writer = nullptr;
    std::vector<JetFieldValue> row;
    bool done = validRowid(rowid) && writerFor(table, writer, error) &&
                valuesFor(table, writer->layout(), values, row, error);
    if (done) {
        const auto& columns = writer->layout().columns;
        std::vector<JetFieldValue> stored;
        if (std::any_of(columns.begin(), columns.end(), [](const auto& c) { return c.type == JetType::DateTime; }) &&
            writer->storedRow(rowOf(rowid), stored))
            keepDatesAsStored(writer->layout(), stored, row);
        done = writer->update(rowOf(rowid), std::move(row), error);
    }
    if (!validRowid(rowid))
        error = "La ligne " + std::to_string(rowid) + " de la table « " + table.name + " » n'existe pas.";
    return changed(table, done, error);
}

bool JetTransaction::lookup(const JetTable& table, int column, sqlite3_value* value, std::vector<JetRowId>& rows,
                            bool& served, std::string& error)
{
    served = false;
    JetTableWriter* writer = nullptr;
    std::string unused;
    // Without a writer of the table (no transaction, a table refused) the rows are walked.
    if (column < 0 || static_cast<std::size_t>(column) >= table.columns.size() || !writerFor(table, writer, unused))
        return true;
    const std::string& name = table.columns[static_cast<std::size_t>(column)].name;
    for (const JetLayoutColumn& candidate : writer->layout().columns) {
        JetFieldValue wanted;
        if (candidate.name == name)
            return !fieldValueOf(candidate, value, wanted, unused) ||
                   writer->indexes().findEqual(candidate, wanted, rows, served, error);
    }
    return true;
}

bool JetTransaction::holdsKey(std::uint32_t tablePage, std::uint32_t logicalIndex,
                              const std::vector<JetKeyColumn>& columns, const std::vector<unsigned char>& key,
                              bool& found, std::string& error)
{
    found = false;
    for (const JetTable& table : m_file.tables()) {
        JetTableWriter* writer = nullptr;
        if (!table.dropped && table.definitionPage == tablePage)
            return writerFor(table, writer, error) &&
                   writer->indexes().holdsLogicalKey(logicalIndex, columns, key, found, error);
    }
    return false;
}

bool JetTransaction::cascade(const JetCascade& cascade, std::string& error)
{
    // Relationships in a loop cascade no further than rows there are; this bounds a damaged file's.
    constexpr int kDeepestCascade = 64;
    if (m_cascadeDepth >= kDeepestCascade) {
        error = "Les modifications n'ont pas été faites : les modifications en cascade des relations passent par "
                "plus de " + std::to_string(kDeepestCascade) + " tables liées l'une à l'autre.";
        return false;
    }
    // A table dropped earlier may have left its definition's page to a table made since.
    const JetTable* table = nullptr;
    for (std::size_t i = 0; i < m_file.tables().size() && table == nullptr; ++i)
        if (!m_file.tables()[i].dropped && m_file.tables()[i].definitionPage == cascade.tablePage &&
            (table = m_file.define(i, error)) == nullptr)
            return false;
    if (table == nullptr) {
        error = "Une relation désigne une table que la base ne contient pas : la modification en cascade n'a pas "
                "été faite.";
        return false;
    }
    JetTableWriter* writer = nullptr;
    std::vector<JetRowId> deleted;
    ++m_cascadeDepth;
    const bool done = writerFor(*table, writer, error) && writer->followCascade(cascade, deleted, error);
    --m_cascadeDepth;
    for (const JetRowId& row : deleted)
        m_cascadeDeleted.insert({table->definitionPage, rowidOf(row.page, row.row)});
    return changed(*table, done, error);
}

bool JetTransaction::commit(std::string& error)
{
    if (!m_store || !m_store->inTransaction())
        return true;
    if (m_failed) {
        error = failedTransaction(m_file.path());
        finish();
        return false;
    }
    const bool done = m_store->commit(error);
    if (done)
        m_structure.clear();
    finish();
    return done;
}

void JetTransaction::finish()
{
    if (m_store && m_store->inTransaction())
        m_store->rollback();
    if (m_file.overlay() == m_overlay.get() && m_overlay)
        m_file.setOverlay(nullptr);
    forgetStructure(-1);
    m_marks.clear();
    m_tables.clear();
    m_writers.clear();
    m_cascadeDeleted.clear();
    m_failed = false;
}

void JetTransaction::savepoint(int level)
{
    if (!m_store || !m_store->inTransaction() || level < 0)
        return;
    const auto at = static_cast<std::size_t>(level);
    m_cascadeDeleted.clear();
    m_store->setSavepoint(at);
    m_marks.resize(at, m_failed);
    m_marks.push_back(m_failed);
}

bool JetTransaction::rollbackTo(int level, std::string& error)
{
    const auto at = static_cast<std::size_t>(level);
    if (!m_store || !m_store->inTransaction() || level < 0 || at >= m_marks.size())
        return true;
    m_marks.resize(at + 1);
    m_writers.clear();  // they hold pages as they were before
    m_cascadeDeleted.clear();
    if (!m_store->rollbackToSavepoint(at, error)) {
        m_failed = true;
        return false;
    }
    m_failed = m_marks[at];
    forgetStructure(level);
    for (const JetTable* table : m_tables)
        if (!m_file.tableChanged(*table, error)) {
            m_failed = true;
            return false;
        }
    return true;
}

void JetTransaction::release(int level)
{
    if (level < 0 || !m_store)
        return;
    const auto at = static_cast<std::size_t>(level);
    m_store->releaseSavepoint(at);
    if (at < m_marks.size())
        m_marks.resize(at);
    // The structure changes made within the savepoints released now belong to the one around.
    for (StructureChange& change : m_structure)
        change.depth = std::min(change.depth, at);
}

}  // namespace kervane::jet
