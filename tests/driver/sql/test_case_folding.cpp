// Unicode simple case folding: every code point folds as Qt's own Unicode tables fold it (an
// independent reading of the same CaseFolding.txt).
#include "driver/semantics/CaseFolding.h"

#include <gtest/gtest.h>

#include <QChar>

namespace kervane::sql {
namespace {

TEST(CaseFolding, AgreesWithQtForEveryCodePoint)
{
    int differences = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        const char32_t expected = QChar::toCaseFolded(c);
        if (foldCase(c) != expected && ++differences <= 20)
            ADD_FAILURE() << std::hex << "U+" << std::uint32_t(c) << " folds to U+" << std::uint32_t(foldCase(c))
                          << ", Qt gives U+" << std::uint32_t(expected);
    }
    EXPECT_EQ(differences, 0);
}

}  // namespace
}  // namespace kervane::sql
