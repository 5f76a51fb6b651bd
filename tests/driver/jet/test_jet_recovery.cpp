// Commits cut short: a child process commits a change of many pages of a copy of a genuine
// Jet 4 file and is killed at a chosen step or at a random moment; the next opening leaves the
// file byte for byte as before the commit or as after it. A journal is played only into the
// file and the state it was made for: put beside another base, a diverged copy or its own
// file after later commits, it is set aside and the file kept; damaged after its commit
// touched the file, the base is refused and nothing changed. A journal whose writer still
// lives is left alone; anything but a file at the journal's path is never followed.
#include "ChildProcess.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetJournal.h"
#include "driver/jet/file/JetPageStore.h"
#include "driver/jet/file/JetRecovery.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/resource.h>
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
// Steps of such a commit: journal header, records, journal sync, seal, seal sync, pages,
// file sync, journal removal, folder sync.
constexpr int kFirstFileWrite = int(1 + kChanged + kAppended + 3);
constexpr int kHalfWritten = kFirstFileWrite + int(kChanged) / 2;
constexpr int kFileSync = kFirstFileWrite + int(kChanged + kAppended);
constexpr int kSteps = kFileSync + 3;

std::vector<std::uint32_t> changedPages(std::size_t filePages)
{
    std::vector<std::uint32_t> pages;
    const std::size_t stride = (filePages - 1) / kChanged;
    for (std::uint32_t i = 0; i < kChanged; ++i)
        pages.push_back(std::uint32_t(1 + i * stride));
    return pages;
}

// What change number `change` writes: every `every`-th of the changed pages (none for 0) and
// `appended` pages added.
struct Change {
    std::uint32_t change = 1;
    std::size_t every = 1;
    std::uint32_t appended = kAppended;
};

// The file as `change` leaves it.
std::vector<unsigned char> committed(std::vector<unsigned char> file, const Change& change)
{
    const std::uint32_t filePages = std::uint32_t(file.size() / kPageSize);
    const auto pages = changedPages(filePages);
    for (std::size_t i = 0; change.every != 0 && i < pages.size(); i += change.every)
        test::putPage(file, pages[i], test::pattern(kPageSize, pages[i], change.change));
    for (std::uint32_t page = filePages; page < filePages + change.appended; ++page)
        test::putPage(file, page, test::pattern(kPageSize, page, change.change));
    return file;
}

// Makes `change` and commits it, `step` seeing every step; false with the store's message.
bool commitChange(const std::string& path, const Change& change, const CommitStep& step, std::string& error)
{
    const auto store = JetPageStore::open(path, error);
    if (!store || !store->begin(error))
        return false;
    const auto pages = changedPages(store->pageCount());
    for (std::size_t i = 0; change.every != 0 && i < pages.size(); i += change.every)
        std::memcpy(store->change(pages[i]), test::pattern(kPageSize, pages[i], change.change).data(), kPageSize);
    for (std::uint32_t i = 0; i < change.appended; ++i) {
        const std::uint32_t page = store->append();
        std::memcpy(store->change(page), test::pattern(kPageSize, page, change.change).data(), kPageSize);
    }
    store->setCommitStep(step);
    return store->commit(error);
}

bool commitChange(const std::string& path, const Change& change, const CommitStep& step = {})
{
    std::string error;
    return commitChange(path, change, step, error);
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
    test::ChildProcess child([&] { return commitChange(path, Change{}, killAt(stop)); });
    const int status = child.wait();
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "l'enfant devait être tué à l'étape " << stop;
}

Recovery recover(const std::string& path, std::string& message)
{
    Recovery outcome = Recovery::Nothing;
    message.clear();
    EXPECT_TRUE(recoverInterruptedCommit(path, outcome, message)) << message;
    return outcome;
}

Recovery recover(const std::string& path)
{
    std::string message;
    return recover(path, message);
}

// The journal of a commit killed half-way through writing the file, the file left as it is.
std::vector<unsigned char> halfWrittenJournal(const std::string& path)
{
    crashAt(path, kHalfWritten);
    return readBytes(journalPath(path));
}

std::string setAsideNotice(const std::string& path, const std::string& aside, bool foreign)
{
    return "Le journal « " + journalPath(path) + " » trouvé à côté du fichier « " + path +
           (foreign ? " » n'a pas été écrit pour cette base (il vient d'une autre base, ou n'est pas un journal) : "
                    : " » ne correspond pas à l'état actuel de la base (il est plus ancien qu'elle, ou vient d'une "
                      "copie) : ") +
           "il n'a pas été appliqué et a été mis de côté sous le nom « " + aside + " ». La base n'a pas été modifiée. " +
           (foreign ? "Vous pouvez supprimer « " + aside + " » si vous n'en avez pas l'usage."
                    : "Vérifiez qu'elle contient bien vos dernières modifications ; vous pourrez ensuite supprimer « " +
                          aside + " ».");
}

// Killed while the file was half written: the journal is rolled back, the file is the
// original byte for byte and an independent reader checks it whole. Killed once every page
// was written, the commit is kept whole.
TEST(JetRecovery, RollsBackAHalfWrittenCommitAndKeepsAWholeOne)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto before = readBytes(copy.path());
    crashAt(copy.path(), kFileSync + 1);
    EXPECT_EQ(recover(copy.path()), Recovery::Removed);
    EXPECT_EQ(readBytes(copy.path()), committed(before, Change{}));
    test::writeBytes(copy.path(), before);
    crashAt(copy.path(), kHalfWritten);
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

// A's crash journal beside another base, and beside a copy of A that had a commit of its own:
// neither file is touched, the journal is set aside under a name that says why (numbered when
// taken), and the notice says so.
TEST(JetRecovery, SetsAsideTheJournalOfAnotherBaseOrCopy)
{
    REQUIRE_WORK_COPY(a, kFile);
    REQUIRE_WORK_COPY(other, "jet/test2V2000.mdb");
    REQUIRE_WORK_COPY(copy, kFile);
    const auto journal = halfWrittenJournal(a.path());
    ASSERT_TRUE(commitChange(copy.path(), Change{2, 3, 1}));
    for (const test::WorkCopy* base : {&other, &other, &copy}) {
        const auto before = readBytes(base->path());
        test::writeBytes(base->journal(), journal);
        const bool foreign = base == &other;
        const std::string aside = base->journal() + (foreign ? ".etranger" : ".perime") +
                                  (fileExists(base->journal() + ".etranger") ? "-2" : "");
        std::string notice;
        EXPECT_EQ(recover(base->path(), notice), Recovery::SetAside);
        EXPECT_EQ(notice, setAsideNotice(base->path(), aside, foreign));
        EXPECT_EQ(readBytes(base->path()), before);
        EXPECT_FALSE(fileExists(base->journal()));
        EXPECT_EQ(readBytes(aside), journal);
    }
}

// A's crash journal saved, A recovered, then changed by later commits (pages appended only,
// then pages the journal covers): the journal put back each time is older than the file, and
// both commits stay byte for byte.
TEST(JetRecovery, SetsAsideAJournalOlderThanTheFile)
{
    REQUIRE_WORK_COPY(a, kFile);
    const auto journal = halfWrittenJournal(a.path());
    ASSERT_EQ(recover(a.path()), Recovery::RolledBack);
    for (const Change& later : {Change{2, 0, 1}, Change{3, 7, 0}}) {
        ASSERT_TRUE(commitChange(a.path(), later));
        const auto after = readBytes(a.path());
        test::writeBytes(a.journal(), journal);
        std::string notice;
        EXPECT_EQ(recover(a.path(), notice), Recovery::SetAside) << "modification " << later.change;
        EXPECT_NE(notice.find(" » ne correspond pas à l'état actuel de la base"), std::string::npos) << notice;
        EXPECT_EQ(readBytes(a.path()), after) << "modification " << later.change;
    }
    EXPECT_TRUE(fileExists(a.journal() + ".perime-2"));
}

// A sealed journal of a half-written commit, cut short or with one byte changed in a record or
// in its header: the base is refused, every time, and neither it nor the journal is changed.
// A journal cut before the commit touched the file, or before its header, is removed.
TEST(JetRecovery, RefusesABaseWhoseJournalWasDamagedAfterTouchingIt)
{
    REQUIRE_WORK_COPY(a, kFile);
    const auto journal = halfWrittenJournal(a.path());
    const auto half = readBytes(a.path());
    const std::string refusal =
        "La dernière modification du fichier « " + a.path() + " » a été interrompue et son journal « " + a.journal() +
        " » est endommagé : la base peut contenir cette modification à moitié écrite, qui ne peut pas être annulée. "
        "La base n'a pas été ouverte ; ni elle ni son journal n'ont été modifiés. Restaurez une sauvegarde de la base ; "
        "ou bien, en sachant qu'elle peut être incohérente, déplacez le journal ailleurs pour l'ouvrir telle qu'elle est.";
    for (const std::size_t damage : {std::size_t(0), 64 + 8 + kPageSize / 2, std::size_t(20)}) {
        auto damaged = journal;
        if (damage == 0)
            damaged.resize(damaged.size() - 100);
        else
            damaged[damage] ^= 0x01;
        test::writeBytes(a.journal(), damaged);
        for (int attempt = 0; attempt < 2; ++attempt) {
            Recovery outcome = Recovery::Nothing;
            std::string message;
            EXPECT_FALSE(recoverInterruptedCommit(a.path(), outcome, message)) << "dommage " << damage;
            EXPECT_EQ(message, refusal);
            std::string error;
            EXPECT_FALSE(commitChange(a.path(), Change{}, {}, error));
            EXPECT_EQ(error, refusal);
        }
        EXPECT_EQ(readBytes(a.path()), half) << "dommage " << damage;
        EXPECT_EQ(readBytes(a.journal()), damaged) << "dommage " << damage;
    }

    REQUIRE_WORK_COPY(b, kFile);
    const auto original = readBytes(b.path());
    crashAt(b.path(), 1 + int(kChanged) / 2);
    EXPECT_EQ(recover(b.path()), Recovery::Removed);
    test::writeBytes(b.journal(), std::vector<unsigned char>(10, 'x'));
    EXPECT_EQ(recover(b.path()), Recovery::Removed);
    EXPECT_FALSE(fileExists(b.journal()));
    EXPECT_EQ(readBytes(b.path()), original);
}

// A journal of the first format knows only the original pages: removed when the file still
// has them all; otherwise the base is refused, neither changed.
TEST(JetRecovery, AFirstFormatJournalIsRemovedOnlyFromAnUntouchedFile)
{
    REQUIRE_WORK_COPY(a, kFile);
    auto file = readBytes(a.path());
    // Header: magic, version 1, page size, page count, one record, salt, CRC-32; the record:
    // page number 1, CRC-32 of (salt, page number, page), page 1's bytes.
    std::vector<unsigned char> journal(32 + 8 + kPageSize);
    const std::uint32_t fields[] = {1, kPageSize, std::uint32_t(file.size() / kPageSize), 1, 0x1234};
    std::memcpy(journal.data(), "KVJetJnl", 8);
    std::memcpy(journal.data() + 8, fields, sizeof fields);
    const std::uint32_t headSum = crc32(0, journal.data(), 28);
    const std::uint32_t prefix[] = {0x1234, 1};
    std::memcpy(journal.data() + 28, &headSum, 4);
    std::memcpy(journal.data() + 32, &prefix[1], 4);
    std::memcpy(journal.data() + 40, file.data() + kPageSize, kPageSize);
    const std::uint32_t sum =
        crc32(crc32(0, reinterpret_cast<const unsigned char*>(prefix), 8), file.data() + kPageSize, kPageSize);
    std::memcpy(journal.data() + 36, &sum, 4);
    test::writeBytes(a.journal(), journal);
    EXPECT_EQ(recover(a.path()), Recovery::Removed);

    test::putPage(file, 1, test::pattern(kPageSize, 1, 5));
    test::writeBytes(a.path(), file);
    test::writeBytes(a.journal(), journal);
    Recovery outcome = Recovery::Nothing;
    std::string message;
    EXPECT_FALSE(recoverInterruptedCommit(a.path(), outcome, message));
    EXPECT_NE(message.find("laissé par une version précédente de Kervane"), std::string::npos) << message;
    EXPECT_EQ(readBytes(a.path()), file);
    EXPECT_EQ(readBytes(a.journal()), journal);
}

// A symbolic link at the journal's path, dangling or to a folder, is never followed: the file
// is read, and a writer refuses, naming the path and saying what to do.
TEST(JetRecovery, SomethingElseAtTheJournalPathIsLeftAlone)
{
    REQUIRE_WORK_COPY(a, kFile);
    const auto before = readBytes(a.path());
    std::filesystem::create_directory(a.folder() + "/dossier");
    for (const char* target : {"absent", "dossier"}) {
        std::filesystem::remove(a.journal());
        std::filesystem::create_symlink(a.folder() + "/" + target, a.journal());
        EXPECT_EQ(recover(a.path()), Recovery::NotAJournal) << target;
        std::string error;
        EXPECT_FALSE(commitChange(a.path(), Change{}, {}, error));
        EXPECT_EQ(error, "« " + a.journal() + " », à l'emplacement du journal du fichier « " + a.path() +
                             " », est un lien symbolique et non un journal : aucune modification de la base ne peut "
                             "être enregistrée tant qu'il est là. Supprimez-le ou déplacez-le, puis recommencez.");
        EXPECT_TRUE(std::filesystem::is_symlink(a.journal()));
    }
    EXPECT_EQ(readBytes(a.path()), before);
}

// A file-size limit (SIGXFSZ ignored, as Python does) stops the journal or the file's growth:
// the message names the file that could not grow, in French, and the base is unchanged.
TEST(JetRecovery, AFileSizeLimitIsToldInFrenchNamingTheFile)
{
    REQUIRE_WORK_COPY(a, kFile);
    const auto before = readBytes(a.path());
    const std::string said = a.folder() + "/message";
    const std::string reason = " : la taille maximale permise pour un fichier est atteinte. ";
    for (const rlim_t limit : {rlim_t(before.size()), rlim_t(20000)}) {
        test::ChildProcess child([&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limits{limit, limit};
            std::string error;
            const bool refused = ::setrlimit(RLIMIT_FSIZE, &limits) == 0 && !commitChange(a.path(), Change{}, {}, error);
            std::ofstream(said) << error;
            return refused;
        });
        ASSERT_EQ(child.wait(), 0);
        std::ifstream text(said);
        const std::string message{std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>()};
        EXPECT_EQ(message, limit == before.size()
                               ? "Le fichier « " + a.path() + " » n'a pas pu être modifié" + reason + "Il est resté inchangé."
                               : "Le journal « " + a.journal() + " » de la modification du fichier « " + a.path() +
                                     " » n'a pas pu être écrit" + reason + "Le fichier est resté inchangé.");
        EXPECT_EQ(readBytes(a.path()), before);
        EXPECT_FALSE(fileExists(a.journal()));
    }
}

// The journal of a commit whose writer is alive is its commit under way: opening leaves it
// and the file alone, and a second writer is refused, until the writer dies.
TEST(JetRecovery, LeavesTheJournalOfALiveWriterAlone)
{
    REQUIRE_WORK_COPY(copy, kFile);
    const auto before = readBytes(copy.path());
    test::Signal halfway;
    test::ChildProcess child([&] {
        return commitChange(copy.path(), Change{}, [&](int step) {
            if (step == kHalfWritten) {
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

int crashRuns()
{
    const char* chosen = std::getenv("KERVANE_CRASH_RUNS");
    return chosen != nullptr && std::atoi(chosen) > 0 ? std::atoi(chosen) : 50;
}

// Killed at a random step of the commit, or at a random moment: after recovery the file is
// exactly the one before or the one after, and no journal is left. Killed once every page is
// written, the commit stays whole.
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
        const Change change{std::uint32_t(run + 1)};
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
            EXPECT_EQ(now == after, stop >= kFileSync) << "passage " << run << ", étape " << stop;
        }
    }
    RecordProperty("avant", befores);
    RecordProperty("apres", afters);
    EXPECT_GT(befores, 0);
    EXPECT_GT(afters, 0);
}

}  // namespace
}  // namespace kervane::jet
