// The frames of the block list, row by row, for blocks that nest, overlap, touch, run down
// many rows or leave the grid; the expected edges are drawn by hand from the rule that a
// frame sets the outer edges of its block's cells.
#include "export/BordsBlocs.h"

#include <gtest/gtest.h>

namespace kervane::test {
namespace {

constexpr quint8 G = BORD_GAUCHE, D = BORD_DROIT, H = BORD_HAUT, B = BORD_BAS;

// A grid of 4 columns x 6 rows, listed out of row order:
//   {4,6,4,6} the last cell alone, {1,1,1,6} column 1 from top to bottom, {2,1,4,2} a block
//   of two rows, {3,2,3,2} one cell inside it, {2,4,4,4} a row, {2,5,3,6} a square under it,
//   {3,6,5,7} reaching outside the grid (left out), {0,1,1,1} with no column 0 (left out).
const std::vector<BlocCellules> BLOCS{{4, 6, 4, 6}, {1, 1, 1, 6}, {2, 1, 4, 2}, {3, 2, 3, 2},
                                      {2, 4, 4, 4}, {2, 5, 3, 6}, {3, 6, 5, 7}, {0, 1, 1, 1}};

// Edges of columns 1..4 for rows 1..6, worked out by hand.
const std::vector<std::vector<quint8>> ATTENDUS{
    {0, H | G | D, H | G, H, H | D},
    {0, G | D, B | G, H | B | G | D, B | D},
    {0, G | D, 0, 0, 0},
    {0, G | D, H | B | G, H | B, H | B | D},
    {0, G | D, H | G, H | D, 0},
    {0, G | D | B, B | G, B | D, H | B | G | D},
};

TEST(BordsBlocs, BlocsImbriquesAccolesEtHorsGrille)
{
    BordsBlocs bords(BLOCS, 4, 6);
    for (qint32 r = 1; r <= 6; ++r)
        EXPECT_EQ(bords.ligne(r), ATTENDUS[static_cast<std::size_t>(r - 1)]) << "row " << r;
}

TEST(BordsBlocs, SansBlocChaqueCelluleEncadree)
{
    BordsBlocs chaque = BordsBlocs::chaqueCellule(3);
    for (qint32 r = 1; r <= 1000; r += 333)
        EXPECT_EQ(chaque.ligne(r), (std::vector<quint8>{0, BORDS_TOUS, BORDS_TOUS, BORDS_TOUS})) << "row " << r;

    // A list whose blocks all lie outside the grid frames nothing (it is not an empty list).
    const std::vector<BlocCellules> dehors{{1, 3, 1, 3}, {2, 1, 2, 1}};
    BordsBlocs aucun(dehors, 1, 2);
    EXPECT_EQ(aucun.ligne(1), (std::vector<quint8>{0, 0}));
    EXPECT_EQ(aucun.ligne(2), (std::vector<quint8>{0, 0}));
}

TEST(BordsBlocs, UnBlocDeToutesLesLignesSeulementSurSesBords)
{
    const std::vector<BlocCellules> grand{{1, 1, 3, 100000}};
    BordsBlocs bords(grand, 3, 100000);
    EXPECT_EQ(bords.ligne(1), (std::vector<quint8>{0, H | G, H, H | D}));
    for (qint32 r = 2; r < 100000; ++r) {  // every row asked for, in order
        if (const std::vector<quint8>& ligne = bords.ligne(r); r % 9999 == 0) {
            EXPECT_EQ(ligne, (std::vector<quint8>{0, G, 0, D})) << "row " << r;
        }
    }
    EXPECT_EQ(bords.ligne(100000), (std::vector<quint8>{0, B | G, B, B | D}));
}

}  // namespace
}  // namespace kervane::test
