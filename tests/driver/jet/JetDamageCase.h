#pragma once
// One damaged copy put through the row writer: changes made each in a transaction of its own on
// the file (JetPageStore), every refusal checked to leave the file byte for byte as it was and
// to say why in French, and jetcheck's verdict on what was accepted compared with the one on
// the damaged copy.
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/rows/JetRowEncoding.h"

#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace kervane::jet {
class JetTableWriter;
}

namespace kervane::test {

// A value every column of this kind accepts: texts short or, when `fullTexts`, as long as the
// column allows; memo and OLE values of `longBytes` bytes (a short one when 0); AutoNumbers
// left to the counter.
jet::JetFieldValue sampleValue(const jet::JetLayoutColumn& column, std::size_t longBytes, bool fullTexts);
std::vector<jet::JetFieldValue> sampleRow(const jet::JetTableLayout& layout, std::size_t longBytes,
                                          bool fullTexts = false);

// True when `message` reads as one of the driver's French sentences (after the SQLSTATE the
// driver puts before a message SQLite passes on).
bool frenchMessage(const std::string& message);

// jetcheck verify's verdict on a file: whether it opened, passed, how many checks failed and
// what they found (each failure's line, its numbers left out).
struct Verdict {
    bool opened = false;
    bool ok = false;
    int failures = 0;
    std::set<std::string> kinds;
    std::string text;
};
Verdict verdictOf(const std::string& path);
// True when `after` is no worse than `before`: it passes, or fails no more checks than
// `before` and finds nothing `before` did not.
bool noWorse(const Verdict& before, const Verdict& after);

// jetcheck takes a while: a spread of the damaged copies a change was accepted in is judged by
// it, the cases numbered `first` modulo `every`, at most `fewest` of them (`perRound` a round
// when more rounds than 2 are asked).
struct JetcheckSpread {
    int fewest = 4;
    int perRound = 2;
    int every = 1;
    int first = 1;
    int verified = 0;

    // Judges case number `cases`: the file at `path` no worse than `damaged`, written beside it
    // in `folder` for jetcheck to read.
    void judge(const std::string& folder, const std::vector<unsigned char>& damaged, const std::string& path,
               bool accepted, int cases, const std::string& label);
};

// Checks, as test failures naming `label`, what an accepted change wrote: the pages of rows that
// were sound stay so and take no row where they were not; the index pages read back whole, their
// links naming pages of the file other than themselves.
void expectWrittenPagesSound(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                             const std::string& label);

// A change made through the writer of one table; false with its French message.
using WriterChange = std::function<bool(jet::JetTableWriter&, std::string&)>;

// Makes `change` in a transaction of its own on the file at path, then commits. Returns whether
// the writer accepted it. A refusal (of the store, the writer's opening or the change) must
// leave every page of the transaction untouched and the file byte-identical, with a French
// message; failures of those expectations are reported as test failures naming `label`.
bool changeInTransaction(const std::string& path, std::uint32_t definition, const std::string& table,
                         const WriterChange& change, const std::string& label);

// The seeds of every damage a fuzz test runs: KERVANE_JET_WRITER_FUZZ when set, 2 otherwise.
int fuzzRounds();

// The kinds of one family of seeded damage: how many, their names, and the damage of kind k
// (false when the file has nothing of that kind; it is then unchanged).
struct Damager {
    int kinds = 0;
    std::function<const char*(int)> name;
    std::function<bool(std::vector<unsigned char>&, int, std::mt19937&, std::string&)> apply;
};
// What is tried on one damaged copy at path (each refusal checked as it goes); how many changes
// were accepted.
using Trial = std::function<int(const std::string& path, std::mt19937& random, const std::string& label)>;

// The loop every damage test shares: each kind of damage, `rounds` seeds of it (seed * 7919 +
// round * 131 + kind), done to `bytes` written at folder/abime.mdb, then the trial; jetcheck
// judges a spread of the copies changed. Stops at the first case that failed.
struct DamageRun {
    int cases = 0;
    int accepted = 0;
    JetcheckSpread jetcheck;

    void run(const std::string& folder, const std::string& label, const std::vector<unsigned char>& bytes,
             const Damager& damager, std::uint32_t seed, int rounds, const Trial& trial);
};

// Runs the statements on a connection of its own (between BEGIN and COMMIT when `transaction`);
// false with the first refusal's message, the transaction then rolled back.
bool runStatements(const std::string& path, const std::vector<std::string>& statements, bool transaction,
                   std::string& error);
// A trial of SQL: each list of statements run so, a refusal leaving the file byte-identical with
// a French message, a commit writing sound pages.
Trial sqlTrial(std::vector<std::vector<std::string>> transactions, bool transaction);

// Copies the shared test file `relative` to `path`, writable; false when the test data is absent.
bool copyTestFile(const std::string& relative, const std::string& path);

}  // namespace kervane::test
