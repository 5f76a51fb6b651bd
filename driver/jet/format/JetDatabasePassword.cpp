#include "driver/jet/format/JetDatabasePassword.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/semantics/SecretText.h"
#include "driver/semantics/UtfCoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace kervane::jet {
namespace passwordheader {

constexpr std::size_t kPassword = 0x42;      // the password's bytes in the header
constexpr std::size_t kCreationDate = 0x72;  // Jet 4: the file's creation date, a double
constexpr std::size_t kHeaderRead = 0x100;   // what a header page must hold for all of these

std::size_t passwordBytes(bool jet3)
{
    return jet3 ? 20 : 40;
}

// The header with its masked part shown; jet3 tells the format.
std::vector<unsigned char> shownHeader(const unsigned char* header, bool jet3)
{
    std::vector<unsigned char> shown(header, header + kHeaderRead);
    maskHeader(shown.data(), jet3);
    return shown;
}

// Jet 4 hides the password bytes once more under the whole part of the creation date, as four
// little-endian bytes over and over; the same pass shows them again.
void dateMask(const std::vector<unsigned char>& shown, unsigned char* password, std::size_t size)
{
    double date = 0;
    const std::uint64_t bits = readUInt64(shown.data(), static_cast<int>(kCreationDate));
    std::memcpy(&date, &bits, sizeof date);
    const double whole = std::trunc(date);
    const auto mask = std::isfinite(whole) && std::fabs(whole) < 2147483648.0
                          ? static_cast<std::uint32_t>(static_cast<std::int32_t>(whole))
                          : 0u;
    for (std::size_t i = 0; i < size; ++i)
        password[i] ^= static_cast<unsigned char>(mask >> (8 * (i % 4)));
}

// Jet 3: the code page the password is kept in, the file's.
int textCodePage(const unsigned char* header)
{
    const int codePage = headerCodePage(header);
    return codePageKnown(codePage) ? codePage : kWesternCodePage;
}

std::optional<bool> jet3Header(const unsigned char* header, std::size_t size)
{
    if (size < kHeaderRead)
        return std::nullopt;
    const std::optional<AccessVersion> version = accessVersionOf(header, size);
    if (!version || (*version != AccessVersion::Jet3 && *version != AccessVersion::Jet4))
        return std::nullopt;
    return *version == AccessVersion::Jet3;
}

}  // namespace passwordheader

bool databasePassword(const unsigned char* header, std::size_t size, std::string& password)
{
    wipe(password);
    const std::optional<bool> jet3 = passwordheader::jet3Header(header, size);
    if (!jet3)
        return false;
    std::vector<unsigned char> shown = passwordheader::shownHeader(header, *jet3);
    unsigned char* bytes = shown.data() + passwordheader::kPassword;
    const std::size_t length = passwordheader::passwordBytes(*jet3);
    if (*jet3) {
        const std::size_t used = static_cast<std::size_t>(std::find(bytes, bytes + length, 0) - bytes);
        password = fromCodePage(passwordheader::textCodePage(header), bytes, used);
    } else {
        passwordheader::dateMask(shown, bytes, length);
        std::u16string units;
        for (std::size_t i = 0; i + 1 < length && readUInt16(bytes, static_cast<int>(i)) != 0; i += 2)
            units += static_cast<char16_t>(readUInt16(bytes, static_cast<int>(i)));
        password = sql::utf8FromUtf16(units, sql::IllFormed::Replace).value_or(std::string());
        std::fill(units.begin(), units.end(), u'\0');
    }
    std::fill(shown.begin(), shown.end(), 0);
    return true;
}

bool passwordMatches(const std::string& stored, const std::string& given)
{
    return stored == given;
}

bool setDatabasePassword(unsigned char* header, std::size_t size, const std::string& password, std::string& error)
{
    const std::optional<bool> jet3 = passwordheader::jet3Header(header, size);
    if (!jet3) {
        error = "Seules les bases Access 97 à 2003 ont un mot de passe de base de données.";
        return false;
    }
    std::vector<unsigned char> shown = passwordheader::shownHeader(header, *jet3);
    std::vector<unsigned char> bytes;
    if (*jet3) {
        std::string refused;
        if (!toCodePage(passwordheader::textCodePage(header), password, bytes, refused)) {
            error = "Le mot de passe contient un caractère (« " + refused + " ») qu'une base Access 97 ne peut "
                    "pas garder.";
            return false;
        }
    } else {
        const std::u16string units = sql::utf16FromUtf8(password, sql::IllFormed::Replace).value_or(u"");
        for (const char16_t unit : units) {
            bytes.push_back(static_cast<unsigned char>(unit & 0xff));
            bytes.push_back(static_cast<unsigned char>(unit >> 8));
        }
    }
    if (bytes.size() > passwordheader::passwordBytes(*jet3)) {
        error = "Le mot de passe d'une base Access a au plus " + std::to_string(kLongestPassword) + " caractères.";
        return false;
    }
    bytes.resize(passwordheader::passwordBytes(*jet3), 0);
    if (!*jet3)
        passwordheader::dateMask(shown, bytes.data(), bytes.size());
    std::copy(bytes.begin(), bytes.end(), shown.begin() + passwordheader::kPassword);
    std::fill(bytes.begin(), bytes.end(), 0);
    maskHeader(shown.data(), *jet3);
    std::copy(shown.begin(), shown.end(), header);
    return true;
}

}  // namespace kervane::jet
