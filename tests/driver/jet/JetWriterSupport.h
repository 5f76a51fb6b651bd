#pragma once
// For the tests that change files: private copies of the genuine test files, pages of a file
// held in memory and written back whole, the files Jackcess and jetgen make, and the independent
// readers (jetcheck, mdb-export).
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetTableLayout.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <optional>
#include <string>
#include <vector>

// Declares `copy`, a WorkCopy of `relative`, or skips the test when the test data is absent.
#define REQUIRE_WORK_COPY(copy, relative)                                                          \
    const std::string copy##Source = kervane::test::testDataPath(relative);                       \
    if (copy##Source.empty())                                                                      \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test"; \
    const kervane::test::WorkCopy copy(copy##Source)
#define REQUIRE_JETCHECK()                                                                         \
    if (kervane::test::jetcheckPath().empty())                                                     \
    GTEST_SKIP() << "jetcheck ou Java absent"
#define REQUIRE_MDB_EXPORT()                                                                       \
    if (!kervane::test::haveProgram("mdb-export"))                                                 \
    GTEST_SKIP() << "mdb-export absent (paquet mdbtools)"

namespace kervane::test {

class MemoryPages : public jet::JetPages {
public:
    // Pages of 4 KB (Jet 4) unless told: 2 KB for Jet 3.
    explicit MemoryPages(std::vector<unsigned char> file, std::size_t pageSize = 4096)
        : m_bytes(std::move(file)), m_pageSize(pageSize)
    {
    }

    std::size_t pageSize() const override { return m_pageSize; }
    std::uint32_t pageCount() const override { return static_cast<std::uint32_t>(m_bytes.size() / m_pageSize); }
    const unsigned char* read(std::uint32_t page) override;
    unsigned char* change(std::uint32_t page) override;
    std::uint32_t append() override;

    const std::vector<unsigned char>& bytes() const { return m_bytes; }
    // From now on append() refuses, as a page store whose memory is full does (it answers 0).
    void refuseAppends() { m_refuseAppends = true; }
    // Pages change() or append() handed out.
    const std::set<std::uint32_t>& changed() const { return m_changed; }

private:
    std::vector<unsigned char> m_bytes;
    std::size_t m_pageSize;
    std::set<std::uint32_t> m_changed;
    bool m_refuseAppends = false;
};

// The folder of jetcheck, jetgen and the Jackcess jar; empty when absent.
std::string jetToolsFolder();
// jetgen, or empty when it or java is missing.
std::string jetgenProgram();
// Runs a Java fixture of the fixtures folder (its source file name) with Jackcess on the class
// path and `argument`; its output, or nullopt with why when Java or the jars are missing or it fails.
std::optional<std::string> runJackcessFixture(const std::string& fixture, const std::string& argument,
                                              std::string& why);
// Writes the file a Java fixture makes at path; false with why as above.
bool makeJackcessFile(const std::string& fixture, const std::string& path, std::string& why);
// Writes nwind grown by jetgen to `copies` copies of its rows into an Access 2000 file at path;
// false when nwind, jetgen or Java is missing.
bool growNwind(const std::string& path, int copies);
// A test on a fresh copy of the file of index-free tables NoIndexTables.java makes ("Mesures",
// every type; "Témoin"), "mesures.mdb" in a folder of its own; skipped when it cannot be made.
// A derived SetUp calls this one first and returns when it skipped or failed.
class NoIndexFileTest : public ::testing::Test {
protected:
    void SetUp() override;

    QTemporaryDir m_folder;
    std::string m_path;
};

// Runs program with arguments; its standard output, and its exit status in status.
std::string runTool(const std::string& program, const std::vector<std::string>& arguments, int& status);
bool haveProgram(const std::string& name);
std::vector<std::string> lines(const std::string& text);

// The bytes of a number as a row stores it (little-endian, as this machine lays it).
template <typename T>
std::vector<unsigned char> stored(T value)
{
    std::vector<unsigned char> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// Days since 1899-12-30, the hours as a fraction: how Access stores a date.
double accessDate(int y, unsigned m, unsigned d, int hh, int mm, int ss);

// A private folder removed at the end, holding a copy of one file, named "base.mdb".
class WorkCopy {
public:
    explicit WorkCopy(const std::string& source);
    ~WorkCopy();
    WorkCopy(const WorkCopy&) = delete;
    WorkCopy& operator=(const WorkCopy&) = delete;

    const std::string& folder() const { return m_folder; }
    const std::string& path() const { return m_path; }
    std::string journal() const { return m_path + ".kvj"; }
    std::string accessLockFile() const { return m_folder + "/base.ldb"; }

private:
    std::string m_folder;
    std::string m_path;
};

// A page of `size` bytes that says which page it is and which change wrote it.
std::vector<unsigned char> pattern(std::size_t size, std::uint32_t page, std::uint32_t change);
// `original` with page `page` replaced by `bytes` (or appended when page is past its end).
void putPage(std::vector<unsigned char>& file, std::uint32_t page, const std::vector<unsigned char>& bytes);
bool fileExists(const std::string& path);
// The definition page of `table` in the file at path, as the reader finds it; 0 when absent.
std::uint32_t tableDefinitionPage(const std::string& path, const std::string& table);
// The layout of `table` of the file at path, read from `pages` (test failures when it cannot be).
jet::JetTableLayout layoutOf(jet::JetPages& pages, const std::string& path, const std::string& table);

// The jetcheck wrapper beside jetgen, or empty when it or java is missing.
std::string jetcheckPath();
// The lines `jetcheck arguments` printed, and its exit status.
std::vector<std::string> jetcheck(const std::vector<std::string>& arguments, int& status);
// Output of `jetcheck verify file` when it ran; the last line says "RESULT: OK" when the file checks.
std::string jetcheckVerify(const std::string& file);

}  // namespace kervane::test
