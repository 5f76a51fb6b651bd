#pragma once

#include <string>

// libmdb trusts what it reads while it opens a file and reads its table definitions, and a
// damaged catalogue can make it crash, loop or allocate without bound. The opening is
// therefore tried first in a forked child, limited in time and memory; the caller repeats
// it in its own process only when the child came through it. The limits grow with the file
// and with the number of tables its catalogue holds, which the child reports once it has
// checked the catalogue, so that a sound file is never taken for a damaged one for its size.
namespace kervane::jet {

// True when opening `path` ended normally in the child (successfully or with a clean
// refusal); false with a French message when the child crashed, ran too long or could not run.
bool probeOpening(const std::string& path, std::string& error);

}  // namespace kervane::jet
