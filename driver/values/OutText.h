#pragma once
// Copies a text into an application buffer the ODBC way: NUL-terminated, truncated with
// state 01004 when the buffer is too small, the full length always reported.
#include "driver/values/Diagnostics.h"

#include <sql.h>

#include <cstring>
#include <limits>
#include <string_view>

namespace kervane::odbc {

template <class Length>
SQLRETURN copyText(std::string_view text, SQLPOINTER buffer, SQLLEN bufferLength, Length* length,
                   Diagnostics& diagnostics)
{
    if (length != nullptr)
        *length = static_cast<Length>(
            std::min<std::size_t>(text.size(), static_cast<std::size_t>(std::numeric_limits<Length>::max())));
    if (buffer == nullptr)
        return SQL_SUCCESS;
    if (bufferLength <= 0)
        return text.empty() ? SQL_SUCCESS : diagnostics.add("01004", "Données texte tronquées.");
    auto* out = static_cast<char*>(buffer);
    const auto room = static_cast<std::size_t>(bufferLength - 1);
    if (text.size() <= room) {
        std::memcpy(out, text.data(), text.size());
        out[text.size()] = '\0';
        return SQL_SUCCESS;
    }
    std::memcpy(out, text.data(), room);
    out[room] = '\0';
    return diagnostics.add("01004", "Données texte tronquées.");
}

// Text given by the application with a length or SQL_NTS.
inline std::string_view inText(const SQLCHAR* text, SQLINTEGER length)
{
    if (text == nullptr)
        return {};
    const auto* chars = reinterpret_cast<const char*>(text);
    if (length == SQL_NTS)
        return std::string_view(chars);
    return length < 0 ? std::string_view() : std::string_view(chars, static_cast<std::size_t>(length));
}

}  // namespace kervane::odbc
