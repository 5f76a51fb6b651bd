// Damaged copies of indexed tables of genuine Access 97 and Access 2000 files changed through
// the row writer with its indexes: rows added, changed, deleted, found through an index then
// changed. The damage aims at what index maintenance reads: index pages, their links and child
// pointers, the definition's index blocks, the index usage maps, the counts of distinct keys.
// Whatever the damage, no crash and no hang; a refused change leaves the file byte for byte as it
// was and says why in French; an accepted one writes sound pages and leaves a file jetcheck
// judges no worse than the damaged copy. Each case names its seed and round to be replayed.
// KERVANE_JET_WRITER_FUZZ=n runs n seeds of every damage (2 by default); jetcheck judges a few cases.
#include "JetDamageCase.h"
#include "JetIndexDamage.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "JetWriterTestSupport.h"

#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <iostream>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;
using jet::JetRowId;
using jet::JetType;

namespace {

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
        if (column.autoNumber())
            return JetFieldValue::null();
        return JetFieldValue::of(draw(random, small ? 8 : 100000));
    case JetType::DateTime: return JetFieldValue::of(30000.0 + static_cast<double>(draw(random, 20000)));
    case JetType::Double: return JetFieldValue::of(static_cast<double>(draw(random, 1000)) / 4);
    case JetType::Text: {
        const auto most = static_cast<std::uint32_t>(std::max(1, column.length / 2));
        const auto length = 1 + draw(random, std::min<std::uint32_t>(most, small ? 6 : 200));
        std::string text(static_cast<std::size_t>(length), 'a');
        for (char& c : text)
            c = static_cast<char>('a' + draw(random, 26));
        return JetFieldValue::of(text);
    }
    default: return sampleValue(column, 0, false);
    }
}

std::vector<JetFieldValue> randomRow(const jet::JetTableLayout& layout, std::mt19937& random)
{
    std::vector<JetFieldValue> row;
    for (const auto& column : layout.columns)
        row.push_back(randomValue(column, random));
    return row;
}

using Change = std::pair<std::string, WriterChange>;

WriterChange insertion(std::uint32_t seed)
{
    return [seed](jet::JetTableWriter& writer, std::string& error) {
        std::mt19937 random(seed);
        JetRowId at;
        return writer.insert(randomRow(writer.layout(), random), at, error);
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
                if (!writer.update(rows[i], randomRow(writer.layout(), random), error))
                    return false;
            return true;
        }
        return true;
    };
}

std::vector<Change> changesFor(const IndexedTableMap& map, std::mt19937& random)
{
    auto pickRow = [&]() { return map.rows.empty() ? JetRowId{} : map.rows[random() % map.rows.size()]; };
    auto update = [](JetRowId at, std::uint32_t seed) {
        return [at, seed](jet::JetTableWriter& writer, std::string& error) {
            std::mt19937 values(seed);
            return writer.update(at, randomRow(writer.layout(), values), error);
        };
    };
    auto remove = [](JetRowId at) {
        return [at](jet::JetTableWriter& writer, std::string& error) { return writer.remove(at, error); };
    };
    auto seed = [&]() { return static_cast<std::uint32_t>(random()); };
    return {{"ajout", insertion(seed())},
            {"second ajout", insertion(seed())},
            {"modification", update(pickRow(), seed())},
            {"suppression", remove(pickRow())},
            {"recherche puis modification", lookupThenUpdate(seed())}};
}

// A file to damage: one indexed table of it, where its indexes lie, its bytes undamaged.
struct Base {
    std::string label;
    std::string table;
    std::vector<unsigned char> bytes;
    IndexedTableMap map;
};

class WriterOnDamagedIndexes : public ::testing::Test {
protected:
    // A copy of `relative` in the test's folder; empty when the test data is absent.
    std::string copyOf(const std::string& relative)
    {
        const std::string path = m_folder.filePath("base.mdb").toStdString();
        return copyTestFile(relative, path) ? path : std::string();
    }

    bool makeBase(const std::string& path, const std::string& table, const std::string& label, Base& base)
    {
        base.label = label;
        base.table = table;
        base.bytes = readBytes(path);
        std::string why;
        const std::uint32_t definition = tableDefinitionPage(path, table);
        EXPECT_NE(definition, 0u) << label;
        EXPECT_TRUE(definition != 0 && mapIndexes(base.bytes, definition, base.map, why)) << label << " : " << why;
        std::size_t intermediates = 0;
        for (const auto& tree : base.map.indexes)
            intermediates += tree.intermediates.size();
        std::cout << label << " : " << base.map.indexes.size() << " index, " << intermediates
                  << " pages intermédiaires, " << base.map.rows.size() << " lignes\n";
        return !HasFailure();
    }

    // Every index damage, `fuzzRounds()` seeds each, on copies of `base`.
    void fuzz(const Base& base, std::uint32_t seed)
    {
        const std::string path = m_folder.filePath("abime.mdb").toStdString();
        for (int round = 0; round < fuzzRounds(); ++round) {
            for (int k = 0; k < kIndexDamageKinds; ++k) {
                std::mt19937 random(seed * 7919 + static_cast<std::uint32_t>(round * 131 + k));
                std::vector<unsigned char> bytes = base.bytes;
                std::string what;
                const auto kind = static_cast<IndexDamage>(k);
                if (!damageIndex(bytes, base.map, kind, random, what))
                    continue;
                writeBytes(path, bytes);
                const std::string label = base.label + " / " + indexDamageName(kind) + " (graine " +
                                          std::to_string(seed) + ", tour " + std::to_string(round) + ") / " + what;
                int accepted = 0;
                for (const auto& [name, change] : changesFor(base.map, random))
                    accepted +=
                        changeInTransaction(path, base.map.definition, base.table, change, label + " / " + name);
                ++m_cases;
                m_accepted += accepted > 0;
                m_jetcheck.judge(m_folder.path().toStdString(), bytes, path, accepted > 0, m_cases, label);
                if (HasFailure())
                    return;
            }
        }
    }

    void TearDown() override
    {
        if (m_cases > 0)
            std::cout << m_cases << " copies abîmées, " << m_accepted << " modifiées au moins une fois\n";
    }

    QTemporaryDir m_folder;
    int m_cases = 0;
    int m_accepted = 0;
    JetcheckSpread m_jetcheck{.fewest = 3, .perRound = 2, .every = 5, .first = 1};
};

TEST_F(WriterOnDamagedIndexes, CopiesOfIndexedAccess2000Tables)
{
    std::uint32_t seed = 11;
    for (const std::string relative : {"jet/compIndexTestV2000.mdb", "jet/bigIndexTestV2000.mdb"}) {
        const std::string path = copyOf(relative);
        if (path.empty())
            GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        const std::uint32_t definition = tableDefinitionPage(path, "Table1");
        // The empty table of long text keys grows a tree of several levels first.
        for (std::uint32_t i = 0; relative.find("big") != std::string::npos && i < 90; ++i)
            ASSERT_TRUE(changeInTransaction(path, definition, "Table1", insertion(1000 + i), "croissance"));
        Base base;
        ASSERT_TRUE(makeBase(path, "Table1", relative, base));
        fuzz(base, seed++);
        if (HasFailure())
            return;
    }
}

TEST_F(WriterOnDamagedIndexes, CopiesOfAnIndexedAccess97Table)
{
    const std::string path = copyOf("jet/compIndexTestV1997.mdb");
    if (path.empty())
        GTEST_SKIP() << "jet/compIndexTestV1997.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de "
                        "test";
    Base base;
    ASSERT_TRUE(makeBase(path, "Table1", "jet/compIndexTestV1997.mdb", base));
    fuzz(base, 17);
}

// An index block naming no key column at all: the table is refused as damaged when its writer
// opens, before any lookup could go through that index.
TEST_F(WriterOnDamagedIndexes, IndexWithoutKeyColumnsRefused)
{
    const std::string path = copyOf("jet/compIndexTestV2000.mdb");
    if (path.empty())
        GTEST_SKIP() << "jet/compIndexTestV2000.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de "
                        "test";
    Base base;
    ASSERT_TRUE(makeBase(path, "Table1", "jet/compIndexTestV2000.mdb", base));
    ASSERT_FALSE(base.map.indexes.empty());
    std::vector<unsigned char> bytes = base.bytes;
    const std::size_t keys = base.map.indexes.front().block + static_cast<std::size_t>(base.map.format->realIndexKeys);
    for (std::size_t k = 0; k < 10; ++k) {
        bytes[keys + 3 * k] = 0xff;
        bytes[keys + 3 * k + 1] = 0xff;
    }
    writeBytes(path, bytes);
    const std::string label = "index sans colonne de clé";
    EXPECT_FALSE(changeInTransaction(path, base.map.definition, "Table1", lookupThenUpdate(5), label));
    EXPECT_FALSE(changeInTransaction(path, base.map.definition, "Table1", insertion(6), label));
}

}  // namespace
