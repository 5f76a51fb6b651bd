#include "tests/support/DonneesTest.h"

#include <cstdlib>
#include <filesystem>

namespace kervane::test {

std::string testDataPath(const std::string& relative)
{
    const char* folder = std::getenv("KERVANE_TEST_DATA");
    if (folder == nullptr || *folder == '\0')
        return {};
    const std::string path = std::string(folder) + "/" + relative;
    return std::filesystem::exists(path) ? path : std::string();
}

std::string nwindPath()
{
    return testDataPath("nwind.mdb");
}

}  // namespace kervane::test
