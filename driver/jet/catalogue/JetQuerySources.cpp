#include "driver/jet/catalogue/JetQuerySources.h"

#include "driver/semantics/Characters.h"

#include <memory>

namespace kervane::jet {

namespace {

bool plainCharacter(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    // Bytes of UTF-8 sequences are letters of other alphabets, which need no brackets.
    return byte >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool bracketed(const std::string& part)
{
    return part.size() >= 2 && part.front() == '[' && part.back() == ']';
}

std::string quotedPart(const std::string& part)
{
    if (part.empty() || bracketed(part))
        return part;
    for (char c : part) {
        if (!plainCharacter(c))
            return "[" + part + "]";
    }
    return part;
}

const char* joinWords(int type)
{
    switch (type) {
    case 2: return " LEFT JOIN ";
    case 3: return " RIGHT JOIN ";
    default: return " INNER JOIN ";
    }
}

// A table, or a join of two sources.
struct Source {
    std::string key;   // a table: its alias, or its name
    std::string text;  // a table: as written in FROM
    std::unique_ptr<Source> left;
    std::unique_ptr<Source> right;
    int type = 0;
    std::vector<std::string> conditions;

    bool isJoin() const { return left != nullptr; }

    bool contains(const std::string& name) const
    {
        return isJoin() ? left->contains(name) || right->contains(name) : sql::equalIgnoringAsciiCase(key, name);
    }

    std::string render(bool topLevel) const
    {
        if (!isJoin())
            return text;
        std::string on = conditions.size() == 1 ? conditions[0] : "(" + conditions[0];
        for (std::size_t i = 1; i < conditions.size(); ++i)
            on += ") AND (" + conditions[i] + (i + 1 == conditions.size() ? ")" : "");
        const std::string join = left->render(false) + joinWords(type) + right->render(false) + " ON " + on;
        return topLevel ? join : "(" + join + ")";
    }
};

std::unique_ptr<Source> tableSource(const QueryRow& row)
{
    auto source = std::make_unique<Source>();
    // A table row with an expression is a query written in place: [SELECT ...]. AS alias.
    if (row.expression)
        source->text = (bracketed(*row.expression) ? *row.expression : "[" + *row.expression + "]") + ".";
    if (row.name1)
        source->text += quotedName(*row.name1);
    if (row.name2 && !row.name2->empty())
        source->text += " AS " + quotedPart(*row.name2);
    source->key = row.name2 && !row.name2->empty() ? *row.name2 : row.name1.value_or(std::string());
    return source;
}

std::unique_ptr<Source> namedSource(const std::string& name)
{
    auto source = std::make_unique<Source>();
    source->key = name;
    source->text = quotedName(name);
    return source;
}

using Sources = std::vector<std::unique_ptr<Source>>;

std::size_t holding(const Sources& sources, const std::string& name)
{
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (sources[i]->contains(name))
            return i;
    }
    return sources.size();
}

// Takes the source holding `name` out of the list, or makes one for a table not listed.
std::unique_ptr<Source> takeSource(Sources& sources, const std::string& name)
{
    const std::size_t at = holding(sources, name);
    if (at == sources.size())
        return namedSource(name);
    std::unique_ptr<Source> taken = std::move(sources[at]);
    sources.erase(sources.begin() + static_cast<long>(at));
    return taken;
}

void addJoin(Sources& sources, const QueryRow& row)
{
    const std::string leftName = row.name1.value_or(std::string());
    const std::string rightName = row.name2.value_or(std::string());
    const std::string condition = row.expression.value_or(std::string());
    const std::size_t leftAt = holding(sources, leftName);
    if (leftAt != sources.size() && leftAt == holding(sources, rightName) && sources[leftAt]->isJoin()) {
        // A further condition between tables already joined: Access lists the last one first.
        auto& conditions = sources[leftAt]->conditions;
        conditions.insert(conditions.begin(), condition);
        return;
    }
    auto join = std::make_unique<Source>();
    join->left = takeSource(sources, leftName);
    join->right = takeSource(sources, rightName);
    join->type = row.flag;
    join->conditions.push_back(condition);
    sources.push_back(std::move(join));
}

}  // namespace

std::string quotedIdentifier(const std::string& identifier)
{
    return quotedPart(identifier);
}

std::string quotedName(const std::string& name)
{
    std::string text;
    std::string part;
    int depth = 0;
    for (char c : name) {
        if (c == '.' && depth == 0) {
            text += quotedPart(part) + ".";
            part.clear();
            continue;
        }
        depth += c == '[' ? 1 : c == ']' && depth > 0 ? -1 : 0;
        part += c;
    }
    return text + quotedPart(part);
}

std::vector<std::string> fromSources(const std::vector<QueryRow>& tables, const std::vector<QueryRow>& joins)
{
    Sources sources;
    for (const QueryRow& row : tables)
        sources.push_back(tableSource(row));
    for (const QueryRow& row : joins)
        addJoin(sources, row);
    std::vector<std::string> texts;
    for (const auto& source : sources)
        texts.push_back(source->render(true));
    return texts;
}

}  // namespace kervane::jet
