#pragma once
// What the opening probe read of a file, byte for byte: the header page, the definition of
// MSysObjects, its usage map, the pages the map marks and those holding the tables' design
// properties the probe checked. A file whose probe came through is not probed again while
// these bytes stay the same, whatever else a write changed in it (the rows of other tables,
// its times): the child would walk the very same catalogue.
#include "driver/jet/file/JetCatalogueCheck.h"
#include "driver/jet/format/JetPageCipher.h"

#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

// The bytes of those pages as they are now (the property pages those `catalogue` lists, none
// without one: they then come last), read with our own checked code, libmdb not used;
// nullopt when they cannot all be read (a page outside the file, a damaged map): the probe
// then runs. `encryption`: the opening's cipher of an Access 2007 or later file.
// `ownBytes`, when given, gets how many of them come before the property pages.
std::optional<std::vector<unsigned char>> catalogueFingerprint(const std::string& path, const JetPageCipher& encryption,
                                                               const Catalogue* catalogue,
                                                               std::size_t* ownBytes = nullptr);

}  // namespace kervane::jet
