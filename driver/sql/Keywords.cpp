// The words the Access SQL grammar looks for, found without regard to case.
#include "driver/sql/Lexer.h"

#include <algorithm>
#include <array>

namespace kervane::sql {
namespace {

struct KeywordEntry {
    std::string_view upper;
    Keyword keyword;
    bool reserved;
};

// Sorted by name for a binary search. Words that only open a statement (CREATE, CALL...) and
// the sort directions stay usable as names; so do PERCENT and OWNERACCESS, read only where
// they may stand.
constexpr std::array<KeywordEntry, 70> KEYWORDS = {{
    {"ALIKE", Keyword::Alike, true},         {"ALL", Keyword::All, true},
    {"ALTER", Keyword::Alter, false},        {"AND", Keyword::And, true},
    {"AS", Keyword::As, true},               {"ASC", Keyword::Asc, false},
    {"BEGIN", Keyword::Begin, false},        {"BETWEEN", Keyword::Between, true},
    {"BY", Keyword::By, true},               {"CALL", Keyword::Call, false},
    {"CASE", Keyword::Case, true},           {"COMMIT", Keyword::Commit, false},
    {"CREATE", Keyword::Create, false},      {"DELETE", Keyword::Delete, true},
    {"DESC", Keyword::Desc, false},          {"DISTINCT", Keyword::Distinct, true},
    {"DISTINCTROW", Keyword::DistinctRow, true}, {"DROP", Keyword::Drop, false},
    {"ELSE", Keyword::Else, true},           {"END", Keyword::End, true},
    {"EQV", Keyword::Eqv, true},             {"EXEC", Keyword::Exec, false},
    {"EXECUTE", Keyword::Execute, false},    {"EXISTS", Keyword::Exists, true},
    {"FALSE", Keyword::False, true},         {"FROM", Keyword::From, true},
    {"GRANT", Keyword::Grant, false},        {"GROUP", Keyword::Group, true},
    {"HAVING", Keyword::Having, true},       {"IMP", Keyword::Imp, true},
    {"IN", Keyword::In, true},               {"INNER", Keyword::Inner, true},
    {"INSERT", Keyword::Insert, true},       {"INTO", Keyword::Into, true},
    {"IS", Keyword::Is, true},               {"JOIN", Keyword::Join, true},
    {"LEFT", Keyword::Left, true},           {"LIKE", Keyword::Like, true},
    {"MOD", Keyword::Mod, true},             {"NO", Keyword::No, true},
    {"NOT", Keyword::Not, true},             {"NULL", Keyword::Null, true},
    {"OFF", Keyword::Off, true},             {"ON", Keyword::On, true},
    {"OPTION", Keyword::Option, false},      {"OR", Keyword::Or, true},
    {"ORDER", Keyword::Order, true},         {"OUTER", Keyword::Outer, true},
    {"OWNERACCESS", Keyword::OwnerAccess, false}, {"PARAMETERS", Keyword::Parameters, false},
    {"PERCENT", Keyword::Percent, false},    {"PIVOT", Keyword::Pivot, true},
    {"REVOKE", Keyword::Revoke, false},      {"RIGHT", Keyword::Right, true},
    {"ROLLBACK", Keyword::Rollback, false},  {"SELECT", Keyword::Select, true},
    {"SET", Keyword::Set, true},             {"TABLE", Keyword::Table, false},
    {"THEN", Keyword::Then, true},           {"TOP", Keyword::Top, true},
    {"TRANSFORM", Keyword::Transform, true}, {"TRUE", Keyword::True, true},
    {"UNION", Keyword::Union, true},         {"UPDATE", Keyword::Update, true},
    {"VALUES", Keyword::Values, true},       {"WHEN", Keyword::When, true},
    {"WHERE", Keyword::Where, true},         {"WITH", Keyword::With, true},
    {"XOR", Keyword::Xor, true},             {"YES", Keyword::Yes, true},
}};

constexpr bool sortedByName()
{
    for (std::size_t i = 1; i < KEYWORDS.size(); ++i) {
        if (!(KEYWORDS[i - 1].upper < KEYWORDS[i].upper))
            return false;
    }
    return true;
}
static_assert(sortedByName(), "keywords must stay sorted");
static_assert(static_cast<std::size_t>(Keyword::Yes) == KEYWORDS.size(), "one entry for each keyword");

const KeywordEntry* findEntry(std::string_view word)
{
    constexpr std::size_t LONGEST = 11;  // DISTINCTROW, OWNERACCESS
    if (word.empty() || word.size() > LONGEST)
        return nullptr;
    std::array<char, LONGEST> buffer{};
    for (std::size_t i = 0; i < word.size(); ++i) {
        const char c = word[i];
        buffer[i] = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    const std::string_view upper(buffer.data(), word.size());
    const auto found = std::lower_bound(KEYWORDS.begin(), KEYWORDS.end(), upper,
                                        [](const KeywordEntry& entry, std::string_view key) { return entry.upper < key; });
    return found != KEYWORDS.end() && found->upper == upper ? &*found : nullptr;
}

}  // namespace

Keyword keywordOf(std::string_view word)
{
    const KeywordEntry* entry = findEntry(word);
    return entry != nullptr ? entry->keyword : Keyword::None;
}

bool isReserved(Keyword keyword)
{
    static const std::array<bool, KEYWORDS.size() + 1> reserved = [] {
        std::array<bool, KEYWORDS.size() + 1> table{};
        for (const KeywordEntry& entry : KEYWORDS)
            table[static_cast<std::size_t>(entry.keyword)] = entry.reserved;
        return table;
    }();
    return reserved[static_cast<std::size_t>(keyword)];
}

}  // namespace kervane::sql
