#pragma once
// What page 0 of an Access file says of its format: "Standard Jet DB" (Access 97 to 2003) or
// "Standard ACE DB" (Access 2007 and later) at offset 4, then a version byte at 0x14. Every
// version after Jet 3 lays its pages as Jet 4 does (4 KB pages), the ACE ones with additions.
#include <cstddef>
#include <optional>
#include <string>

namespace kervane::jet {

enum class AccessVersion { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

constexpr std::size_t kVersionHeaderSize = 0x15;  // the header bytes that tell the version

// Whether the first `size` bytes of a file start as an Access file's, whatever its version.
bool hasAccessMagic(const unsigned char* header, std::size_t size);
// The version the first `size` bytes of a file state; none for anything else.
std::optional<AccessVersion> accessVersionOf(const unsigned char* header, std::size_t size);
// The same for the file at `path`; none when it cannot be read or is no Access file.
std::optional<AccessVersion> accessVersionOfFile(const std::string& path);

inline bool isAce(AccessVersion version)
{
    return version != AccessVersion::Jet3 && version != AccessVersion::Jet4;
}
inline std::size_t pageSizeOf(AccessVersion version)
{
    return version == AccessVersion::Jet3 ? 2048 : 4096;
}
// The version as Access's driver gives it in SQL_DBMS_VER: "03.50.0000" (Jet 3), "04.00.0000"
// (Jet 4), "12.00.0000" … "17.00.0000" (ACE).
const char* dbmsVersion(AccessVersion version);

}  // namespace kervane::jet
