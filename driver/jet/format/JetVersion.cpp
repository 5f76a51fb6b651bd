#include "driver/jet/format/JetVersion.h"

#include <cstring>
#include <fstream>

namespace kervane::jet {

bool hasAccessMagic(const unsigned char* header, std::size_t size)
{
    return size >= 19 && header[0] == 0 &&
           (std::memcmp(header + 4, "Standard Jet DB", 15) == 0 || std::memcmp(header + 4, "Standard ACE DB", 15) == 0);
}

std::optional<AccessVersion> accessVersionOf(const unsigned char* header, std::size_t size)
{
    if (size < kVersionHeaderSize || header[0] != 0)
        return std::nullopt;
    const bool jet = std::memcmp(header + 4, "Standard Jet DB", 15) == 0;
    const bool ace = std::memcmp(header + 4, "Standard ACE DB", 15) == 0;
    switch (header[0x14]) {
    case 0: return jet ? std::optional(AccessVersion::Jet3) : std::nullopt;
    case 1: return jet ? std::optional(AccessVersion::Jet4) : std::nullopt;
    case 2: return ace ? std::optional(AccessVersion::Ace12) : std::nullopt;
    case 3: return ace ? std::optional(AccessVersion::Ace14) : std::nullopt;
    case 4: return ace ? std::optional(AccessVersion::Ace15) : std::nullopt;
    case 5: return ace ? std::optional(AccessVersion::Ace16) : std::nullopt;
    case 6: return ace ? std::optional(AccessVersion::Ace17) : std::nullopt;
    default: return std::nullopt;
    }
}

std::optional<AccessVersion> accessVersionOfFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char header[kVersionHeaderSize] = {};
    if (!file.read(header, sizeof header))
        return std::nullopt;
    return accessVersionOf(reinterpret_cast<const unsigned char*>(header), sizeof header);
}

const char* dbmsVersion(AccessVersion version)
{
    switch (version) {
    case AccessVersion::Jet3: return "03.50.0000";
    case AccessVersion::Jet4: return "04.00.0000";
    case AccessVersion::Ace12: return "12.00.0000";
    case AccessVersion::Ace14: return "14.00.0000";
    case AccessVersion::Ace15: return "15.00.0000";
    case AccessVersion::Ace16: return "16.00.0000";
    case AccessVersion::Ace17: return "17.00.0000";
    }
    return "04.00.0000";
}

}  // namespace kervane::jet
