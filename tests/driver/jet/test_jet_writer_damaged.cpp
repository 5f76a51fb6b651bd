// Damaged copies of index-free Jet 4 files (the file Jackcess makes for these tests, and the
// index-free tables of the genuine Access 2000 files) changed through the row writer: rows
// added with short, whole and chained memos, changed, moved and deleted. Whatever the damage,
// no crash and no hang; a refused change leaves the file byte for byte as it was and says why
// in French; an accepted one leaves a file jetcheck judges no worse than the damaged copy.
// KERVANE_JET_WRITER_FUZZ=n runs n seeds of every damage (2 by default); jetcheck judges a few cases.
#include "JetDamage.h"
#include "JetDamageCase.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"
#include "JetWriterTestSupport.h"

#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

using namespace kervane;
using namespace kervane::test;
using jet::JetFieldValue;
using jet::JetRowId;

namespace {

// A file to damage: one table of it, where its structures lie, its bytes undamaged.
struct Base {
    std::string label;
    std::string table;
    std::uint32_t definition = 0;
    std::vector<unsigned char> bytes;
    TableMap map;
};

// Gives the table of `path` what the damage aims at: long values whole and chained, a moved row
// (its page filled first: a row that grows where its page has room stays in place).
void enrich(const std::string& path, std::uint32_t definition, const std::string& table)
{
    for (std::size_t size : {std::size_t{3000}, std::size_t{9000}}) {
        changeInTransaction(path, definition, table, [size](jet::JetTableWriter& writer, std::string& error) {
            JetRowId at;
            return writer.insert(sampleRow(writer.layout(), size), at, error);
        }, table + " : ajout");
    }
    TableMap map;
    std::string why;
    if (mapTable(readBytes(path), definition, map, why) && !map.rows.empty()) {
        const JetRowId first = map.rows.front();
        changeInTransaction(path, definition, table, [first](jet::JetTableWriter& writer, std::string& error) {
            for (JetRowId at = first; at.page == first.page;)
                if (!writer.insert(sampleRow(writer.layout(), 0), at, error))
                    return false;
            return writer.update(first, sampleRow(writer.layout(), 64, true), error);
        }, table + " : déplacement");
    }
}

bool makeBase(const std::string& path, const std::string& table, const std::string& label, Base& base)
{
    base.label = label;
    base.table = table;
    base.definition = tableDefinitionPage(path, table);
    if (base.definition == 0)
        return false;
    enrich(path, base.definition, table);
    base.bytes = readBytes(path);
    std::string why;
    EXPECT_TRUE(mapTable(base.bytes, base.definition, base.map, why)) << label << " : " << why;
    std::cout << label << " : " << base.map.rows.size() << " lignes dont " << base.map.movedRows.size()
              << " déplacées, " << base.map.chains.size() << " valeurs longues chaînées\n";
    return true;
}

JetRowId pickRow(const std::vector<JetRowId>& rows, std::mt19937& random)
{
    return rows.empty() ? JetRowId{} : rows[random() % rows.size()];
}

using Change = std::pair<std::string, WriterChange>;

// The changes tried on every damaged copy, rows picked among those the undamaged table holds.
std::vector<Change> changesFor(const TableMap& map, std::mt19937& random)
{
    auto insert = [](std::size_t size) {
        return [size](jet::JetTableWriter& writer, std::string& error) {
            JetRowId at;
            return writer.insert(sampleRow(writer.layout(), size), at, error);
        };
    };
    auto update = [](JetRowId at, std::size_t size, bool full) {
        return [=](jet::JetTableWriter& writer, std::string& error) {
            return writer.update(at, sampleRow(writer.layout(), size, full), error);
        };
    };
    auto remove = [](JetRowId at) {
        return [at](jet::JetTableWriter& writer, std::string& error) { return writer.remove(at, error); };
    };
    const auto& moved = map.movedRows.empty() ? map.rows : map.movedRows;
    return {{"ajout court", insert(0)},
            {"ajout d'un mémo entier", insert(3000)},
            {"ajout d'un mémo chaîné", insert(9000)},
            {"modification vers un mémo chaîné", update(pickRow(map.rows, random), 9000, false)},
            {"modification d'une ligne déplacée", update(pickRow(moved, random), 0, true)},
            {"modification vers un mémo entier", update(pickRow(map.rows, random), 3000, false)},
            {"suppression", remove(pickRow(map.rows, random))},
            {"suppression d'une ligne déplacée", remove(pickRow(moved, random))}};
}

class WriterOnDamagedFiles : public NoIndexFileTest {
protected:
    // Every damage, `fuzzRounds()` seeds each, on copies of `base`; jetcheck judges up to
    // `fuzzRounds()` accepted cases of each damage.
    void fuzz(const Base& base, std::uint32_t seed)
    {
        const std::string path = m_folder.filePath("abime.mdb").toStdString();
        for (int round = 0; round < fuzzRounds(); ++round) {
            for (int k = 0; k < kDamageKinds; ++k) {
                std::mt19937 random(seed * 7919 + static_cast<std::uint32_t>(round * 131 + k));
                std::vector<unsigned char> bytes = base.bytes;
                std::string what;
                const auto kind = static_cast<Damage>(k);
                if (!damage(bytes, base.map, kind, random, what))
                    continue;
                writeBytes(path, bytes);
                const std::string label = base.label + " / " + damageName(kind) + " / " + what;
                int accepted = 0;
                for (const auto& [name, change] : changesFor(base.map, random))
                    accepted += changeInTransaction(path, base.definition, base.table, change, label + " / " + name);
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

    int m_cases = 0;
    int m_accepted = 0;
    // Cases jetcheck judges in one test: 4, or 3 per round when more rounds are asked for; one
    // out of `every`, which each test sets.
    JetcheckSpread m_jetcheck{.fewest = 4, .perRound = 3, .every = 1, .first = 0};
};

TEST_F(WriterOnDamagedFiles, CopiesOfTheFileOfIndexFreeTables)
{
    Base base;
    ASSERT_TRUE(makeBase(m_path, "Mesures", "mesures.mdb", base));
    ASSERT_FALSE(base.map.chains.empty());
    ASSERT_FALSE(base.map.movedRows.empty());
    if (!jetcheckPath().empty()) {
        ASSERT_TRUE(verdictOf(m_path).ok) << "le fichier de départ lui-même ne passe pas jetcheck";
    }
    m_jetcheck.every = 5;
    fuzz(base, 1);
}

TEST_F(WriterOnDamagedFiles, CopiesOfGenuineAccess2000Tables)
{
    const std::vector<std::pair<std::string, std::string>> tables = {
        {"jet/delTestV2000.mdb", "Table"},       {"jet/fixedNumericTestV2000.mdb", "test"},
        {"jet/overflowTestV2000.mdb", "Table1"}, {"jet/queryTestV2000.mdb", "Table1"},
        {"jet/testPromotionV2000.mdb", "jobDB1"}};
    std::uint32_t seed = 2;
    m_jetcheck.every = 23;
    for (const auto& [relative, table] : tables) {
        const std::string source = testDataPath(relative);
        if (source.empty()) {
            GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
        }
        const std::string path = m_folder.filePath("base.mdb").toStdString();
        std::filesystem::remove(path);
        std::filesystem::copy_file(source, path);
        std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
        Base base;
        ASSERT_TRUE(makeBase(path, table, relative, base)) << relative;
        fuzz(base, seed++);
        if (HasFailure())
            return;
    }
}

// Through SQL: each statement on its own connection, committed by SQLite itself. A statement
// refused (by the reader or the writer) leaves the file byte-identical and says why in French.
TEST_F(WriterOnDamagedFiles, StatementsOnDamagedCopies)
{
    Base base;
    ASSERT_TRUE(makeBase(m_path, "Mesures", "mesures.mdb", base));
    const std::string path = m_folder.filePath("abime.mdb").toStdString();
    JetcheckSpread jetcheck{.fewest = kDamageKinds, .perRound = kDamageKinds, .every = 4, .first = 1};
    const std::vector<std::string> statements = {
        "INSERT INTO Mesures (Texte, Memo, Ole) VALUES ('sql', '" + std::string(9000, 'm') + "', zeroblob(5000))",
        "UPDATE Mesures SET Memo = '" + std::string(3000, 'u') + "' WHERE N = 1",
        "UPDATE Mesures SET Texte = 'modifié', Memo = NULL", "DELETE FROM Mesures WHERE N = 2"};
    int accepted = 0;
    for (int k = 0; k < kDamageKinds; ++k) {
        std::mt19937 random(3 * 7919 + static_cast<std::uint32_t>(k));
        std::vector<unsigned char> bytes = base.bytes;
        std::string what;
        const auto kind = static_cast<Damage>(k);
        if (!damage(bytes, base.map, kind, random, what))
            continue;
        writeBytes(path, bytes);
        int done = 0;
        for (const auto& sql : statements) {
            const std::string label = std::string(damageName(kind)) + " / " + what + " / " + sql.substr(0, 40);
            const std::vector<unsigned char> before = readBytes(path);
            Connection db = memoryConnection();
            std::string error;
            std::vector<std::vector<std::string>> rows;
            const bool ran = jet::attachJetDatabase(db.get(), path, error) && query(db.get(), sql, rows, error);
            db.reset();
            done += ran;
            if (!ran) {
                EXPECT_TRUE(frenchMessage(error)) << label << " : « " << error << " »";
                EXPECT_TRUE(readBytes(path) == before) << label << " : refusé mais le fichier a changé";
            }
        }
        accepted += done > 0;
        // A few of the files changed are judged by jetcheck: one damage out of four.
        jetcheck.judge(m_folder.path().toStdString(), bytes, path, done > 0, k, what);
    }
    std::cout << accepted << " copies abîmées modifiées par SQL\n";
}

}  // namespace
