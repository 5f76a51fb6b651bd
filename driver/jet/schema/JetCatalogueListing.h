#pragma once
// The catalogue (MSysObjects) listed by the driver's own reading of its rows, every offset
// checked against its page and row, so that opening a file needs no child process to let
// libmdb walk it: the same tables and queries in the same order, and the design properties of
// each table read and checked exactly as libmdb would read them.
#include "driver/jet/file/JetCatalogueCheck.h"

#include <optional>

namespace kervane::jet {

class JetPages;

// The catalogue as readCatalogue() gives it; nothing when any part of it is not as Access
// writes it (a page, a row, a value, a chain of properties): the opening then leaves the
// walk to libmdb in the probe, which tells what is wrong.
std::optional<Catalogue> listCatalogue(JetPages& pages);

}  // namespace kervane::jet
