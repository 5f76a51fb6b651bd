// Statements of definition (CREATE, DROP, ALTER...), handed to SQLite nearly as written.
#include "driver/sql/DateText.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"

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
