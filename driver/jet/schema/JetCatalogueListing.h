#pragma once
// The catalogue (MSysObjects) listed by the driver's own reading of its rows, every offset
// checked against its page and row, so that opening a file needs no child process to let
// libmdb walk it: the same tables and queries in the same order, and the design properties of
// each table read and checked exactly as libmdb would read them.
#include "driver/jet/file/JetCatalogueCheck.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kervane::jet {

class JetPages;

// Visits each table and query of the catalogue in libmdb's order with its properties (a
// table's; empty for a query or a table without), read and checked; the visit returns false
// to stop. False when any part of it read so far is not as Access writes it (a page, a row, a
// value, a chain of properties).
using CatalogueListingVisit = std::function<bool(const CatalogueObject&, const std::vector<unsigned char>& properties)>;
bool walkListedCatalogue(JetPages& pages, const CatalogueListingVisit& visit);

// The catalogue as readCatalogue() gives it; nothing when walkListedCatalogue() cannot vouch
// for it: the opening then leaves the walk to libmdb in the probe, which tells what is wrong.
std::optional<Catalogue> listCatalogue(JetPages& pages);

// The design properties of the table whose definition starts on `definitionPage`, as
// tablePropertyBytes() reads them (empty when it has none); nothing when the walk to it cannot
// vouch for them.
std::optional<std::vector<unsigned char>> listedTableProperties(JetPages& pages, std::uint32_t definitionPage);

}  // namespace kervane::jet
