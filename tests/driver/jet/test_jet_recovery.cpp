// Commits cut short: a child process commits a change of many pages of a copy of a genuine
// Jet 4 file and is killed at a chosen step or at a random moment; the next opening leaves the
// file byte for byte as before the commit or as after it. A journal whose writer still lives
// is left alone, and a torn one is removed without touching the file.
#include "ChildProcess.h"
#include "JetTestSupport.h"
#include "JetWriterTestSupport.h"

#include "driver/jet/JetPageStore.h"
#include "driver/jet/JetRecovery.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

using test::fileExists;
using test::readBytes;

constexpr const char* kFile = "jet/testV2000.mdb";
constexpr std::size_t kPageSize = 4096;
constexpr std::uint32_t kChanged = 48;  // pages overwritten, spread over the file
constexpr std::uint32_t kAppended = 8;
// Steps of such a commit: journal header, records, journal sync, pages, file sync, journal
// removal, folder sync.
constexpr int kSteps = int(1 + kChanged + 1 + kChanged + kAppended + 1 + 1 + 1);
constexpr int kFirstFileWrite = int(kChanged) + 2;
constexpr int kJournalRemoval = kSteps - 2;

std::vector<std::uint32_t> changedPages(std::size_t filePages)
{
    std::vector<std::uint32_t> pages;
    const std::size_t stride = (filePages - 1) / kChanged;
    for (std::uint32_t i = 0; i < kChanged; ++i)
        pages.push_back(std::uint32_t(1 + i * stride));
    return pages;
}

// The file as the commit of change number `change` leaves it.
std::vector<unsigned char> committed(std::vector<unsigned char> file, std::uint32_t change)
{
    const std::uint32_t filePages = std::uint32_t(file.size() / kPageSize);
    for (const std::uint32_t page : changedPages(filePages))
        test::putPage(file, page, test::pattern(kPageSize, page, change));
    for (std::uint32_t page = filePages; page < filePages + kAppended; ++page)
        test::putPage(file, page, test::pattern(kPageSize, page, change));
    return file;
}

// In the child: makes change number `change` and commits it, `step` seeing every step.
bool commitChange(const std::string& path, std::uint32_t change, const CommitStep& step)
{
    std::string error;
    const auto store = JetPageStore::open(path, error);
    if (!store || !store->begin(error))
        return false;
    for (const std::uint32_t page : changedPages(store->pageCount()))
        std::memcpy(store->change(page), test::pattern(kPageSize, page, change).data(), kPageSize);
    for (std::uint32_t i = 0; i < kAppended; ++i) {
        const std::uint32_t page = store->append();
        std::memcpy(store->change(page), test::pattern(kPageSize, page, change).data(), kPageSize);
    }
    store->setCommitStep(step);
    return store->commit(error);
}

CommitStep killAt(int stop)
{
    return [stop](int step) {
        if (step == stop)
            ::raise(SIGKILL);
    };
}

void crashAt(const std::string& path, int stop)
{
    test::ChildProcess child([&] { return commitChange(path, 1, killAt(stop)); });
    const int status = child.wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "l'enfant devait être tué à l'étape " << stop;
}

Recovery recover(const std::string& path)
{
    Recovery outcome = Recovery::Nothing;
    std::string error;
    EXPECT_TRUE(recoverInterruptedCommit(path, outcome, error)) << error;
    return outcome;
}

// Killed while the file was half written: the journal is rolled back, the file is the
// original byte for byte and an independent reader checks it whole.
TEST(JetRecovery, RollsBackACommitKilledWhileWritingTheFile)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto before = readBytes(copy.path());
    crashAt(copy.path(), kFirstFileWrite + int(kChanged) / 2);
    ASSERT_TRUE(fileExists(copy.journal()));
    ASSERT_NE(readBytes(copy.path()), before);
    EXPECT_EQ(recover(copy.path()), Recovery::RolledBack);
    EXPECT_EQ(readBytes(copy.path()), before);
    EXPECT_FALSE(fileExists(copy.journal()));
    EXPECT_EQ(recover(copy.path()), Recovery::Nothing);
    if (test::jetcheckPath().empty())
        GTEST_SKIP() << "jetcheck ou java absent : fichier rétabli non vérifié par un lecteur indépendant";
    const std::string report = test::jetcheckVerify(copy.path());
    EXPECT_NE(report.find("RESULT: OK"), std::string::npos) << report;
}

// The journal of a commit whose writer is alive is its commit under way: opening leaves it
// and the file alone, and a second writer is refused, until the writer dies.
TEST(JetRecovery, LeavesTheJournalOfALiveWriterAlone)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto before = readBytes(copy.path());
    test::Signal halfway;
    test::ChildProcess child([&] {
        return commitChange(copy.path(), 1, [&](int step) {
            if (step == kFirstFileWrite + int(kChanged) / 2) {
                halfway.give();
                ::pause();
            }
        });
    });
    ASSERT_TRUE(halfway.await());
    const auto during = readBytes(copy.path());
    struct stat journal {};
    ASSERT_EQ(::stat(copy.journal().c_str(), &journal), 0);
    EXPECT_EQ(journal.st_mode & 0777, 0600u) << "le journal, qui contient des pages de la base, en a les droits";
    EXPECT_EQ(recover(copy.path()), Recovery::LeftToWriter);
    EXPECT_TRUE(fileExists(copy.journal()));
    EXPECT_EQ(readBytes(copy.path()), during);
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    EXPECT_FALSE(store->begin(error));
    EXPECT_EQ(error, "Le fichier « " + copy.path() +
                         " » est ouvert en écriture par un autre programme : une autre modification y est en cours.");

    child.kill();
    child.wait();
    EXPECT_EQ(recover(copy.path()), Recovery::RolledBack);
    EXPECT_EQ(readBytes(copy.path()), before);
}

// A journal cut short (killed while writing it) or with a damaged record was never synced,
// so the file was not touched: the journal is removed and the file left exactly as it is.
TEST(JetRecovery, RemovesATornJournalWithoutTouchingTheFile)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto original = readBytes(copy.path());
    crashAt(copy.path(), 1 + int(kChanged) / 2);
    ASSERT_TRUE(fileExists(copy.journal()));
    // Page 1 is in the journal's first record: a rollback would put it back.
    auto marked = original;
    test::putPage(marked, 1, test::pattern(kPageSize, 1, 9));
    test::writeBytes(copy.path(), marked);
    EXPECT_EQ(recover(copy.path()), Recovery::TornRemoved);
    EXPECT_FALSE(fileExists(copy.journal()));
    EXPECT_EQ(readBytes(copy.path()), marked);

    crashAt(copy.path(), kFirstFileWrite);
    auto journal = readBytes(copy.journal());
    journal[journal.size() - 100] ^= 0x01;
    test::writeBytes(copy.journal(), journal);
    EXPECT_EQ(recover(copy.path()), Recovery::TornRemoved);
    EXPECT_FALSE(fileExists(copy.journal()));
    EXPECT_EQ(readBytes(copy.path()), marked);

    test::writeBytes(copy.journal(), std::vector<unsigned char>(10, 0));
    EXPECT_EQ(recover(copy.path()), Recovery::TornRemoved);
    EXPECT_FALSE(fileExists(copy.journal()));
}

int crashRuns()
{
    const char* chosen = std::getenv("KERVANE_CRASH_RUNS");
    return chosen != nullptr && std::atoi(chosen) > 0 ? std::atoi(chosen) : 50;
}

// Killed at a random step of the commit, or at a random moment: after recovery the file is
// exactly the one before or the one after, and no journal is left.
TEST(JetRecovery, AKilledCommitLeavesTheFileBeforeOrAfter)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto before = readBytes(copy.path());
    const unsigned seed = std::random_device()();
    SCOPED_TRACE("graine " + std::to_string(seed));
    std::mt19937 random(seed);
    int befores = 0;
    int afters = 0;
    for (int run = 0; run < crashRuns(); ++run) {
        test::writeBytes(copy.path(), before);
        const std::uint32_t change = std::uint32_t(run + 1);
        const auto after = committed(before, change);
        // Odd runs die at a step, even runs at a moment; every tenth step run reaches the end.
        const bool atStep = run % 2 == 1;
        const int stop = run % 20 == 1 ? kSteps : int(random() % unsigned(kSteps + 1));
        const unsigned delayMicroseconds = unsigned(random() % 20000);
        {
            test::ChildProcess child([&] { return commitChange(copy.path(), change, atStep ? killAt(stop) : CommitStep()); });
            if (!atStep) {
                ::usleep(delayMicroseconds);
                child.kill();
            }
            child.wait();
        }
        recover(copy.path());
        const auto now = readBytes(copy.path());
        ASSERT_TRUE(now == before || now == after)
            << "passage " << run << (atStep ? ", tué à l'étape " + std::to_string(stop)
                                            : ", tué après " + std::to_string(delayMicroseconds) + " µs");
        ASSERT_FALSE(fileExists(copy.journal()));
        (now == before ? befores : afters) += 1;
        if (atStep) {
            EXPECT_EQ(now == after, stop >= kJournalRemoval + 1) << "passage " << run << ", étape " << stop;
        }
    }
    RecordProperty("avant", befores);
    RecordProperty("apres", afters);
    EXPECT_GT(befores, 0);
    EXPECT_GT(afters, 0);
}

}  // namespace
}  // namespace kervane::jet
