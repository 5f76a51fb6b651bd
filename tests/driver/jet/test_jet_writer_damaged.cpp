// Damaged copies of Jet files changed through the row writer and through SQL. The damage aims at
// what the writer reads before it writes: index-free tables (definition, data pages, row offsets,
// usage maps, long values and their chains, moved rows, the map of free pages, the file's length)
// and indexed ones (index pages, their links and child pointers, the definition's index blocks,
// the index usage maps, the counts of distinct keys). Whatever the damage, no crash and no hang;
// a refused change leaves the file byte for byte as it was and says why in French; an accepted
// one writes sound pages and leaves a file jetcheck judges no worse than the damaged copy. Each
// case names its seed and round to be replayed.
// KERVANE_JET_WRITER_FUZZ=n runs n seeds of every damage (2 by default); jetcheck judges a few cases.
#include "JetDamage.h"
#include "JetDamageCase.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;
using jet::JetRowId;
using jet::JetType;

namespace {

using Change = std::pair<std::string, WriterChange>;

// Each change in a transaction of its own through the table's writer.
Trial writerTrial(std::uint32_t definition, const std::string& table,
                  std::function<std::vector<Change>(std::mt19937&)> changes)
{
    return [=](const std::string& path, std::mt19937& random, const std::string& label) {
        int accepted = 0;
        for (const auto& [name, change] : changes(random))
            accepted += changeInTransaction(path, definition, table, change, label + " / " + name);
        return accepted;
    };
}

Damager rowDamage(const TableMap& map)
{
    return {kDamageKinds, [](int k) { return damageName(static_cast<Damage>(k)); },
            [map](std::vector<unsigned char>& file, int k, std::mt19937& random, std::string& what) {
                return damage(file, map, static_cast<Damage>(k), random, what);
            }};
}

Damager indexDamage(const IndexedTableMap& map)
{
    return {kIndexDamageKinds, [](int k) { return indexDamageName(static_cast<IndexDamage>(k)); },
            [map](std::vector<unsigned char>& file, int k, std::mt19937& random, std::string& what) {
                return damageIndex(file, map, static_cast<IndexDamage>(k), random, what);
            }};
}

WriterChange insertion(std::size_t longBytes)
{
    return [longBytes](jet::JetTableWriter& writer, std::string& error) {
        JetRowId at;
        return writer.insert(sampleRow(writer.layout(), longBytes), at, error);
    };
}

// --- Index-free tables ---

// A table to damage, given first what the damage aims at: long values whole and chained, a moved
// row (its page filled first: a row that grows where its page has room stays in place).
struct RowBase {
    std::uint32_t definition = 0;
    std::vector<unsigned char> bytes;
    TableMap map;
};

bool makeRowBase(const std::string& path, const std::string& table, RowBase& base)
{
    base.definition = tableDefinitionPage(path, table);
    if (base.definition == 0)
        return false;
    for (std::size_t size : {std::size_t{3000}, std::size_t{9000}})
        changeInTransaction(path, base.definition, table, insertion(size), table + " : ajout");
    TableMap map;
    std::string why;
    if (mapTable(readBytes(path), base.definition, map, why) && !map.rows.empty()) {
        const JetRowId first = map.rows.front();
        changeInTransaction(path, base.definition, table, [first](jet::JetTableWriter& writer, std::string& error) {
            for (JetRowId at = first; at.page == first.page;)
                if (!writer.insert(sampleRow(writer.layout(), 0), at, error))
                    return false;
            return writer.update(first, sampleRow(writer.layout(), 64, true), error);
        }, table + " : déplacement");
    }
    base.bytes = readBytes(path);
    EXPECT_TRUE(mapTable(base.bytes, base.definition, base.map, why)) << path << " : " << why;
    return true;
}

// Short, whole and chained memos added; rows (moved ones too) changed and deleted.
std::vector<Change> rowChanges(const TableMap& map, std::mt19937& random)
{
    auto pick = [&](const std::vector<JetRowId>& rows) { return rows.empty() ? JetRowId{} : rows[random() % rows.size()]; };
    auto update = [](JetRowId at, std::size_t size, bool full) -> WriterChange {
        return [=](jet::JetTableWriter& writer, std::string& error) {
            return writer.update(at, sampleRow(writer.layout(), size, full), error);
        };
    };
    auto remove = [](JetRowId at) -> WriterChange {
        return [at](jet::JetTableWriter& writer, std::string& error) { return writer.remove(at, error); };
    };
    const auto& moved = map.movedRows.empty() ? map.rows : map.movedRows;
    return {{"ajout court", insertion(0)},
            {"ajout d'un mémo entier", insertion(3000)},
            {"ajout d'un mémo chaîné", insertion(9000)},
            {"modification vers un mémo chaîné", update(pick(map.rows), 9000, false)},
            {"modification d'une ligne déplacée", update(pick(moved), 0, true)},
            {"modification vers un mémo entier", update(pick(map.rows), 3000, false)},
            {"suppression", remove(pick(map.rows))},
            {"suppression d'une ligne déplacée", remove(pick(moved))}};
}

class WriterOnDamagedFiles : public NoIndexFileTest {
protected:
    std::string folder() const { return m_folder.path().toStdString(); }
    Trial rowTrial(const RowBase& base, const std::string& table)
    {
        const TableMap map = base.map;
        return writerTrial(base.definition, table, [map](std::mt19937& random) { return rowChanges(map, random); });
    }
};

TEST_F(WriterOnDamagedFiles, CopiesOfTheFileOfIndexFreeTables)
{
    RowBase base;
    ASSERT_TRUE(makeRowBase(m_path, "Mesures", base));
    ASSERT_FALSE(base.map.chains.empty());
    ASSERT_FALSE(base.map.movedRows.empty());
    if (!jetcheckPath().empty()) {
        ASSERT_TRUE(verdictOf(m_path).ok) << "le fichier de départ lui-même ne passe pas jetcheck";
    }
    DamageRun run{.jetcheck = {.fewest = 4, .perRound = 3, .every = 5, .first = 0}};
    run.run(folder(), "mesures.mdb", base.bytes, rowDamage(base.map), 1, fuzzRounds(), rowTrial(base, "Mesures"));
}

TEST_F(WriterOnDamagedFiles, CopiesOfGenuineAccess2000Tables)
{
    const std::vector<std::pair<std::string, std::string>> tables = {
        {"jet/delTestV2000.mdb", "Table"},       {"jet/fixedNumericTestV2000.mdb", "test"},
        {"jet/overflowTestV2000.mdb", "Table1"}, {"jet/queryTestV2000.mdb", "Table1"},
        {"jet/testPromotionV2000.mdb", "jobDB1"}};
    DamageRun run{.jetcheck = {.fewest = 4, .perRound = 3, .every = 23, .first = 0}};
    std::uint32_t seed = 2;
    for (const auto& [relative, table] : tables) {
        const std::string path = folder() + "/base.mdb";
        if (!copyTestFile(relative, path))
            GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        RowBase base;
        ASSERT_TRUE(makeRowBase(path, table, base)) << relative;
        run.run(folder(), relative, base.bytes, rowDamage(base.map), seed++, fuzzRounds(), rowTrial(base, table));
        if (HasFailure())
            return;
    }
}

// Through SQL: each statement on its own connection, committed by SQLite itself.
TEST_F(WriterOnDamagedFiles, StatementsOnDamagedCopies)
{
    RowBase base;
    ASSERT_TRUE(makeRowBase(m_path, "Mesures", base));
    DamageRun run{.jetcheck = {.fewest = kDamageKinds, .perRound = kDamageKinds, .every = 4, .first = 1}};
    run.run(folder(), "mesures.mdb (SQL)", base.bytes, rowDamage(base.map), 3, 1,
            sqlTrial({{"INSERT INTO Mesures (Texte, Memo, Ole) VALUES ('sql', '" + std::string(9000, 'm') +
                       "', zeroblob(5000))"},
                      {"UPDATE Mesures SET Memo = '" + std::string(3000, 'u') + "' WHERE N = 1"},
                      {"UPDATE Mesures SET Texte = 'modifié', Memo = NULL"},
                      {"DELETE FROM Mesures WHERE N = 2"}},
                     false));
}

// --- Damaged pages, each the one case that showed how the writer went wrong: the page or the
// file must be refused or left alone, never written further ---

const int kFirstSlot = jet::jet4FileFormat().pageFirstSlot;

int word(const unsigned char* page, int at) { return page[at] | (page[at + 1] << 8); }
void putWord(unsigned char* page, int at, int value)
{
    page[at] = static_cast<unsigned char>(value & 0xff);
    page[at + 1] = static_cast<unsigned char>((value >> 8) & 0xff);
}

// The table "Mesures" of the Jackcess file, its pages in memory.
class DamagedTable : public NoIndexFileTest {
protected:
    void SetUp() override
    {
        NoIndexFileTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_definition = tableDefinitionPage(m_path, "Mesures");
        std::string error;
        ASSERT_TRUE(mapTable(readBytes(m_path), m_definition, m_map, error)) << error;
        m_pages = std::make_unique<MemoryPages>(readBytes(m_path));
    }

    // Opens the writer on the pages in memory as they are now.
    void openWriter(jet::JetTableWriter& writer)
    {
        std::string error;
        ASSERT_TRUE(jet::JetTableWriter::open(*m_pages, m_definition, "Mesures", writer, error)) << error;
    }

    // Row 0 of the first data page neither changed nor deleted, every page left as it was.
    void expectFirstRowLeftAlone(std::size_t longBytes)
    {
        const std::vector<unsigned char> before = m_pages->bytes();
        jet::JetTableWriter writer;
        openWriter(writer);
        std::string error;
        EXPECT_FALSE(writer.update({m_map.dataPages[0], 0}, sampleRow(writer.layout(), longBytes), error));
        EXPECT_TRUE(frenchMessage(error)) << error;
        EXPECT_FALSE(writer.remove({m_map.dataPages[0], 0}, error));
        EXPECT_TRUE(m_pages->bytes() == before);
    }

    std::uint32_t m_definition = 0;
    TableMap m_map;
    std::unique_ptr<MemoryPages> m_pages;
};

// The writer leaves a data page whose offsets are out of order as it is: the row goes to a new page.
TEST_F(DamagedTable, RowsGoPastADamagedPage)
{
    ASSERT_EQ(m_map.dataPages.size(), 1u);
    unsigned char* damaged = m_pages->change(m_map.dataPages[0]);
    putWord(damaged, kFirstSlot, word(damaged, kFirstSlot + 2) - 8);  // the first row now starts below the second
    const std::vector<unsigned char> before(damaged, damaged + 4096);
    jet::JetTableWriter writer;
    openWriter(writer);
    JetRowId at;
    std::string error;
    ASSERT_TRUE(writer.insert(sampleRow(writer.layout(), 0), at, error)) << error;
    EXPECT_NE(at.page, m_map.dataPages[0]);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), m_pages->read(m_map.dataPages[0])));
}

// A counter set back below the number of rows: a new row would repeat a number a row holds.
TEST_F(DamagedTable, AutoNumberCounterSetBack)
{
    auto bytes = readBytes(m_path);
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(m_definition * 4096 + jet::jet4FileFormat().definitionAutoNumber), 4, 0);
    writeBytes(m_path, bytes);
    EXPECT_FALSE(changeInTransaction(m_path, m_definition, "Mesures", insertion(0), "compteur remis à zéro"));
}

// A file cut short loses pages its tables' maps still mark: a page appended in their place
// would take the number of a lost page (of rows or of long values) the maps and the rows
// still point at. Changes to such a table are refused, the short file left as it is.
TEST_F(DamagedTable, TablesOfAFileCutShortRefused)
{
    // A long value on a page of its own, at the end of the file, then a data page after it.
    ASSERT_TRUE(changeInTransaction(m_path, m_definition, "Mesures", insertion(3000), "mémo"));
    const auto withLongValue = readBytes(m_path);
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(changeInTransaction(m_path, m_definition, "Mesures", insertion(0), "ligne"));
    TableMap map;
    std::string error;
    ASSERT_TRUE(mapTable(readBytes(m_path), m_definition, map, error)) << error;
    ASSERT_EQ(map.dataPages.size(), 2u);
    ASSERT_EQ(map.dataPages.back() * 4096u, withLongValue.size());
    ASSERT_LT(map.longValuePages.back(), map.dataPages.back());
    // Cut before the second data page, then before the long-value page.
    for (std::size_t size : {withLongValue.size(), std::size_t{map.longValuePages.back()} * 4096u}) {
        auto bytes = readBytes(m_path);
        bytes.resize(size);
        writeBytes(m_path, bytes);
        for (std::size_t longBytes : {std::size_t{0}, std::size_t{3000}})
            EXPECT_FALSE(changeInTransaction(m_path, m_definition, "Mesures", insertion(longBytes),
                                             "coupé à " + std::to_string(size)));
    }
}

// A row whose bytes another row of its page claims is neither changed nor deleted.
TEST_F(DamagedTable, RowsOverlappingOthersLeftAlone)
{
    unsigned char* damaged = m_pages->change(m_map.dataPages[0]);
    putWord(damaged, kFirstSlot + 2, word(damaged, kFirstSlot) + 4);  // the second row inside the first
    expectFirstRowLeftAlone(0);
}

// A moved row's data is flagged deleted, so that scans pass it by: a pointer to a row scans
// meet leads to another row, whose bytes and long values a change would take as this one's.
TEST_F(DamagedTable, MovedRowPointingAtAnotherRowLeftAlone)
{
    const std::uint32_t number = m_map.dataPages[0];
    unsigned char* page = m_pages->change(number);
    jet::datapage::Slot first;
    ASSERT_TRUE(jet::datapage::slot(page, 0, first));
    page[first.start] = 1;  // row 0 now says it lies at row 1 of its page
    putWord(page, first.start + 1, static_cast<int>(number & 0xffff));
    page[first.start + 3] = static_cast<unsigned char>(number >> 16);
    jet::datapage::flag(page, 0, jet::kRowMoved);
    expectFirstRowLeftAlone(3000);
}

// --- Indexed tables ---

// A number in [0, below).
std::int64_t draw(std::mt19937& random, std::uint32_t below)
{
    return static_cast<std::int64_t>(random() % below);
}

// A value of the column's type, small numbers one time in two (keys that other rows hold).
JetFieldValue randomValue(const jet::JetLayoutColumn& column, std::mt19937& random)
{
    const bool small = draw(random, 2) == 0;
    switch (column.type) {
    case JetType::Boolean: return JetFieldValue::of(draw(random, 2) == 0);
    case JetType::Byte: return JetFieldValue::of(draw(random, 256));
    case JetType::Integer: return JetFieldValue::of(draw(random, small ? 8 : 30000));
    case JetType::Long:
        return column.autoNumber() ? JetFieldValue::null() : JetFieldValue::of(draw(random, small ? 8 : 100000));
    case JetType::DateTime: return JetFieldValue::of(30000.0 + static_cast<double>(draw(random, 20000)));
    case JetType::Double: return JetFieldValue::of(static_cast<double>(draw(random, 1000)) / 4);
    case JetType::Text: {
        const auto most = static_cast<std::uint32_t>(std::max(1, column.length / 2));
        std::string text(static_cast<std::size_t>(1 + draw(random, std::min<std::uint32_t>(most, small ? 6 : 200))), 'a');
        for (char& c : text)
            c = static_cast<char>('a' + draw(random, 26));
        return JetFieldValue::of(text);
    }
    default: return sampleValue(column, 0, false);
    }
}

std::vector<JetFieldValue> randomRow(const jet::JetTableLayout& layout, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<JetFieldValue> row;
    for (const auto& column : layout.columns)
        row.push_back(randomValue(column, random));
    return row;
}

WriterChange randomInsertion(std::uint32_t seed)
{
    return [seed](jet::JetTableWriter& writer, std::string& error) {
        JetRowId at;
        return writer.insert(randomRow(writer.layout(), seed), at, error);
    };
}

// Rows found through the first index that answers for a value of its column, then changed.
WriterChange lookupThenUpdate(std::uint32_t seed)
{
    return [seed](jet::JetTableWriter& writer, std::string& error) {
        std::mt19937 random(seed);
        for (const auto& column : writer.layout().columns) {
            std::vector<JetRowId> rows;
            bool served = false;
            const JetFieldValue wanted = column.type == JetType::Long || column.type == JetType::Integer
                                             ? JetFieldValue::of(draw(random, 600))
                                             : randomValue(column, random);
            if (!writer.indexes().findEqual(column, wanted, rows, served, error))
                return false;
            if (!served)
                continue;
            for (std::size_t i = 0; i < rows.size() && i < 2; ++i)
                if (!writer.update(rows[i], randomRow(writer.layout(), static_cast<std::uint32_t>(random())), error))
                    return false;
            return true;
        }
        return true;
    };
}

std::vector<Change> indexChanges(const IndexedTableMap& map, std::mt19937& random)
{
    auto pickRow = [&]() { return map.rows.empty() ? JetRowId{} : map.rows[random() % map.rows.size()]; };
    auto seed = [&]() { return static_cast<std::uint32_t>(random()); };
    const JetRowId changed = pickRow();
    const std::uint32_t values = seed();
    const JetRowId removed = pickRow();
    return {{"ajout", randomInsertion(seed())},
            {"second ajout", randomInsertion(seed())},
            {"modification",
             [=](jet::JetTableWriter& writer, std::string& error) {
                 return writer.update(changed, randomRow(writer.layout(), values), error);
             }},
            {"suppression", [=](jet::JetTableWriter& writer, std::string& error) { return writer.remove(removed, error); }},
            {"recherche puis modification", lookupThenUpdate(seed())}};
}

class WriterOnDamagedIndexes : public ::testing::Test {
protected:
    std::string folder() const { return m_folder.path().toStdString(); }
    std::string path() const { return folder() + "/base.mdb"; }

    bool mapOf(const std::string& table, IndexedTableMap& map, std::vector<unsigned char>& bytes)
    {
        bytes = readBytes(path());
        std::string why;
        const std::uint32_t definition = tableDefinitionPage(path(), table);
        EXPECT_TRUE(definition != 0 && mapIndexes(bytes, definition, map, why)) << table << " : " << why;
        return !HasFailure();
    }

    void fuzzWriter(const std::string& label, const std::string& table, std::uint32_t seed)
    {
        IndexedTableMap map;
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(mapOf(table, map, bytes));
        m_run.jetcheck.verified = 0;  // jetcheck judges a few changed copies of each file
        m_run.run(folder(), label, bytes, indexDamage(map), seed, fuzzRounds(),
                  writerTrial(map.definition, table, [map](std::mt19937& random) { return indexChanges(map, random); }));
    }

    // Undamaged, every transaction is committed: the damage is what refuses them.
    void fuzzSql(const std::string& label, const std::string& table, std::uint32_t seed,
                 const std::vector<std::vector<std::string>>& transactions)
    {
        IndexedTableMap map;
        std::vector<unsigned char> bytes;
        ASSERT_TRUE(mapOf(table, map, bytes));
        for (const auto& statements : transactions) {
            std::string why;
            ASSERT_TRUE(runStatements(path(), statements, true, why)) << label << " : " << statements.back() << " : " << why;
        }
        m_run.jetcheck = {.fewest = 2, .perRound = 2, .every = 6, .first = 1};
        m_run.run(folder(), label, bytes, indexDamage(map), seed, fuzzRounds(), sqlTrial(transactions, true));
    }

    QTemporaryDir m_folder;
    DamageRun m_run{.jetcheck = {.fewest = 3, .perRound = 2, .every = 5, .first = 1}};
};

#define REQUIRE_COPY(relative)                                                                     \
    if (!copyTestFile(relative, path()))                                                          \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";

TEST_F(WriterOnDamagedIndexes, CopiesOfIndexedAccess2000And97Tables)
{
    std::uint32_t seed = 11;
    for (const std::string relative : {"jet/compIndexTestV2000.mdb", "jet/bigIndexTestV2000.mdb", "jet/compIndexTestV1997.mdb"}) {
        REQUIRE_COPY(relative);
        // The empty table of long text keys grows a tree of several levels first.
        const std::uint32_t definition = tableDefinitionPage(path(), "Table1");
        for (std::uint32_t i = 0; relative.find("big") != std::string::npos && i < 90; ++i)
            ASSERT_TRUE(changeInTransaction(path(), definition, "Table1", randomInsertion(1000 + i), "croissance"));
        fuzzWriter(relative, "Table1", relative.find("1997") != std::string::npos ? 17 : seed++);
        if (HasFailure())
            return;
    }
}

// An index block naming no key column at all: the table is refused as damaged when its writer
// opens, before any lookup could go through that index.
TEST_F(WriterOnDamagedIndexes, IndexWithoutKeyColumnsRefused)
{
    REQUIRE_COPY("jet/compIndexTestV2000.mdb");
    IndexedTableMap map;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(mapOf("Table1", map, bytes));
    ASSERT_FALSE(map.indexes.empty());
    const std::size_t keys = map.indexes.front().block + static_cast<std::size_t>(map.format->realIndexKeys);
    for (std::size_t k = 0; k < 10; ++k)
        bytes[keys + 3 * k] = bytes[keys + 3 * k + 1] = 0xff;
    writeBytes(path(), bytes);
    EXPECT_FALSE(changeInTransaction(path(), map.definition, "Table1", lookupThenUpdate(5), "index sans colonne de clé"));
    EXPECT_FALSE(changeInTransaction(path(), map.definition, "Table1", randomInsertion(6), "index sans colonne de clé"));
}

// Through SQL, each transaction looking rows up through an index first: tables whose keys refer to
// others (relationships checked), then the table they refer to damaged.
const std::vector<std::vector<std::string>> kReferringTransactions = {
    {"SELECT data FROM Table1 WHERE id = 2", "UPDATE Table1 SET otherfk1 = 2, otherfk2 = 13, data = 'modifié' WHERE id = 2"},
    {"INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (50, 1, 12, 'nouveau', 0)"},
    {"SELECT data FROM Table1 WHERE id = 3", "DELETE FROM Table1 WHERE id = 3"}};

TEST_F(WriterOnDamagedIndexes, StatementsOnTablesWhoseKeysReferToOthers)
{
    REQUIRE_COPY("jet/indexTestV2000.mdb");
    auto transactions = kReferringTransactions;
    transactions.push_back({"UPDATE Table1 SET id = 60 WHERE id = 1"});
    fuzzSql("jet/indexTestV2000.mdb", "Table1", 23, transactions);
    if (HasFailure())
        return;
    REQUIRE_COPY("jet/indexTestV1997.mdb");
    fuzzSql("jet/indexTestV1997.mdb", "Table1", 31, kReferringTransactions);
}

TEST_F(WriterOnDamagedIndexes, StatementsOnATableReferredToDamaged)
{
    REQUIRE_COPY("jet/indexTestV2000.mdb");
    fuzzSql("jet/indexTestV2000.mdb", "Table2", 37,
            {{"SELECT data FROM Table1 WHERE id = 2", "UPDATE Table1 SET otherfk1 = 2 WHERE id = 2"},
             {"INSERT INTO Table1 (id, otherfk1, otherfk2, data, otherfk3) VALUES (50, 1, 12, 'nouveau', 0)"},
             {"INSERT INTO Table2 (id, data) VALUES (7, 'autre')"},
             {"INSERT INTO Table2 (id, data) VALUES (8, 'passager')", "DELETE FROM Table2 WHERE id = 8"},
             {"SELECT data FROM Table2 WHERE id = 1", "UPDATE Table2 SET data = 'renommé' WHERE id = 1"}});
}

// nwind grown by jetgen into an Access 2002-2003 file: its orders have six indexes, texts, dates
// and numbers, over several pages each.
TEST_F(WriterOnDamagedIndexes, StatementsOnTheOrdersOfAGrownNwind)
{
    if (!growNwind(path(), 1))
        GTEST_SKIP() << "nwind.mdb, jetgen ou java absent";
    fuzzSql("nwind2003.mdb", "Orders", 29,
            {{"SELECT CustomerID FROM Orders WHERE OrderID = 10330",
              "UPDATE Orders SET EmployeeID = 2, ShipPostalCode = 'K1' WHERE OrderID = 10330"},
             {"INSERT INTO Orders (CustomerID, EmployeeID, ShipVia, ShipPostalCode, ShipCity) "
              "VALUES ('ALFKI', 1, 1, 'K2', 'Paris')"},
             {"SELECT OrderID FROM Orders WHERE EmployeeID = 5",
              "UPDATE Orders SET ShipPostalCode = 'K3' WHERE EmployeeID = 5 AND ShipVia = 2"},
             {"INSERT INTO Orders (CustomerID, EmployeeID, ShipVia, ShipPostalCode) VALUES ('BONAP', 4, 3, 'K4')",
              "DELETE FROM Orders WHERE ShipPostalCode = 'K4'"}});
}

}  // namespace
