// Access's text functions (Len, Left, Mid, InStr, Replace, StrComp, Chr...) and the text
// functions of ODBC's {fn} escapes. Positions and lengths count characters, not bytes.
#include "driver/semantics/CaseFolding.h"
#include "driver/semantics/Characters.h"
#include "driver/semantics/UtfCoding.h"
#include "driver/sql/functions/FunctionCatalogue.h"
#include "driver/sql/functions/FunctionSupport.h"
#include "driver/semantics/SortOrder.h"

#include <algorithm>

namespace kervane::sql {
namespace {

enum class Compare { Binary, Text };

// A text argument as characters (numbers written as CStr writes them).
std::u32string characters(sqlite3_value* value) { return decodeUtf8(textValue(value)); }

bool fitsLength(sqlite3_context* context, std::int64_t bytes)
{
    if (bytes > sqlite3_limit(sqlite3_context_db_handle(context), SQLITE_LIMIT_LENGTH, -1)) {
        sqlite3_result_error_toobig(context);
        return false;
    }
    return true;
}

// The optional compare argument of InStr, InStrRev, Replace and StrComp: 0 (or missing) binary,
// 1 text, 2 database (text, as the database compares without regard to case). A Null compare
// is an error.
std::optional<Compare> readCompare(sqlite3_context* context, int argc, sqlite3_value** argv, int index,
                                   std::string_view function)
{
    if (index >= argc)
        return Compare::Binary;
    const std::optional<std::int32_t> mode = readLong(context, argv[index]);
    if (!mode)
        return std::nullopt;
    if (*mode == 0)
        return Compare::Binary;
    if (*mode == 1 || *mode == 2)
        return Compare::Text;
    reportBadArgument(context, function);
    return std::nullopt;
}

void prepareForCompare(std::u32string& sequence, Compare compare)
{
    if (compare == Compare::Text)
        std::transform(sequence.begin(), sequence.end(), sequence.begin(), foldCase);
}

// Text mode orders as the database does (case ignored, e < é < f); binary by code point.
int compareStrings(sqlite3_value* a, sqlite3_value* b, Compare compare)
{
    const std::string left = textValue(a);
    const std::string right = textValue(b);
    const int order = compare == Compare::Text ? compareAccessText(left, right) : left.compare(right);
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

// 1-based position of the first match at or after start (1-based), 0 if none; InStr's rules
// for empty texts.
std::int64_t findForward(std::u32string haystack, std::u32string needle, std::int64_t start, Compare compare)
{
    if (haystack.empty())
        return 0;
    if (needle.empty())
        return start;
    if (start > static_cast<std::int64_t>(haystack.size()))
        return 0;
    prepareForCompare(haystack, compare);
    prepareForCompare(needle, compare);
    const std::size_t found = haystack.find(needle, static_cast<std::size_t>(start - 1));
    return found == std::u32string::npos ? 0 : static_cast<std::int64_t>(found) + 1;
}

// ---- Lengths and slices ------------------------------------------------------------------

void len(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(characterCount(textValue(argv[0]))));
}

// {fn LENGTH(s)}: characters without the trailing blanks.
void odbcLength(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    std::string value = textValue(argv[0]);
    value.erase(value.find_last_not_of(' ') + 1);
    sqlite3_result_int64(context, static_cast<sqlite3_int64>(characterCount(value)));
}

void left(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<std::int32_t> count = readLongAtLeast(context, argv[1], 0, "Left");
    if (count)
        resultText(context, characterSlice(textValue(argv[0]), 0, static_cast<std::size_t>(*count)));
}

void right(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<std::int32_t> count = readLongAtLeast(context, argv[1], 0, "Right");
    if (!count)
        return;
    const std::string value = textValue(argv[0]);
    const std::size_t length = characterCount(value);
    const std::size_t wanted = std::min(length, static_cast<std::size_t>(*count));
    resultText(context, characterSlice(value, length - wanted, wanted));
}

void mid(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<std::int32_t> start = readLongAtLeast(context, argv[1], 1, "Mid");
    if (!start)
        return;
    std::size_t count = std::string::npos;
    if (argc == 3) {
        const std::optional<std::int32_t> length = readLongAtLeast(context, argv[2], 0, "Mid");
        if (!length)
            return;
        count = static_cast<std::size_t>(*length);
    }
    resultText(context, characterSlice(textValue(argv[0]), static_cast<std::size_t>(*start - 1), count));
}

// ---- Searching ---------------------------------------------------------------------------

// InStr([start,] s1, s2[, compare]); a Null start or compare is an error, a Null text gives Null.
void instr(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    std::int64_t start = 1;
    if (argc >= 3) {
        const std::optional<std::int32_t> given = readLongAtLeast(context, argv[0], 1, "InStr");
        if (!given)
            return;
        start = *given;
    }
    const std::optional<Compare> compare = readCompare(context, argc, argv, 3, "InStr");
    if (!compare)
        return;
    sqlite3_value* searched = argv[argc >= 3 ? 1 : 0];
    sqlite3_value* sought = argv[argc >= 3 ? 2 : 1];
    if (isNull(searched) || isNull(sought))
        return sqlite3_result_null(context);
    sqlite3_result_int64(context, findForward(characters(searched), characters(sought), start, *compare));
}

// {fn LOCATE(find, s[, start])}
void locate(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    std::int64_t start = 1;
    if (argc == 3) {
        const std::optional<std::int32_t> given = readLongAtLeast(context, argv[2], 1, "LOCATE");
        if (!given)
            return;
        start = *given;
    }
    sqlite3_result_int64(context, findForward(characters(argv[1]), characters(argv[0]), start, Compare::Binary));
}

// InStrRev(s, find[, start[, compare]]): a match counts only if it ends at or before start.
void instrrev(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    std::int64_t start = -1;
    if (argc >= 3) {
        const std::optional<std::int32_t> given = readLong(context, argv[2]);
        if (!given)
            return;
        if (*given == 0 || *given < -1)
            return reportBadArgument(context, "InStrRev");
        start = *given;
    }
    const std::optional<Compare> compare = readCompare(context, argc, argv, 3, "InStrRev");
    if (!compare)
        return;
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(context);
    std::u32string searched = characters(argv[0]);
    std::u32string sought = characters(argv[1]);
    const auto length = static_cast<std::int64_t>(searched.size());
    if (start == -1)
        start = length;
    if (searched.empty() || start > length)
        return sqlite3_result_int(context, 0);
    if (sought.empty())
        return sqlite3_result_int64(context, start);
    prepareForCompare(searched, *compare);
    prepareForCompare(sought, *compare);
    const auto soughtLength = static_cast<std::int64_t>(sought.size());
    if (soughtLength > start)
        return sqlite3_result_int(context, 0);
    const std::size_t found = searched.rfind(sought, static_cast<std::size_t>(start - soughtLength));
    sqlite3_result_int64(context, found == std::u32string::npos ? 0 : static_cast<std::int64_t>(found) + 1);
}

struct ReplaceOptions {
    std::int64_t start = 1;
    std::int64_t count = -1;
    Compare compare = Compare::Binary;
};

std::optional<ReplaceOptions> readReplaceOptions(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    ReplaceOptions options;
    if (argc >= 4) {
        const std::optional<std::int32_t> start = readLong(context, argv[3]);
        if (!start)
            return std::nullopt;
        options.start = *start;
    }
    if (argc >= 5) {
        const std::optional<std::int32_t> count = readLong(context, argv[4]);
        if (!count)
            return std::nullopt;
        options.count = *count;
    }
    if (options.start < 1 || options.count < -1) {
        reportBadArgument(context, "Replace");
        return std::nullopt;
    }
    const std::optional<Compare> compare = readCompare(context, argc, argv, 5, "Replace");
    if (!compare)
        return std::nullopt;
    options.compare = *compare;
    return options;
}

// Replace(s, find, repl[, start[, count[, compare]]]): the result begins at start. A Null s is
// an error (its parameter is a String).
void replace(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return reportInvalidNull(context);
    const std::optional<ReplaceOptions> options = readReplaceOptions(context, argc, argv);
    if (!options)
        return;
    if (isNull(argv[1]) || isNull(argv[2]))
        return sqlite3_result_null(context);
    const std::u32string whole = characters(argv[0]);
    if (options->start > static_cast<std::int64_t>(whole.size()))
        return resultText(context, "");
    const std::u32string source = whole.substr(static_cast<std::size_t>(options->start - 1));
    std::u32string sought = characters(argv[1]);
    const std::u32string replacement = characters(argv[2]);
    std::u32string comparable = source;
    prepareForCompare(comparable, options->compare);
    prepareForCompare(sought, options->compare);
    std::u32string result;
    std::size_t position = 0;
    for (std::int64_t done = 0; !sought.empty() && (options->count < 0 || done < options->count); ++done) {
        const std::size_t found = comparable.find(sought, position);
        if (found == std::u32string::npos)
            break;
        result.append(source, position, found - position);
        result += replacement;
        position = found + sought.size();
    }
    result.append(source, position);
    resultText(context, encodeUtf8(result));
}

void strcomp(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const std::optional<Compare> compare = readCompare(context, argc, argv, 2, "StrComp");
    if (!compare)
        return;
    if (isNull(argv[0]) || isNull(argv[1]))
        return sqlite3_result_null(context);
    sqlite3_result_int(context, compareStrings(argv[0], argv[1], *compare));
}

// ---- Changing text -----------------------------------------------------------------------

template <std::string (*change)(std::string_view)>
void changeCase(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    resultText(context, change(textValue(argv[0])));
}

// Trims spaces only (not tabs or line breaks), as VBA does.
void trimSpaces(sqlite3_context* context, sqlite3_value* value, bool leading, bool trailing)
{
    if (isNull(value))
        return sqlite3_result_null(context);
    const std::string whole = textValue(value);
    std::string_view view = whole;
    while (leading && !view.empty() && view.front() == ' ')
        view.remove_prefix(1);
    while (trailing && !view.empty() && view.back() == ' ')
        view.remove_suffix(1);
    resultText(context, view);
}

void trim(sqlite3_context* context, int, sqlite3_value** argv) { trimSpaces(context, argv[0], true, true); }
void ltrim(sqlite3_context* context, int, sqlite3_value** argv) { trimSpaces(context, argv[0], true, false); }
void rtrim(sqlite3_context* context, int, sqlite3_value** argv) { trimSpaces(context, argv[0], false, true); }

void strreverse(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return reportInvalidNull(context);
    std::u32string value = characters(argv[0]);
    std::reverse(value.begin(), value.end());
    resultText(context, encodeUtf8(value));
}

// Repeats one character; the count is checked against SQLite's length limit first.
void repeatCharacter(sqlite3_context* context, std::int64_t count, char32_t character)
{
    const std::string one = encodeUtf8({&character, 1});
    if (!fitsLength(context, count * static_cast<std::int64_t>(one.size())))
        return;
    std::string repeated;
    repeated.reserve(static_cast<std::size_t>(count) * one.size());
    for (std::int64_t i = 0; i < count; ++i)
        repeated += one;
    resultText(context, repeated);
}

void space(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (isNull(argv[0]))
        return sqlite3_result_null(context);
    const std::optional<std::int32_t> count = readLongAtLeast(context, argv[0], 0, "Space");
    if (count)
        repeatCharacter(context, *count, U' ');
}

// String(n, ch): ch is a character code (taken Mod 256) or a text whose first character is used.
void stringOfCharacters(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    if (anyNull(argc, argv))
        return sqlite3_result_null(context);
    const std::optional<std::int32_t> count = readLongAtLeast(context, argv[0], 0, "String");
    if (!count)
        return;
    if (isNumberValue(argv[1])) {
        const std::optional<std::int32_t> code = readLong(context, argv[1]);
        if (code)
            repeatCharacter(context, *count, characterFromAnsi((*code % 256 + 256) % 256));
        return;
    }
    const std::u32string pattern = characters(argv[1]);
    if (pattern.empty())
        return reportBadArgument(context, "String");
    repeatCharacter(context, *count, pattern.front());
}

// ---- Character codes ---------------------------------------------------------------------

// The first character of a text argument; an empty text is a bad argument, a Null gives Null.
std::optional<char32_t> readFirstCharacter(sqlite3_context* context, sqlite3_value* value, std::string_view function)
{
    if (isNull(value)) {
        sqlite3_result_null(context);
        return std::nullopt;
    }
    const std::u32string text = characters(value);
    if (text.empty()) {
        reportBadArgument(context, function);
        return std::nullopt;
    }
    return text.front();
}

void asc(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (const std::optional<char32_t> first = readFirstCharacter(context, argv[0], "Asc"))
        sqlite3_result_int(context, ansiCode(*first));
}

// AscW gives the first UTF-16 unit as an Integer, so codes above 32767 come out negative.
void ascw(sqlite3_context* context, int, sqlite3_value** argv)
{
    const std::optional<char32_t> first = readFirstCharacter(context, argv[0], "AscW");
    if (!first)
        return;
    const char32_t unit = *first > 0xFFFF ? 0xD800 + ((*first - 0x10000) >> 10) : *first;
    sqlite3_result_int(context, static_cast<std::int16_t>(static_cast<std::uint16_t>(unit)));
}

// The character of a code between lowest and highest; other codes are bad arguments.
void characterOfCode(sqlite3_context* context, sqlite3_value* value, std::int32_t lowest, std::int32_t highest,
                     char32_t (*character)(std::int32_t), std::string_view function)
{
    const std::optional<std::int32_t> code = readOrNull(context, value, readLong);
    if (!code)
        return;
    if (*code < lowest || *code > highest)
        return reportBadArgument(context, function);
    const char32_t result = character(*code);
    resultText(context, encodeUtf8({&result, 1}));
}

char32_t unicodeCharacter(std::int32_t code) { return static_cast<char32_t>(code < 0 ? code + 65536 : code); }

void chr(sqlite3_context* context, int, sqlite3_value** argv)
{
    characterOfCode(context, argv[0], 0, 255, characterFromAnsi, "Chr");
}

void chrw(sqlite3_context* context, int, sqlite3_value** argv)
{
    characterOfCode(context, argv[0], -32768, 65535, unicodeCharacter, "ChrW");
}

constexpr ScalarFunctionEntry TEXT_SCALARS[] = {
    {"kv_len", 1, len},           {"kv_length", 1, odbcLength}, {"kv_left", 2, left},
    {"kv_right", 2, right},       {"kv_mid", 2, mid},           {"kv_mid", 3, mid},
    {"kv_instr", 2, instr},       {"kv_instr", 3, instr},       {"kv_instr", 4, instr},
    {"kv_locate", 2, locate},     {"kv_locate", 3, locate},     {"kv_instrrev", 2, instrrev},
    {"kv_instrrev", 3, instrrev}, {"kv_instrrev", 4, instrrev}, {"kv_replace", 3, replace},
    {"kv_replace", 4, replace},   {"kv_replace", 5, replace},   {"kv_replace", 6, replace},
    {"kv_strcomp", 2, strcomp},   {"kv_strcomp", 3, strcomp},
    {"kv_lcase", 1, changeCase<lowerCaseText>},                 {"kv_ucase", 1, changeCase<upperCaseText>},
    {"kv_trim", 1, trim},         {"kv_ltrim", 1, ltrim},       {"kv_rtrim", 1, rtrim},
    {"kv_strreverse", 1, strreverse},                           {"kv_space", 1, space},
    {"kv_string", 2, stringOfCharacters},                       {"kv_asc", 1, asc},
    {"kv_ascw", 1, ascw},         {"kv_chr", 1, chr},           {"kv_chrw", 1, chrw},
};

using enum AccessType;

// The "$" forms of VBA return the same texts.
constexpr FunctionInfo TEXT_CATALOGUE[] = {
    {"Len", "kv_len", 1, 1, Long},
    {"Left", "kv_left", 2, 2, Text}, {"Left$", "kv_left", 2, 2, Text},
    {"Right", "kv_right", 2, 2, Text}, {"Right$", "kv_right", 2, 2, Text},
    {"Mid", "kv_mid", 2, 3, Text}, {"Mid$", "kv_mid", 2, 3, Text},
    {"InStr", "kv_instr", 2, 4, Long},
    {"InStrRev", "kv_instrrev", 2, 4, Long},
    {"Replace", "kv_replace", 3, 6, Text},
    {"LCase", "kv_lcase", 1, 1, Text}, {"LCase$", "kv_lcase", 1, 1, Text},
    {"UCase", "kv_ucase", 1, 1, Text}, {"UCase$", "kv_ucase", 1, 1, Text},
    {"Trim", "kv_trim", 1, 1, Text}, {"Trim$", "kv_trim", 1, 1, Text},
    {"LTrim", "kv_ltrim", 1, 1, Text}, {"LTrim$", "kv_ltrim", 1, 1, Text},
    {"RTrim", "kv_rtrim", 1, 1, Text}, {"RTrim$", "kv_rtrim", 1, 1, Text},
    {"Space", "kv_space", 1, 1, Text}, {"Space$", "kv_space", 1, 1, Text},
    {"String", "kv_string", 2, 2, Text}, {"String$", "kv_string", 2, 2, Text},
    {"StrComp", "kv_strcomp", 2, 3, Short},
    {"StrReverse", "kv_strreverse", 1, 1, Text},
    {"Asc", "kv_asc", 1, 1, Short},
    {"AscW", "kv_ascw", 1, 1, Short},
    {"Chr", "kv_chr", 1, 1, Text}, {"Chr$", "kv_chr", 1, 1, Text},
    {"ChrW", "kv_chrw", 1, 1, Text}, {"ChrW$", "kv_chrw", 1, 1, Text},
    // ODBC {fn} names that are not Access names already (LEFT, LCASE... are).
    {"ASCII", "kv_asc", 1, 1, Short},
    {"CHAR", "kv_chr", 1, 1, Text},
    {"CONCAT", "kv_concat", 2, 2, Text},
    {"LENGTH", "kv_length", 1, 1, Long},
    {"LOCATE", "kv_locate", 2, 3, Long},
    {"SUBSTRING", "kv_mid", 3, 3, Text},
};

}  // namespace

std::span<const FunctionInfo> textFunctions() { return TEXT_CATALOGUE; }

void registerTextFunctions(sqlite3* db)
{
    registerScalarFunctions(db, TEXT_SCALARS);
    // CONCAT is the & operator.
    registerOperatorFunctions(db);
}

}  // namespace kervane::sql
