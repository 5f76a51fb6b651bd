// The writer's lock: one writer at a time on a file, in this process or another, a killed
// writer releasing the file, and Access's lock file stopping a writer only while held.
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

using test::readBytes;

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
