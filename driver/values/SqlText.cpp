#include "driver/values/SqlText.h"

#include <cctype>

namespace kervane::odbc {
namespace {

// Position of the first character that is not a space, a semicolon or part of a comment.
std::string_view::size_type skipBlank(std::string_view sql)
{
    std::string_view::size_type i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ';') {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            const auto end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.substr(i, 2) == "/*") {
            const auto end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    return i;
}

bool startsWithWord(std::string_view text, std::string_view word)
{
    if (text.size() < word.size())
        return false;
    for (std::string_view::size_type i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i])
            return false;
    return text.size() == word.size() || !std::isalnum(static_cast<unsigned char>(text[word.size()]));
}

}  // namespace

bool isBlank(std::string_view sql)
{
    return skipBlank(sql) >= sql.size();
}

bool changesRows(std::string_view sql)
{
    const std::string_view text = sql.substr(skipBlank(sql));
    return startsWithWord(text, "INSERT") || startsWithWord(text, "UPDATE") || startsWithWord(text, "DELETE")
        || startsWithWord(text, "REPLACE");
}

}  // namespace kervane::odbc
