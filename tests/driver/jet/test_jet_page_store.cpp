// The journalled page store on copies of genuine Access files: page sizes from the header,
// the transaction's view of its pages, commits that leave exactly the pages written, rollbacks
// and refusals that leave the file as it was. The writer's lock: one writer at a time on a
// file, in this process or another, a killed writer releasing the file, and Access's lock file
// stopping a writer only while held.
#include "ChildProcess.h"
#include "JetTestSupport.h"
#include "JetWriterSupport.h"

#include "driver/jet/file/JetPageStore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

using test::fileExists;
using test::pattern;
using test::readBytes;

void overwrite(unsigned char* page, const std::vector<unsigned char>& bytes)
{
    std::memcpy(page, bytes.data(), bytes.size());
}

bool same(const unsigned char* page, const unsigned char* expected, std::size_t size = 4096)
{
    return page != nullptr && std::memcmp(page, expected, size) == 0;
}

// Jet 3 files have 2 KB pages, Jet 4 files 4 KB ones; the page count follows the length.
TEST(JetPageStore, TakesItsPageSizeFromTheHeader)
{
    REQUIRE_WORK_COPY(jet3, "jet/testV1997.mdb");
    REQUIRE_WORK_COPY(jet4, "jet/testV2000.mdb");
    std::string error;
    for (const auto& [copy, size] : {std::pair{&jet3, 2048u}, std::pair{&jet4, 4096u}}) {
        const auto store = JetPageStore::open(copy->path(), error);
        ASSERT_TRUE(store) << error;
        EXPECT_EQ(store->pageSize(), size);
        EXPECT_EQ(store->pageCount(), readBytes(copy->path()).size() / size);
    }
    test::writeBytes(jet3.path(), std::vector<unsigned char>(4096, 'x'));
    EXPECT_FALSE(JetPageStore::open(jet3.path(), error));
    EXPECT_EQ(error, "Le fichier « " + jet3.path() +
                         " » n'est pas une base Access lisible : ce n'est pas un fichier Jet 3 ou Jet 4.");
}

// Within a transaction a page reads as in the file, a change is seen by later reads through
// the same stable pointer, appended pages are zeros after the last page, and nothing reaches
// the file before commit: a rollback leaves it byte for byte.
TEST(JetPageStore, KeepsChangesInMemoryUntilCommit)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    const auto before = readBytes(copy.path());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    const std::uint32_t pages = store->pageCount();
    EXPECT_EQ(store->read(1), nullptr);
    EXPECT_EQ(store->lastError(), "Aucune transaction n'est ouverte sur le fichier « " + copy.path() + " ».");
    ASSERT_TRUE(store->begin(error)) << error;
    const unsigned char* read = store->read(3);
    ASSERT_NE(read, nullptr);
    EXPECT_TRUE(same(read, before.data() + 3 * 4096));
    unsigned char* changed = store->change(3);
    EXPECT_EQ(changed, read);
    overwrite(changed, pattern(4096, 3, 1));
    EXPECT_TRUE(same(store->read(3), pattern(4096, 3, 1).data()));
    const std::uint32_t added = store->append();
    EXPECT_EQ(added, pages);
    EXPECT_EQ(store->pageCount(), pages + 1);
    EXPECT_TRUE(same(store->read(added), std::vector<unsigned char>(4096, 0).data()));
    EXPECT_EQ(store->read(pages + 1), nullptr);
    EXPECT_EQ(store->change(pages + 1), nullptr);
    EXPECT_EQ(readBytes(copy.path()), before);
    store->rollback();
    EXPECT_EQ(readBytes(copy.path()), before);
    EXPECT_EQ(store->pageCount(), pages);
    EXPECT_FALSE(fileExists(copy.journal()));
}

// A commit leaves the file equal to the original with exactly the changed pages replaced and
// the appended pages added, and no journal behind it; a read page is not written.
TEST(JetPageStore, CommitWritesTheChangedAndAppendedPages)
{
    REQUIRE_WORK_COPY(copy, "jet/testV1997.mdb");
    auto expected = readBytes(copy.path());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    const std::uint32_t pages = store->pageCount();
    ASSERT_TRUE(store->begin(error)) << error;
    ASSERT_NE(store->read(1), nullptr);
    for (const std::uint32_t page : {2u, 5u, pages - 1}) {
        overwrite(store->change(page), pattern(2048, page, 1));
        test::putPage(expected, page, pattern(2048, page, 1));
    }
    for (std::uint32_t i = 0; i < 3; ++i) {
        const std::uint32_t page = store->append();
        overwrite(store->change(page), pattern(2048, page, 1));
        test::putPage(expected, page, pattern(2048, page, 1));
    }
    ASSERT_TRUE(store->commit(error)) << error;
    EXPECT_FALSE(store->inTransaction());
    EXPECT_EQ(readBytes(copy.path()), expected);
    EXPECT_EQ(store->pageCount(), pages + 3);
    EXPECT_FALSE(fileExists(copy.journal()));
    // The next transaction sees the committed pages.
    ASSERT_TRUE(store->begin(error)) << error;
    EXPECT_TRUE(same(store->read(pages + 2), pattern(2048, pages + 2, 1).data(), 2048));
    EXPECT_TRUE(store->commit(error)) << error;
    EXPECT_EQ(readBytes(copy.path()), expected);
}

// A change holding more pages than the memory allowed is refused in French before anything
// is written, and the file stays as it was.
TEST(JetPageStore, RefusesAChangeBeyondItsMemory)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    const auto before = readBytes(copy.path());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error, 4 * 4096);
    ASSERT_TRUE(store) << error;
    ASSERT_TRUE(store->begin(error)) << error;
    for (std::uint32_t page = 1; page <= 3; ++page)
        ASSERT_NE(store->change(page), nullptr) << store->lastError();
    ASSERT_NE(store->append(), 0u);
    EXPECT_EQ(store->change(10), nullptr);
    EXPECT_EQ(store->lastError(), "La modification du fichier « " + copy.path() +
                                      " » touche trop de pages pour être préparée en mémoire (plus de 16 Ko) ; "
                                      "elle n'a pas été faite.");
    EXPECT_EQ(store->append(), 0u);
    store->rollback();
    EXPECT_EQ(readBytes(copy.path()), before);
}

// A savepoint brings the transaction back to its moment: pages changed since read as before
// (the file's bytes, or the transaction's earlier change), pages appended since are gone; the
// reader's view (changedPage) follows, and the commit writes only what is left. Savepoints
// nest: rolling back to an inner one keeps what the outer one saw changed, releasing the inner
// one keeps its changes for the outer one to undo.
TEST(JetPageStore, ComesBackToASavepoint)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    const auto before = readBytes(copy.path());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    const std::uint32_t pages = store->pageCount();
    ASSERT_TRUE(store->begin(error)) << error;
    overwrite(store->change(3), pattern(4096, 3, 1));
    const std::uint32_t first = store->append();
    overwrite(store->change(first), pattern(4096, first, 1));
    EXPECT_EQ(store->changedPage(4), nullptr) << "a page only read is the file's";
    ASSERT_NE(store->read(4), nullptr);
    EXPECT_EQ(store->changedPage(4), nullptr);
    store->setSavepoint(0);
    overwrite(store->change(3), pattern(4096, 3, 2));
    overwrite(store->change(4), pattern(4096, 4, 2));
    store->setSavepoint(1);
    overwrite(store->change(4), pattern(4096, 4, 3));
    overwrite(store->change(5), pattern(4096, 5, 3));
    const std::uint32_t second = store->append();
    EXPECT_EQ(store->pageCount(), pages + 2);
    ASSERT_TRUE(store->rollbackToSavepoint(1, error)) << error;
    EXPECT_EQ(store->pageCount(), pages + 1);
    EXPECT_TRUE(same(store->changedPage(4), pattern(4096, 4, 2).data()));
    EXPECT_EQ(store->changedPage(5), nullptr);
    overwrite(store->change(5), pattern(4096, 5, 4));
    store->releaseSavepoint(1);
    ASSERT_TRUE(store->rollbackToSavepoint(0, error)) << error;
    EXPECT_EQ(store->pageCount(), pages + 1);
    EXPECT_EQ(store->read(second), nullptr);
    EXPECT_TRUE(same(store->changedPage(3), pattern(4096, 3, 1).data()));
    EXPECT_TRUE(same(store->changedPage(first), pattern(4096, first, 1).data()));
    EXPECT_EQ(store->changedPage(4), nullptr);
    EXPECT_EQ(store->changedPage(5), nullptr);
    EXPECT_TRUE(same(store->read(4), before.data() + 4 * 4096));
    EXPECT_TRUE(same(store->read(5), before.data() + 5 * 4096));
    ASSERT_TRUE(store->commit(error)) << error;
    auto expected = before;
    test::putPage(expected, 3, pattern(4096, 3, 1));
    test::putPage(expected, first, pattern(4096, first, 1));
    EXPECT_EQ(readBytes(copy.path()), expected);
}

std::string otherWriter(const std::string& path)
{
    return "Le fichier « " + path + " » est ouvert en écriture par un autre programme : une autre modification y est en cours.";
}

std::string accessHasIt(const test::WorkCopy& copy)
{
    return "Le fichier « " + copy.path() + " » est ouvert en écriture par un autre programme : son fichier de verrouillage « " +
           copy.accessLockFile() + " » est utilisé.";
}

// A byte-range lock such as Access takes on its lock file, past its end, held through its own
// open of the file (so it conflicts with the writer's open, in this process too).
class AccessLock {
public:
    explicit AccessLock(const std::string& lockFile) : m_fd(::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644)) {}
    ~AccessLock() { ::close(m_fd); }
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;
    bool hold()
    {
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x10000000;
        lock.l_len = 1;
        return ::fcntl(m_fd, F_OFD_SETLK, &lock) == 0;
    }

private:
    int m_fd;
};

// Two stores on one file in one process are two writers: the second is refused until the
// first transaction ends, by commit or rollback.
TEST(JetWriteLock, OneWriterAtATimeInOneProcess)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    std::string error;
    const auto first = JetPageStore::open(copy.path(), error);
    const auto second = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(first && second) << error;
    ASSERT_TRUE(first->begin(error)) << error;
    EXPECT_FALSE(second->begin(error));
    EXPECT_EQ(error, otherWriter(copy.path()));
    ASSERT_TRUE(first->commit(error)) << error;
    ASSERT_TRUE(second->begin(error)) << error;
    EXPECT_FALSE(first->begin(error));
    second->rollback();
    EXPECT_TRUE(first->begin(error)) << error;
}

// A writer in another process holds the file until it dies: a killed writer never blocks it.
TEST(JetWriteLock, AKilledWriterReleasesTheFile)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    test::Signal started;
    test::ChildProcess child([&] {
        std::string childError;
        const auto store = JetPageStore::open(copy.path(), childError);
        if (!store || !store->begin(childError))
            return false;
        started.give();
        ::pause();
        return true;
    });
    ASSERT_TRUE(started.await());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    EXPECT_FALSE(store->begin(error));
    EXPECT_EQ(error, otherWriter(copy.path()));
    child.kill();
    child.wait();
    EXPECT_TRUE(store->begin(error)) << error;
}

// Access's lock file left behind by a program that ended stops nobody; held, it stops a
// transaction from starting, and a commit prepared meanwhile is refused with the file unchanged.
TEST(JetWriteLock, AccessLockFileStopsTheWriterOnlyWhileHeld)
{
    REQUIRE_WORK_COPY(copy, "jet/testV2000.mdb");
    const auto before = readBytes(copy.path());
    std::string error;
    const auto store = JetPageStore::open(copy.path(), error);
    ASSERT_TRUE(store) << error;
    AccessLock access(copy.accessLockFile());
    ASSERT_TRUE(store->begin(error)) << "un fichier .ldb que personne ne verrouille : " << error;
    std::memset(store->change(4), 0x5a, store->pageSize());
    ASSERT_TRUE(access.hold());
    EXPECT_FALSE(store->commit(error));
    EXPECT_EQ(error, accessHasIt(copy));
    EXPECT_FALSE(store->inTransaction());
    EXPECT_EQ(readBytes(copy.path()), before);
    EXPECT_FALSE(test::fileExists(copy.journal()));
    EXPECT_FALSE(store->begin(error));
    EXPECT_EQ(error, accessHasIt(copy));
}

}  // namespace
}  // namespace kervane::jet
