#pragma once
// Where an entry point's text result goes: a narrow buffer (UTF-8, lengths in bytes) or a wide
// one (UTF-16, lengths in characters or in bytes, as the function counts them). The narrow and
// wide forms of a function share one body that writes through this.
#include "driver/values/OutText.h"
#include "driver/values/WideText.h"

#include <algorithm>
#include <limits>

namespace kervane::odbc {

struct TextTarget {
    enum class Form { Narrow, WideCharacters, WideBytes };

    SQLPOINTER buffer = nullptr;
    SQLLEN capacity = 0;  // in the form's unit
    Form form = Form::Narrow;

    static TextTarget narrow(SQLPOINTER buffer, SQLLEN bytes) { return {buffer, bytes, Form::Narrow}; }
    static TextTarget wide(SQLPOINTER buffer, SQLLEN characters) { return {buffer, characters, Form::WideCharacters}; }
    static TextTarget wideBytes(SQLPOINTER buffer, SQLLEN bytes) { return {buffer, bytes, Form::WideBytes}; }

    // Copies text NUL-terminated, reports its full length in the form's unit, and adds 01004
    // to diagnostics when the buffer is too small.
    template <class Length>
    SQLRETURN put(std::string_view text, Length* length, Diagnostics& diagnostics) const
    {
        if (form == Form::Narrow)
            return copyText(text, buffer, capacity, length, diagnostics);
        const WideCopy copy
            = writeWide(text, buffer, capacity, form == Form::WideBytes ? WideUnit::Bytes : WideUnit::Characters);
        if (length != nullptr)
            *length = static_cast<Length>(std::min<SQLLEN>(copy.fullLength, std::numeric_limits<Length>::max()));
        return copy.truncated ? diagnostics.add("01004", "Données texte tronquées.") : SQL_SUCCESS;
    }
};

}  // namespace kervane::odbc
