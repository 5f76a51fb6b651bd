#pragma once
// The data rows of a sheet reordered in one of its row-major cell arrays (texts' offsets and
// lengths, flags, colours), the titles of row 0 and column 0 left in place.
#include <QtGlobal>

#include <cstddef>
#include <type_traits>
#include <utility>
#include <vector>

namespace kervane::spread {

// Puts data row order[i - 1] at row i, for the data columns 1..nCols only; `cells` is any
// array indexed by cell (a vector, a block of offsets) holding every cell of those rows.
template <typename Cells>
void permuteRows(Cells& cells, const std::vector<qint32>& order, qint32 nCols)
{
    using Cell = std::remove_cvref_t<decltype(cells[0])>;
    const std::size_t nStride = static_cast<std::size_t>(nCols) + 1;
    std::vector<Cell> moved(order.size() * nStride);
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t c = 1; c < nStride; ++c)
            moved[i * nStride + c] = std::move(cells[static_cast<std::size_t>(order[i]) * nStride + c]);
    for (std::size_t i = 0; i < order.size(); ++i)
        for (std::size_t c = 1; c < nStride; ++c)
            cells[(i + 1) * nStride + c] = std::move(moved[i * nStride + c]);
}

}  // namespace kervane::spread
