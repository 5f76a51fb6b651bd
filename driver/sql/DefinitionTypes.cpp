// Column types and their synonyms, DEFAULT values, and Access's rules for names.
#include "driver/sql/DefinitionReader.h"

namespace kervane::sql {
namespace definition {
namespace {

constexpr int MAX_TEXT = 255;
constexpr int MAX_BINARY = 255;
constexpr int MAX_DECIMAL_PRECISION = 28;

using Kind = ColumnType::Kind;

struct TypeWord {
    const char* word;
    Kind kind;
};

// Type names of one word, synonyms included.
constexpr TypeWord TYPE_WORDS[] = {
    {"TEXT", Kind::Text}, {"VARCHAR", Kind::Text}, {"CHAR", Kind::Text}, {"CHARACTER", Kind::Text},
    {"STRING", Kind::Text}, {"ALPHANUMERIC", Kind::Text}, {"NVARCHAR", Kind::Text}, {"NCHAR", Kind::Text},
    {"MEMO", Kind::Memo}, {"LONGTEXT", Kind::Memo}, {"LONGCHAR", Kind::Memo}, {"NOTE", Kind::Memo},
    {"NTEXT", Kind::Memo}, {"BYTE", Kind::Byte}, {"TINYINT", Kind::Byte}, {"INTEGER1", Kind::Byte},
    {"SHORT", Kind::Integer}, {"SMALLINT", Kind::Integer}, {"INTEGER2", Kind::Integer},
    {"LONG", Kind::Long}, {"INT", Kind::Long}, {"INTEGER", Kind::Long}, {"INTEGER4", Kind::Long},
    {"SINGLE", Kind::Single}, {"REAL", Kind::Single}, {"FLOAT4", Kind::Single}, {"IEEESINGLE", Kind::Single},
    {"DOUBLE", Kind::Double}, {"FLOAT", Kind::Double}, {"FLOAT8", Kind::Double}, {"IEEEDOUBLE", Kind::Double},
    {"NUMBER", Kind::Double}, {"CURRENCY", Kind::Currency}, {"MONEY", Kind::Currency},
    {"DATETIME", Kind::DateTime}, {"DATE", Kind::DateTime}, {"TIME", Kind::DateTime},
    {"TIMESTAMP", Kind::DateTime}, {"YESNO", Kind::YesNo}, {"BIT", Kind::YesNo}, {"LOGICAL", Kind::YesNo},
    {"LOGICAL1", Kind::YesNo}, {"BOOLEAN", Kind::YesNo}, {"COUNTER", Kind::Counter},
    {"AUTOINCREMENT", Kind::Counter}, {"GUID", Kind::Guid}, {"UNIQUEIDENTIFIER", Kind::Guid},
    {"LONGBINARY", Kind::LongBinary}, {"OLEOBJECT", Kind::LongBinary}, {"GENERAL", Kind::LongBinary},
    {"IMAGE", Kind::LongBinary}, {"BINARY", Kind::Binary}, {"VARBINARY", Kind::Binary},
    {"DECIMAL", Kind::Decimal}, {"NUMERIC", Kind::Decimal}, {"DEC", Kind::Decimal},
    {"BIGINT", Kind::BigInt}, {"DATETIME2", Kind::DateTime2},
};

constexpr TypeWord NATIONAL_TYPE{"NATIONAL", Kind::Text};
constexpr TypeWord UNSIGNED_TYPE{"UNSIGNED", Kind::Byte};

std::string quotedText(const std::string& value)
{
    std::string text = "'";
    for (const char c : value)
        text += c == '\'' ? std::string("''") : std::string(1, c);
    return text + "'";
}

// The size in parentheses of a Text or Binary column, `fallback` when none is written.
int readSize(Reader& reader, const std::string& column, int fallback, int most, const char* unit)
{
    if (!reader.acceptSymbol("("))
        return fallback;
    const long long size = reader.number();
    reader.expectSymbol(")");
    if (size < 1 || size > most)
        refuse("La taille " + std::to_string(size) + " de la colonne " + quoted(column) +
               " n'est pas permise : elle va de 1 à " + std::to_string(most) + " " + unit + ".");
    return static_cast<int>(size);
}

}  // namespace

ColumnType readType(Reader& reader, const std::string& column)
{
    ColumnType type;
    const RawToken& word = reader.advance();
    const auto is = [&word](std::string_view upper) { return detail::sameWord(word.text, upper); };
    const TypeWord* found = nullptr;
    for (const TypeWord& candidate : TYPE_WORDS) {
        if (word.kind == RawToken::Kind::Word && is(candidate.word))
            found = &candidate;
    }
    if (word.kind == RawToken::Kind::Word && is("NATIONAL")) {
        if (!reader.acceptWord("CHAR"))
            reader.expectWord("CHARACTER");
        found = &NATIONAL_TYPE;
    } else if (word.kind == RawToken::Kind::Word && is("UNSIGNED")) {
        reader.expectWord("BYTE");
        found = &UNSIGNED_TYPE;
    } else if (found == nullptr) {
        reader.back();
        reader.fail();
    }
    type.kind = found->kind;
    if (type.kind == Kind::Double && is("DOUBLE"))
        reader.acceptWord("PRECISION");
    if (is("BIT") && reader.acceptWord("VARYING"))
        type.kind = Kind::Binary;
    if ((type.kind == Kind::Text && !is("VARCHAR") && !is("NVARCHAR")) || is("BINARY"))
        reader.acceptWord("VARYING");
    switch (type.kind) {
    case Kind::Text: type.size = readSize(reader, column, MAX_TEXT, MAX_TEXT, "caractères"); break;
    case Kind::Binary: type.size = readSize(reader, column, MAX_BINARY, MAX_BINARY, "octets"); break;
    case Kind::Counter:
        if (reader.acceptSymbol("(")) {
            type.seed = static_cast<std::int32_t>(reader.number(true));
            reader.expectSymbol(",");
            type.increment = static_cast<std::int32_t>(reader.number(true));
            reader.expectSymbol(")");
        }
        break;
    case Kind::Decimal:
        if (reader.acceptSymbol("(")) {
            const long long precision = reader.number();
            const long long scale = reader.acceptSymbol(",") ? reader.number() : 0;
            reader.expectSymbol(")");
            if (precision < 1 || precision > MAX_DECIMAL_PRECISION)
                refuse("La précision " + std::to_string(precision) + " de la colonne " + quoted(column) +
                       " n'est pas permise : elle va de 1 à " + std::to_string(MAX_DECIMAL_PRECISION) + ".");
            if (scale > precision)
                refuse("L'échelle " + std::to_string(scale) + " de la colonne " + quoted(column) +
                       " n'est pas permise : elle va de 0 à la précision (" + std::to_string(precision) + ").");
            type.precision = static_cast<int>(precision);
            type.scale = static_cast<int>(scale);
        }
        break;
    default: break;
    }
    return type;
}

std::string readDefault(Reader& reader)
{
    const std::size_t first = reader.index();
    if (!reader.acceptSymbol("-"))
        reader.acceptSymbol("+");
    const RawToken& token = reader.advance();
    const bool signedValue = reader.index() - first == 2;
    if (signedValue && token.kind != RawToken::Kind::Number) {
        reader.back();
        reader.fail();
    }
    bool opened = isSymbol(token, "(");
    const bool call = token.kind == RawToken::Kind::Word && reader.acceptSymbol("(");
    const auto is = [&token](std::string_view upper) { return detail::sameWord(token.text, upper); };
    const bool constant = is("NULL") || is("TRUE") || is("FALSE") || is("YES") || is("NO") || is("ON") || is("OFF");
    const bool date = token.kind == RawToken::Kind::Symbol && token.text.front() == '#';
    if (token.kind == RawToken::Kind::Name || (token.kind == RawToken::Kind::Symbol && !opened && !date) ||
        (token.kind == RawToken::Kind::Word && !call && !constant)) {
        reader.back();
        reader.fail();
    }
    opened = opened || call;
    for (int depth = opened ? 1 : 0; depth > 0;) {
        const RawToken& inner = reader.advance();
        if (isSymbol(inner, ";")) {
            reader.back();
            reader.fail();
        }
        depth += isSymbol(inner, "(") ? 1 : isSymbol(inner, ")") ? -1 : 0;
    }
    // Spaced as usually written: "Now()", "(1 + 2)", "Format(Date(), 'yyyy')", "-5".
    std::string text;
    for (std::size_t i = first; i < reader.index(); ++i) {
        const RawToken& part = reader.at(i);
        const auto opens = [&](std::size_t j) { return isSymbol(reader.at(j), "(") || isSymbol(reader.at(j), ","); };
        const bool sign = i > first && (isSymbol(reader.at(i - 1), "-") || isSymbol(reader.at(i - 1), "+")) &&
                          (i - 1 == first || opens(i - 2));
        const bool joined = i == first || isSymbol(part, "(") || isSymbol(part, ")") || isSymbol(part, ",") ||
                            isSymbol(reader.at(i - 1), "(") || sign;
        text += (joined ? "" : " ") + written(part);
    }
    return text;
}

std::string written(const RawToken& token)
{
    switch (token.kind) {
    case RawToken::Kind::Name: return "[" + token.text + "]";
    case RawToken::Kind::Text: return quotedText(token.text);
    default: return token.text;
    }
}

namespace {

constexpr std::size_t MAX_NAME_CHARACTERS = 64;

std::size_t characterCount(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

}  // namespace

}  // namespace definition

std::string nameFault(std::string_view what, const std::string& name)
{
    const std::string named = "Le nom « " + name + " » de " + std::string(what);
    if (name.empty())
        return "Le nom de " + std::string(what) + " est vide.";
    if (const std::size_t length = definition::characterCount(name); length > definition::MAX_NAME_CHARACTERS)
        return named + " est trop long : " + std::to_string(length) + " caractères, " +
               std::to_string(definition::MAX_NAME_CHARACTERS) + " au plus.";
    if (name.front() == ' ')
        return named + " n'est pas permis : il commence par une espace.";
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20)
            return named + " n'est pas permis : il contient un caractère de contrôle.";
        if (c == '.' || c == '!' || c == '`' || c == '[' || c == ']')
            return named + " n'est pas permis : il contient « " + std::string(1, c) + " ».";
    }
    return {};
}

}  // namespace kervane::sql
