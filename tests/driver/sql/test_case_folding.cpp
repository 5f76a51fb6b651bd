// Unicode simple case folding: every code point folds as Qt's own Unicode tables fold it (an
// independent reading of the same CaseFolding.txt), and the mappings CaseFolding.txt singles out.
#include "driver/sql/CaseFolding.h"

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

TEST(CaseFolding, StatedMappings)
{
    struct Fold {
        char32_t from;
        char32_t to;
    };
    const Fold folds[] = {
        {U'A', U'a'}, {U'z', U'z'}, {U'É', U'é'}, {U'Ÿ', U'ÿ'}, {U'Œ', U'œ'},
        {U'Ω', U'ω'}, {U'Έ', U'έ'}, {U'ς', U'σ'},  // final sigma folds to sigma
        {U'Д', U'д'}, {U'Ё', U'ё'}, {U'Ѣ', U'ѣ'},  // Cyrillic, old letters included
        {U'Ա', U'ա'},                                // Armenian
        {0x10A0, 0x2D00},                            // Georgian Asomtavruli
        {0x13F8, 0x13F0}, {0xAB70, 0x13A0},          // Cherokee folds to its capitals
        {0x10400, 0x10428},                          // Deseret, beyond the BMP
        {0xFF21, 0xFF41},                            // fullwidth Latin
        {0x212A, U'k'}, {0x212B, U'å'}, {0x2126, U'ω'},  // Kelvin, Angstrom and Ohm signs
        {0x00B5, U'μ'}, {0x1E9E, U'ß'}, {0x017F, U's'},
        // Only the Turkic mappings change the dotted and dotless i: simple folding leaves them.
        {0x0130, 0x0130}, {0x0131, 0x0131},
        {U'日', U'日'}, {0x10FFFF, 0x10FFFF},
    };
    for (const Fold& fold : folds)
        EXPECT_EQ(std::uint32_t(foldCase(fold.from)), std::uint32_t(fold.to)) << std::hex << std::uint32_t(fold.from);
}

}  // namespace
}  // namespace kervane::sql
