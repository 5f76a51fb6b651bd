// Statements of definition (CREATE, DROP, ALTER...), handed to SQLite nearly as written.
#include "driver/semantics/DateText.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"

#include <optional>

namespace kervane::sql {
namespace {

bool isWord(const RawToken& token, std::string_view word)
{
    return token.kind == RawToken::Kind::Word && sameName(token.text, word);
}

bool isAutoNumber(const RawToken& token)
{
    return isWord(token, "COUNTER") || isWord(token, "AUTOINCREMENT");
}

// SQLite numbers only an INTEGER PRIMARY KEY by itself: an AutoNumber column becomes one,
// unless another column is the table's key (then the type stays as written, unnumbered).
bool numbersAutoNumber(const std::vector<RawToken>& tokens)
{
    if (tokens.size() < 2 || !isWord(tokens[0], "CREATE") || !isWord(tokens[1], "TABLE"))
        return false;
    int counters = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (isAutoNumber(tokens[i]))
            ++counters;
        else if (isWord(tokens[i], "PRIMARY") && (i == 0 || !isAutoNumber(tokens[i - 1])))
            return false;
    }
    return counters == 1;
}

// SQLite gives a column whose declared type holds neither CHAR, CLOB nor TEXT a numeric
// affinity: a memo "007" would be stored as the number 7. The Access text types that SQLite
// would misread are declared by a synonym that keeps every text as written.
std::optional<std::string> textTypeSynonym(const std::vector<RawToken>& tokens, std::size_t i)
{
    const RawToken& token = tokens[i];
    if (token.kind != RawToken::Kind::Word || i < 2)
        return std::nullopt;
    // A type follows its column's name, which follows "(", "," or COLUMN/ADD.
    const RawToken& column = tokens[i - 1];
    const RawToken& before = tokens[i - 2];
    const bool afterName = column.kind == RawToken::Kind::Name || column.kind == RawToken::Kind::Word;
    const bool startsDefinition = (before.kind == RawToken::Kind::Symbol && (before.text == "(" || before.text == ","))
                                  || isWord(before, "COLUMN") || isWord(before, "ADD");
    if (!afterName || !startsDefinition)
        return std::nullopt;
    if (sameName(token.text, "MEMO") || sameName(token.text, "NOTE"))
        return "LONGTEXT";
    if (sameName(token.text, "STRING") || sameName(token.text, "ALPHANUMERIC"))
        return "VARCHAR";
    return std::nullopt;
}

std::string dateLiteral(const std::string& text)
{
    const std::optional<double> serial = readDateLiteral(text.substr(1, text.size() - 2));
    if (!serial)
        throw SqlError("22007", "Erreur de syntaxe dans la date « " + text + " ».");
    return quotedText(canonicalDate(*serial));
}

}  // namespace

std::string writeRaw(const std::vector<RawToken>& tokens)
{
    const bool numbering = numbersAutoNumber(tokens);
    std::string sql;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const RawToken& token = tokens[i];
        if (!sql.empty())
            sql += ' ';
        if (numbering && isAutoNumber(token)) {
            sql += "INTEGER PRIMARY KEY AUTOINCREMENT";
            if (i + 2 < tokens.size() && isWord(tokens[i + 1], "PRIMARY") && isWord(tokens[i + 2], "KEY"))
                i += 2;
            continue;
        }
        if (const std::optional<std::string> synonym = textTypeSynonym(tokens, i)) {
            sql += *synonym;
            continue;
        }
        switch (token.kind) {
        case RawToken::Kind::Name: sql += quotedName(token.text); break;
        case RawToken::Kind::Text: sql += quotedText(token.text); break;
        case RawToken::Kind::Symbol:
            // A #date# (a default value) in its stored form.
            sql += token.text.size() > 2 && token.text.front() == '#' && token.text.back() == '#'
                ? dateLiteral(token.text)
                : token.text;
            break;
        default: sql += token.text;
        }
    }
    return sql;
}

}  // namespace kervane::sql
