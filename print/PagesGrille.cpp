#include "print/PagesGrille.h"

#include <utility>

namespace kervane {
namespace {

using Span = std::pair<qint32, qint32>;

// Consecutive spans of sizes[1..] each fitting dPlace (at least one item a span).
std::vector<Span> cutSpans(const std::vector<double>& sizes, double dPlace)
{
    std::vector<Span> spans;
    const auto nLast = static_cast<qint32>(sizes.size()) - 1;
    qint32 nFirst = 1;
    while (nFirst <= nLast) {
        double dUsed = sizes[static_cast<std::size_t>(nFirst)];
        qint32 nEnd = nFirst;
        while (nEnd < nLast && dUsed + sizes[static_cast<std::size_t>(nEnd + 1)] <= dPlace) {
            ++nEnd;
            dUsed += sizes[static_cast<std::size_t>(nEnd)];
        }
        spans.emplace_back(nFirst, nEnd);
        nFirst = nEnd + 1;
    }
    if (spans.empty())
        spans.emplace_back(1, 0);
    return spans;
}

double firstSize(const std::vector<double>& sizes, bool bPrinted)
{
    return bPrinted && !sizes.empty() ? sizes.front() : 0.0;
}

}  // namespace

std::vector<PageGrille> decouperPages(const DimensionsGrille& dimensions, double dLargeur, double dHauteur)
{
    const auto bandes = cutSpans(dimensions.dLargeurs,
                                 dLargeur - firstSize(dimensions.dLargeurs, dimensions.bTitresLignes));
    const auto tranches = cutSpans(dimensions.dHauteurs,
                                   dHauteur - firstSize(dimensions.dHauteurs, dimensions.bTitresColonnes));
    std::vector<PageGrille> pages;
    pages.reserve(bandes.size() * tranches.size());
    for (const Span& bande : bandes)
        for (const Span& tranche : tranches)
            pages.push_back({bande.first, bande.second, tranche.first, tranche.second});
    return pages;
}

}  // namespace kervane
