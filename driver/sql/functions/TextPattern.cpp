// Format's string formats (@ & < > !), and what every format shares: its sections and the
// kind of pattern it is.
#include "driver/semantics/Characters.h"
#include "driver/semantics/UtfCoding.h"
#include "driver/sql/functions/FormatSupport.h"
#include "driver/sql/functions/FunctionSupport.h"

#include <cctype>

namespace kervane::sql {
namespace {

struct TextSlot {
    bool placeholder = false;
    char32_t character = 0;  // '@' or '&' for a placeholder
    std::u32string literal;
};

}  // namespace

std::optional<PatternLiteral> patternLiteral(std::string_view pattern, std::size_t i)
{
    if (pattern[i] == '"') {
        const auto close = pattern.find('"', i + 1);
        const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
        return PatternLiteral{pattern.substr(i + 1, end - i - 1), end + 1 - i};
    }
    if (pattern[i] != '\\' || i + 1 == pattern.size())
        return std::nullopt;
    // The escaped character with its UTF-8 continuation bytes.
    std::size_t length = 1;
    while (i + 1 + length < pattern.size() && (static_cast<unsigned char>(pattern[i + 1 + length]) & 0xC0) == 0x80)
        ++length;
    return PatternLiteral{pattern.substr(i + 1, length), length + 1};
}

std::vector<std::string_view> formatSections(std::string_view format)
{
    std::vector<std::string_view> sections;
    std::size_t start = 0;
    forEachPatternCharacter(format, [&](std::size_t i) {
        if (format[i] == ';') {
            sections.push_back(format.substr(start, i - start));
            start = i + 1;
        }
        return true;
    });
    sections.push_back(format.substr(start));
    return sections;
}

PatternKind patternKind(std::string_view format)
{
    bool digits = false;
    bool text = false;
    bool date = false;
    forEachPatternCharacter(format, [&](std::size_t i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        if (c == '0' || c == '#')
            digits = true;
        else if (c == '@' || c == '&' || c == '<' || c == '>' || c == '!')
            text = true;
        else if (std::string_view("dwmqyhnstc").find(c) != std::string_view::npos
                 || (c == 'a' && (format.substr(i, 3) == "a/p" || format.substr(i, 3) == "A/P"
                                  || sameFormatName(format.substr(i, 2), "am"))))
            date = true;
        return true;
    });
    if (digits)
        return PatternKind::Number;
    if (text)
        return PatternKind::Text;
    return date ? PatternKind::Date : PatternKind::Literal;
}

std::optional<std::string> formatTextPattern(std::optional<std::string_view> text, std::string_view format)
{
    const std::vector<std::string_view> sections = formatSections(format);
    const bool empty = !text || text->empty();
    if (!text && sections.size() < 2)
        return std::nullopt;
    const std::string_view section = empty && sections.size() >= 2 ? sections[1] : sections[0];

    std::vector<TextSlot> slots;
    bool lower = false;
    bool upper = false;
    bool leftToRight = false;
    const auto addLiteral = [&](std::string_view literal) {
        if (slots.empty() || slots.back().placeholder)
            slots.push_back({});
        slots.back().literal += decodeUtf8(literal);
    };
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (const auto literal = patternLiteral(section, i)) {
            addLiteral(literal->text);
            i += literal->length - 1;
        } else if (c == '@' || c == '&') {
            slots.push_back({true, static_cast<char32_t>(c), {}});
        } else if (c == '<' || c == '>' || c == '!') {
            lower = lower || c == '<';
            upper = upper || c == '>';
            leftToRight = leftToRight || c == '!';
        } else {
            addLiteral(section.substr(i, 1));
        }
    }

    std::string source(text.value_or(""));
    if (upper)
        source = upperCaseText(source);
    else if (lower)
        source = lowerCaseText(source);
    const std::u32string characters = decodeUtf8(source);

    std::size_t placeholders = 0;
    for (const TextSlot& slot : slots)
        placeholders += slot.placeholder ? 1 : 0;
    std::u32string out;
    if (placeholders == 0) {
        for (const TextSlot& slot : slots)
            out += slot.literal;
        out += characters;
        return encodeUtf8(out);
    }
    // Characters go to the placeholders from the right (from the left with '!'); characters
    // left over go before the first placeholder (after the last one with '!').
    const std::size_t count = characters.size();
    std::size_t k = 0;
    for (const TextSlot& slot : slots) {
        if (!slot.placeholder) {
            out += slot.literal;
            continue;
        }
        std::u32string taken;
        if (leftToRight) {
            if (k < count)
                taken = characters.substr(k, 1);
            if (k + 1 == placeholders && count > placeholders)
                taken += characters.substr(placeholders);
        } else if (count >= placeholders) {
            const std::size_t extra = count - placeholders;
            taken = k == 0 ? characters.substr(0, extra + 1) : characters.substr(extra + k, 1);
        } else if (k >= placeholders - count) {
            taken = characters.substr(k - (placeholders - count), 1);
        }
        if (taken.empty() && slot.character == U'@')
            taken.push_back(U' ');
        out += taken;
        ++k;
    }
    return encodeUtf8(out);
}

}  // namespace kervane::sql
