#pragma once
// The genuine files shared with the tests (KERVANE_TEST_DATA): never written, only copied.
#include <string>

namespace kervane::test {

// The file `relative` of the test data folder, or empty when the folder or the file is absent.
std::string testDataPath(const std::string& relative);
// nwind.mdb of the test data folder, or empty.
std::string nwindPath();

}  // namespace kervane::test
