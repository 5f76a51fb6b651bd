#include "driver/handles/ConnectionString.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace kervane::odbc {

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
}

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

}  // namespace

Attributes parseConnectionString(std::string_view text)
{
    Attributes attributes;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto equal = text.find('=', i);
        if (equal == std::string_view::npos)
            break;
        const std::string key(trimmed(text.substr(i, equal - i)));
        std::size_t start = equal + 1;
        while (start < text.size() && text[start] == ' ')
            ++start;
        std::string value;
        if (start < text.size() && text[start] == '{') {
            // Braced value: may hold ';', "}}" stands for "}"
            std::size_t j = start + 1;
            while (j < text.size()) {
                if (text[j] == '}' && j + 1 < text.size() && text[j + 1] == '}') {
                    value.push_back('}');
                    j += 2;
                } else if (text[j] == '}') {
                    ++j;
                    break;
                } else {
                    value.push_back(text[j++]);
                }
            }
            const auto semicolon = text.find(';', j);
            i = semicolon == std::string_view::npos ? text.size() : semicolon + 1;
        } else {
            const auto semicolon = text.find(';', start);
            const auto end = semicolon == std::string_view::npos ? text.size() : semicolon;
            value = std::string(trimmed(text.substr(start, end - start)));
            i = end + 1;
        }
        if (!key.empty() && !attributes.contains(key))
            attributes.emplace(key, value);
    }
    return attributes;
}

std::string formatConnectionString(const Attributes& attributes)
{
    std::string text;
    for (const auto& [key, value] : attributes) {
        text.append(key).append("=");
        if (value.find_first_of(";{}") != std::string::npos || value != trimmed(value)) {
            text.append("{");
            for (const char c : value) {
                text.push_back(c);
                if (c == '}')
                    text.push_back('}');
            }
            text.append("}");
        } else {
            text.append(value);
        }
        text.append(";");
    }
    return text;
}

std::string dataSourceValue(const std::string& dataSource, const char* keyword)
{
    std::vector<char> buffer(4096, '\0');
    const int length = SQLGetPrivateProfileString(dataSource.c_str(), keyword, "", buffer.data(),
                                                  static_cast<int>(buffer.size()), "odbc.ini");
    if (length <= 0)
        return {};
    return std::string(buffer.data());
}

std::string dataSourceFile(const std::string& dataSource)
{
    return dataSourceValue(dataSource, "DBQ");
}

bool exclusiveAsked(const Attributes& attributes, const std::string& dataSource)
{
    const auto given = attributes.find("Exclusive");
    const std::string value = given != attributes.end() ? given->second
                              : dataSource.empty()      ? std::string()
                                                        : dataSourceValue(dataSource, "Exclusive");
    return value == "1";
}

}  // namespace kervane::odbc
