// Cutting a grid into pages: every cell on exactly one page, titles repeated, nothing taller
// or wider than the page unless a single row or column is.
#include "print/PagesGrille.h"

#include <gtest/gtest.h>

#include <map>

namespace kervane::test {
namespace {

DimensionsGrille grid(qint32 nColonnes, double dLargeur, qint32 nLignes, double dHauteur)
{
    DimensionsGrille d;
    d.dLargeurs.assign(static_cast<std::size_t>(nColonnes + 1), dLargeur);
    d.dHauteurs.assign(static_cast<std::size_t>(nLignes + 1), dHauteur);
    return d;
}

// How many pages hold each cell (column, row).
std::map<std::pair<qint32, qint32>, int> coverage(const std::vector<PageGrille>& pages)
{
    std::map<std::pair<qint32, qint32>, int> vus;
    for (const PageGrille& p : pages)
        for (qint32 c = p.nColonne1; c <= p.nColonne2; ++c)
            for (qint32 r = p.nLigne1; r <= p.nLigne2; ++r)
                ++vus[{c, r}];
    return vus;
}

TEST(PagesGrille, SplitsByRowsThenByColumnBands)
{
    // 10 columns of 100 and 50 rows of 20 on a 450 x 300 area, titles 100 wide and 20 high:
    // bands of 3 columns (100 + 3 x 100 <= 450), 14 rows a page (20 + 14 x 20 <= 300).
    const auto pages = decouperPages(grid(10, 100.0, 50, 20.0), 450.0, 300.0);
    ASSERT_EQ(pages.size(), 4u * 4u);
    EXPECT_EQ(pages[0], (PageGrille{1, 3, 1, 14}));
    EXPECT_EQ(pages[3], (PageGrille{1, 3, 43, 50}));  // down the rows first
    EXPECT_EQ(pages[4], (PageGrille{4, 6, 1, 14}));   // then the next band
    EXPECT_EQ(pages.back(), (PageGrille{10, 10, 43, 50}));
    const auto vus = coverage(pages);
    EXPECT_EQ(vus.size(), 500u);
    for (const auto& [cellule, n] : vus)
        EXPECT_EQ(n, 1) << cellule.first << "," << cellule.second;

    // Without titles, their room goes to the data.
    DimensionsGrille sansTitres = grid(10, 100.0, 50, 20.0);
    sansTitres.bTitresColonnes = false;
    sansTitres.bTitresLignes = false;
    EXPECT_EQ(decouperPages(sansTitres, 450.0, 300.0)[0], (PageGrille{1, 4, 1, 15}));
}

TEST(PagesGrille, OversizedAndEmptyGrids)
{
    // A column or a row larger than the page still gets a page of its own.
    DimensionsGrille d = grid(3, 100.0, 3, 20.0);
    d.dLargeurs[2] = 1000.0;
    d.dHauteurs[2] = 900.0;
    const auto pages = decouperPages(d, 450.0, 300.0);
    ASSERT_EQ(pages.size(), 3u * 3u);
    EXPECT_EQ(pages[0], (PageGrille{1, 1, 1, 1}));
    EXPECT_EQ(pages[1], (PageGrille{1, 1, 2, 2}));
    EXPECT_EQ(pages[3], (PageGrille{2, 2, 1, 1}));

    // No data at all: one page for the titles.
    const auto vide = decouperPages(grid(0, 100.0, 0, 20.0), 450.0, 300.0);
    ASSERT_EQ(vide.size(), 1u);
    EXPECT_GT(vide[0].nColonne1, vide[0].nColonne2);
    EXPECT_GT(vide[0].nLigne1, vide[0].nLigne2);
}

}  // namespace
}  // namespace kervane::test
