#include "JetDamageCase.h"

#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetPageStore.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/index/JetIndexPage.h"
#include "driver/jet/module/JetDatabase.h"
#include "driver/jet/module/JetFileTables.h"
#include "driver/jet/write/JetTableWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <regex>

namespace kervane::test {

using jet::JetFieldValue;
using jet::JetType;

JetFieldValue sampleValue(const jet::JetLayoutColumn& column, std::size_t longBytes, bool fullTexts)
{
    switch (column.type) {
    case JetType::Boolean: return JetFieldValue::of(true);
    case JetType::Byte: return JetFieldValue::of(std::int64_t{7});
    case JetType::Integer: return JetFieldValue::of(std::int64_t{300});
    case JetType::Long: return column.autoNumber() ? JetFieldValue::null() : JetFieldValue::of(std::int64_t{70000});
    case JetType::Currency: return JetFieldValue::decimal("12.5");
    case JetType::Single: return JetFieldValue::of(1.5);
    case JetType::Double: return JetFieldValue::of(2.25);
    case JetType::DateTime: return JetFieldValue::of(37000.5);
    case JetType::LargeNumber: return JetFieldValue::of(std::int64_t{5000000000});
    case JetType::Complex: return JetFieldValue::null();
    case JetType::ExtendedDate: return JetFieldValue::of(std::string("2001-04-19 12:00:00"));
    case JetType::Decimal: return JetFieldValue::decimal("0");
    case JetType::Guid: return JetFieldValue::of(std::string("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    case JetType::Text: {
        const std::size_t most = static_cast<std::size_t>(column.length / 2);
        return JetFieldValue::of(std::string(column.fixed() || fullTexts ? most : std::min<std::size_t>(most, 5), 't'));
    }
    case JetType::Memo:
        return JetFieldValue::of(longBytes == 0 ? std::string("mémo") : std::string(longBytes / 2, 'm'));
    case JetType::Ole: return JetFieldValue::of(std::vector<unsigned char>(longBytes == 0 ? 3 : longBytes, 0x5a));
    case JetType::Binary:
        if (column.fixed())
            return JetFieldValue::null();
        return JetFieldValue::of(std::vector<unsigned char>(std::min(column.length, 4), 0x0b));
    }
    return JetFieldValue::null();
}

std::vector<JetFieldValue> sampleRow(const jet::JetTableLayout& layout, std::size_t longBytes, bool fullTexts)
{
    std::vector<JetFieldValue> row;
    for (const auto& column : layout.columns)
        row.push_back(sampleValue(column, longBytes, fullTexts));
    return row;
}

bool frenchMessage(const std::string& message)
{
    // An elided article ("L'index …") is followed by its noun, the others by a space.
    static const std::regex sentence("^(\\[[0-9A-Z]{5}\\])?((La|Le|Les|Aucune|Une|Un) |L').*");
    return std::regex_match(message, sentence) && message.find("error") == std::string::npos;
}

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

Verdict verdictOf(const std::string& path)
{
    Verdict verdict;
    // jetcheck itself can loop on a damaged file: it is given 20 seconds, then counts as unable to open it.
    int status = 0;
    verdict.text = runTool("timeout", {"-k", "5", "20", jetcheckPath(), "verify", path}, status);
    std::smatch found;
    static const std::regex result("RESULT: (OK|FAIL) \\(\\d+ tables, \\d+ checks, (\\d+) failures");
    if (std::regex_search(verdict.text, found, result)) {
        verdict.opened = true;
        verdict.ok = found[1] == "OK";
        verdict.failures = std::stoi(found[2]);
    }
    // What each failure says, its numbers (rows, pages, values) and the file's name left out.
    // A check that could not run names the exception that stopped it: only that it was one
    // counts, as what it says of the same damage changes with the file (a page past the end
    // before a change may be a page of another kind once the file grew).
    const std::string name = std::filesystem::path(path).filename().string();
    static const std::regex failure("^FAIL .*$", std::regex::ECMAScript | std::regex::multiline);
    static const std::regex number("[0-9]+");
    static const std::regex exception(": [A-Za-z.]*(Exception|Error)\\b.*$");
    for (auto it = std::sregex_iterator(verdict.text.begin(), verdict.text.end(), failure); it != std::sregex_iterator();
         ++it) {
        const std::string line = std::regex_replace(it->str(), exception, ": exception");
        verdict.kinds.insert(std::regex_replace(replaceAll(line, name, "#"), number, "#"));
    }
    return verdict;
}

bool noWorse(const Verdict& before, const Verdict& after)
{
    if (!before.opened)
        return true;
    if (!after.opened)
        return false;
    if (after.ok)
        return true;
    return !before.ok && after.failures <= before.failures &&
           std::includes(before.kinds.begin(), before.kinds.end(), after.kinds.begin(), after.kinds.end());
}

namespace {

bool untouched(const jet::JetPageStore& store, std::uint32_t pages)
{
    if (store.pageCount() != pages)
        return false;
    for (std::uint32_t p = 0; p < pages; ++p)
        if (store.changedPage(p) != nullptr)
            return false;
    return true;
}

int word(const unsigned char* p, int at)
{
    return p[at] | (p[at + 1] << 8);
}

// The format of a file's bytes: Jet 3 when its version byte says so.
const jet::JetFileFormat& formatOf(const std::vector<unsigned char>& file)
{
    return jet::fileFormatFor(file.size() > 0x14 && file[0x14] == 0 ? 2048 : 4096);
}

// A page of rows whose offsets go down from the page's end without reaching the offset table.
bool rowsInOrder(const unsigned char* page, const jet::JetFileFormat& f)
{
    const int rows = word(page, f.pageRowCount);
    int above = f.pageSize;
    for (int r = 0; r < rows; ++r) {
        const int start = word(page, f.pageFirstSlot + 2 * r) & jet::kRowOffsetMask;
        if (rows > jet::datapage::kMaxRows || start > above || start < f.pageFirstSlot + 2 * rows)
            return false;
        above = start;
    }
    return true;
}

}  // namespace

// Each page an accepted change wrote: a page of rows that was sound stays so, and no row is added
// to one that was not; an index page reads back whole, its links naming pages of the file other
// than itself.
void expectWrittenPagesSound(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                             const std::string& label)
{
    const jet::JetFileFormat& f = formatOf(before);
    const auto size = static_cast<std::size_t>(f.pageSize);
    for (std::size_t at = 0; at + size <= after.size(); at += size) {
        const unsigned char* now = after.data() + at;
        const unsigned char* was = at + size <= before.size() ? before.data() + at : nullptr;
        if ((was != nullptr && std::equal(now, now + size, was)) || (now[0] != 0x01 && now[0] != 0x03 && now[0] != 0x04))
            continue;
        const std::string page = label + " : la page " + std::to_string(at / size);
        if (now[0] == 0x01 && (was == nullptr || (was[0] == 0x01 && rowsInOrder(was, f)))) {
            EXPECT_TRUE(rowsInOrder(now, f)) << page << " a perdu l'ordre de ses lignes";
        } else if (now[0] == 0x01 && was[0] == 0x01) {
            EXPECT_EQ(word(now, f.pageRowCount), word(was, f.pageRowCount)) << page << " déjà abîmée a reçu une ligne";
        } else if (now[0] != 0x01) {
            jet::JetIndexPageImage image;
            std::string error;
            if (!jet::readIndexPage(now, size, image, error, f)) {
                ADD_FAILURE() << page << " d'index écrite est illisible : " << error;
                continue;
            }
            for (std::uint32_t link : {image.previous, image.next, image.leaf ? 0u : image.tail})
                EXPECT_TRUE(link != at / size && link < after.size() / size) << page << " d'index écrite est liée à " << link;
        }
    }
}

bool changeInTransaction(const std::string& path, std::uint32_t definition, const std::string& table,
                         const WriterChange& change, const std::string& label)
{
    const std::vector<unsigned char> before = readBytes(path);
    std::string error;
    bool done = false;
    {
        auto store = jet::JetPageStore::open(path, error);
        if (store && store->begin(error)) {
            const std::uint32_t pages = store->pageCount();
            jet::JetTableWriter writer;
            done = jet::JetTableWriter::open(*store, definition, table, writer, error) && change(writer, error);
            if (!done) {
                EXPECT_TRUE(untouched(*store, pages)) << label << " : refusé après avoir changé des pages : " << error;
            }
            std::string commitError;
            EXPECT_TRUE(store->commit(commitError)) << label << " : " << commitError;
        }
    }
    if (done)
        expectWrittenPagesSound(before, readBytes(path), label);
    if (!done) {
        EXPECT_TRUE(frenchMessage(error)) << label << " : « " << error << " »";
        EXPECT_TRUE(readBytes(path) == before) << label << " : refusé mais le fichier a changé : " << error;
    }
    return done;
}

int fuzzRounds()
{
    const char* chosen = std::getenv("KERVANE_JET_WRITER_FUZZ");
    return chosen != nullptr && std::atoi(chosen) > 0 ? std::atoi(chosen) : 2;
}

bool copyTestFile(const std::string& relative, const std::string& path)
{
    const std::string source = testDataPath(relative);
    if (source.empty())
        return false;
    std::filesystem::remove(path);
    std::filesystem::copy_file(source, path);
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    return true;
}

void JetcheckSpread::judge(const std::string& folder, const std::vector<unsigned char>& damaged,
                           const std::string& path, bool accepted, int cases, const std::string& label)
{
    const int most = fuzzRounds() > 2 ? perRound * fuzzRounds() : fewest;
    if (!accepted || jetcheckPath().empty() || verified >= most || cases % every != first % every)
        return;
    ++verified;
    const std::string input = folder + "/avant.mdb";
    writeBytes(input, damaged);
    const Verdict before = verdictOf(input);
    const Verdict after = verdictOf(path);
    EXPECT_TRUE(noWorse(before, after)) << label << "\navant :\n" << before.text << "\naprès :\n" << after.text;
}

void DamageRun::run(const std::string& folder, const std::string& label, const std::vector<unsigned char>& bytes,
                    const Damager& damager, std::uint32_t seed, int rounds, const Trial& trial)
{
    const std::string path = folder + "/abime.mdb";
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < damager.kinds; ++k) {
            std::mt19937 random(seed * 7919 + static_cast<std::uint32_t>(round * 131 + k));
            std::vector<unsigned char> damaged = bytes;
            std::string what;
            if (!damager.apply(damaged, k, random, what))
                continue;
            writeBytes(path, damaged);
            const std::string name = label + " / " + damager.name(k) + " (graine " + std::to_string(seed) +
                                     ", tour " + std::to_string(round) + ") / " + what;
            const int done = trial(path, random, name);
            ++cases;
            accepted += done > 0;
            jetcheck.judge(folder, damaged, path, done > 0, cases, name);
            if (::testing::Test::HasFailure())
                return;
        }
    }
    std::cout << label << " : " << cases << " copies abîmées, " << accepted << " où un essai au moins a été accepté\n";
}

bool runStatements(const std::string& path, const std::vector<std::string>& statements, bool transaction,
                   std::string& error)
{
    Connection db = memoryConnection();
    std::vector<std::vector<std::string>> rows;
    jet::JetFile* file = nullptr;
    if (!jet::attachJetDatabase(db.get(), path, error, nullptr, &file))
        return false;
    jet::declareFileTables(db.get(), *file);
    if (transaction && !query(db.get(), "BEGIN", rows, error))
        return false;
    for (const std::string& sql : statements)
        if (!query(db.get(), sql, rows, error)) {
            // A table whose definition is unreadable stays undeclared: declaring it gives why.
            constexpr std::string_view kMissing = "no such table: ";
            if (error.starts_with(kMissing))
                if (const std::string why = declarationRefusal(db.get(), *file, error.substr(kMissing.size())); !why.empty())
                    error = why;
            std::string ignored;
            if (transaction)
                query(db.get(), "ROLLBACK", rows, ignored);
            return false;
        }
    return !transaction || query(db.get(), "COMMIT", rows, error);
}

Trial sqlTrial(std::vector<std::vector<std::string>> transactions, bool transaction)
{
    return [transactions = std::move(transactions), transaction](const std::string& path, std::mt19937&,
                                                                 const std::string& label) {
        int committed = 0;
        for (const auto& statements : transactions) {
            const std::vector<unsigned char> before = readBytes(path);
            const std::string what = label + " / " + statements.back().substr(0, 50);
            std::string error;
            const bool done = runStatements(path, statements, transaction, error);
            committed += done;
            if (done) {
                expectWrittenPagesSound(before, readBytes(path), what);
            } else {
                EXPECT_TRUE(frenchMessage(error)) << what << " : « " << error << " »";
                EXPECT_TRUE(readBytes(path) == before) << what << " : refusé mais le fichier a changé : " << error;
            }
        }
        return committed;
    };
}

}  // namespace kervane::test
