#pragma once
// The file an attachment keeps (the FileData of an attachment column's hidden table, Access 2007
// and later): 4 bytes saying whether what follows is compressed (1, zlib) or not (0), 4 bytes of
// its length once inflated, then, inflated, a header (its own length first, then a flag and the
// file's extension) and the file's bytes.
#include <cstddef>
#include <optional>
#include <string>

namespace kervane::jet {

// The file's own bytes; none when the stored value is not laid that way.
std::optional<std::string> attachmentFileBytes(const unsigned char* data, std::size_t size);

}  // namespace kervane::jet
