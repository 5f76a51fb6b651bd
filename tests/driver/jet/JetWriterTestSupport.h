#pragma once
// Copies of the genuine test files in a private folder, for the tests that change them, and
// the recognisable page contents those tests write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Declares `copy`, a WorkCopy of `relative`, or skips the test when the test data is absent.
#define REQUIRE_WORK_COPY(copy, relative)                                                          \
    const std::string copy##Source = kervane::test::testDataPath(relative);                       \
    if (copy##Source.empty())                                                                      \
        GTEST_SKIP() << relative << " absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test"; \
    const kervane::test::WorkCopy copy(copy##Source)

namespace kervane::test {

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

// The jetcheck wrapper beside jetgen, or empty when it or java is missing.
std::string jetcheckPath();
// Output of `jetcheck verify file` when it ran; the last line says "RESULT: OK" when the file checks.
std::string jetcheckVerify(const std::string& file);

}  // namespace kervane::test
