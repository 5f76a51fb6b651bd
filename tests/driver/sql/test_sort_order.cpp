// Case folding and the Access text order: documented orderings, sort keys that agree with it,
// texts that are not valid UTF-8, and the ACCESS collation at work in SQLite queries.
#include "FunctionTestSupport.h"

#include "driver/semantics/CaseFolding.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace kervane::sql {
namespace {

std::string utf8(char32_t c) { return QString::fromUcs4(&c, 1).toStdString(); }

int signOf(int value) { return (value > 0) - (value < 0); }

int keyOrder(std::string_view a, std::string_view b)
{
    const std::string keyA = accessSortKey(a), keyB = accessSortKey(b);
    return signOf(keyA.compare(keyB));
}

// Every pair of an ascending chain written as the documentation writes it, "A = a < À = à < B",
// both ways, through the comparison and through the sort keys. The separators are " < " and
// " = ", so a text may hold a single space ("a b < a0").
void expectChain(const std::string& chain)
{
    std::vector<std::pair<std::string, int>> links;  // each text and its rank, shared by equal texts
    const std::regex separator(" ([<=]) ");
    std::size_t start = 0;
    int rank = 0;
    for (std::sregex_iterator it(chain.begin(), chain.end(), separator), end; it != end; ++it) {
        links.emplace_back(chain.substr(start, it->position() - start), rank);
        rank += (*it)[1] == "<";
        start = it->position() + it->length();
    }
    links.emplace_back(chain.substr(start), rank);
    for (const auto& [a, rankA] : links) {
        for (const auto& [b, rankB] : links) {
            EXPECT_EQ(signOf(compareAccessText(a, b)), signOf(rankA - rankB)) << a << " vs " << b;
            EXPECT_EQ(keyOrder(a, b), signOf(rankA - rankB)) << "keys of " << a << " vs " << b;
        }
    }
}

TEST(SortOrderFacts, DocumentedAndStatedChains)
{
    for (const char* chain : {
             "A = a < À = à < B = b < E = e < Ê = ê < Z = z < Ø = ø",  // VBA Like, text comparison
             "abc = ABC", "dupont = DUPONT = Dupont", "e < é = É < è = È < ê = Ê < f", "c < ç = Ç < d",
             "Divers < Éclairage < Électricité < Jardin < Sécurité",
             // Accents weigh only when the base letters of the whole texts are equal, left to right.
             "ea < éa < eb", "cote < coté < côte < côté",
             // Ligatures weigh as their two letters.
             "Cadix < Cæsar < Cafard", "Oeil < Œuvre = œuvre < Ofrande", "Strasburg < Straße < Strasst",
             // Spaces and punctuation, then digits, then letters, then everything else.
             "a b < a0 < a9 < aa", "a-b < a0", "a.b < a0", "a'b < a0", "Zurich < Ωmega < Жук",
             // Within Greek and Cyrillic, the alphabet's order whatever the case.
             "α = Α < β = Β < γ = Γ < π = Π < ω = Ω", "а = А < б = Б < ж = Ж < я = Я", "ÿ < z < α"})
        expectChain(chain);
}

TEST(SortOrderFacts, AccentedLettersSitBetweenTheirBaseAndTheNextLetter)
{
    struct Accented {
        const char *lower, *upper;
        char base;
    };
    const Accented letters[] = {
        {"é", "É", 'e'}, {"è", "È", 'e'}, {"ê", "Ê", 'e'}, {"ë", "Ë", 'e'}, {"à", "À", 'a'}, {"â", "Â", 'a'},
        {"ä", "Ä", 'a'}, {"î", "Î", 'i'}, {"ï", "Ï", 'i'}, {"ô", "Ô", 'o'}, {"ö", "Ö", 'o'}, {"ù", "Ù", 'u'},
        {"û", "Û", 'u'}, {"ü", "Ü", 'u'}, {"ÿ", "Ÿ", 'y'}, {"ç", "Ç", 'c'}, {"ñ", "Ñ", 'n'}, {"å", "Å", 'a'},
        {"ã", "Ã", 'a'}, {"õ", "Õ", 'o'}, {"á", "Á", 'a'}, {"í", "Í", 'i'}, {"ó", "Ó", 'o'}, {"ú", "Ú", 'u'},
        {"ý", "Ý", 'y'}, {"ł", "Ł", 'l'}, {"ž", "Ž", 'z'}, {"ő", "Ő", 'o'}, {"ğ", "Ğ", 'g'}, {"ę", "Ę", 'e'},
    };
    for (const Accented& letter : letters) {
        const std::string base(1, letter.base), upperBase(1, char(letter.base - 'a' + 'A'));
        const std::string next = letter.base == 'z' ? "α" : std::string(1, char(letter.base + 1));
        expectChain(base + " = " + upperBase + " < " + letter.lower + " = " + letter.upper + " < " + next);
    }
}

// Unicode simple case folding: every code point folds as Qt's own Unicode tables fold it (an
// independent reading of the same CaseFolding.txt).
TEST(CaseFolding, AgreesWithQtForEveryCodePoint)
{
    int differences = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        const char32_t expected = QChar::toCaseFolded(c);
        if (foldCase(c) != expected && ++differences <= 20)
            ADD_FAILURE() << std::hex << "U+" << std::uint32_t(c) << " folds to U+" << std::uint32_t(foldCase(c))
                          << ", Qt gives U+" << std::uint32_t(expected);
    }
    EXPECT_EQ(differences, 0);
}


// A character and its case fold (Qt's Unicode tables) weigh alike, through the comparison and
// through the sort keys.
TEST(SortOrderFacts, EveryCharacterWeighsAsItsCaseFold)
{
    int differences = 0;
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        const char32_t folded = QChar::toCaseFolded(c);
        if (folded == c || (c >= 0xD800 && c <= 0xDFFF))
            continue;
        const std::string text = utf8(c), foldedText = utf8(folded);
        if ((compareAccessText(text, foldedText) != 0 || accessSortKey(text) != accessSortKey(foldedText))
            && ++differences <= 20)
            ADD_FAILURE() << std::hex << "U+" << std::uint32_t(c) << " and U+" << std::uint32_t(folded);
    }
    EXPECT_EQ(differences, 0);
}

TEST(SortOrderKeys, AgreeWithTheComparisonOnAShuffledList)
{
    std::vector<std::string> texts = {
        "", " ", "!", "0", "9", "²", "a", "A", "aa", "ab", "àb", "Àa", "æ", "ae", "AE", "af", "ß", "ss", "st",
        "Éclairage", "Électricité", "electricite", "Jardin", "jardin ", "Sécurité", "securite", "€", "«", "zz",
        "ø", "þ", "Ω", "日本", "😀", "a\xE9", "\xC3", "\xF0\x9F", "\xED\xA0\x80", "a", "œuvre", "oeuvre",
    };
    texts.push_back(std::string("a\0b", 3));
    std::mt19937 random(20240517);
    std::shuffle(texts.begin(), texts.end(), random);

    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            const int order = signOf(compareAccessText(a, b));
            EXPECT_EQ(order, -signOf(compareAccessText(b, a))) << a << " / " << b;
            EXPECT_EQ(keyOrder(a, b), order) << a << " / " << b;
        }
    }
    std::vector<std::string> byKey = texts, byComparison = texts;
    std::stable_sort(byKey.begin(), byKey.end(),
                     [](const std::string& a, const std::string& b) { return accessSortKey(a) < accessSortKey(b); });
    std::stable_sort(byComparison.begin(), byComparison.end(),
                     [](const std::string& a, const std::string& b) { return compareAccessText(a, b) < 0; });
    EXPECT_EQ(byKey, byComparison);
}

TEST(SortOrderKeys, InvalidUtf8CountsAsItsBytes)
{
    // A lone byte is read as the Latin-1 character of that value.
    EXPECT_EQ(compareAccessText("\xE9t\xE9", "été"), 0);
    EXPECT_EQ(accessSortKey("\xE9t\xE9"), accessSortKey("ÉTÉ"));
    const char* const broken[] = {"\xC3", "a\xC3", "\xE2\x82", "\xF0\x9F\x98", "\xC0\xAF", "\xED\xA0\x80", "\xFF\xFE",
                                  "\x80\x80\x80", "\xF5\x80\x80\x80"};
    for (const char* text : broken) {
        EXPECT_EQ(compareAccessText(text, text), 0) << text;
        EXPECT_FALSE(accessSortKey(text).empty());
        EXPECT_LT(compareAccessText("", text), 0);
    }
    std::size_t pos = 0;
    EXPECT_EQ(nextCodePoint("\xE2\x82", pos), char32_t(0xE2));
    EXPECT_EQ(pos, 1u);
}

// The ACCESS collation on a column of t, beside a plain column holding the same texts.
class SortOrderSqlite : public SqliteTest {
protected:
    void insert(const std::vector<std::string>& names)
    {
        execute("CREATE TABLE IF NOT EXISTS t(name TEXT COLLATE ACCESS, plain TEXT)");
        for (const std::string& name : names)
            execute("INSERT INTO t VALUES ('" + name + "', '" + name + "')");
    }
};

TEST_F(SortOrderSqlite, OrderByPutsAccentedInitialsBesideTheirLetter)
{
    insert({"Sécurité", "Jardin", "Électricité", "Divers", "Éclairage"});
    const Rows expected = {"'Divers'", "'Éclairage'", "'Électricité'", "'Jardin'", "'Sécurité'"};
    EXPECT_EQ(rows("SELECT name FROM t ORDER BY name"), expected);
    EXPECT_EQ(rows("SELECT plain FROM t ORDER BY plain COLLATE ACCESS"), expected);
    EXPECT_EQ(rows("SELECT MIN(name), MAX(name) FROM t"), Rows{"'Divers'|'Sécurité'"});
}

TEST_F(SortOrderSqlite, GroupByAndDistinctIgnoreCaseButNotAccents)
{
    insert({"dupont", "DUPONT", "Dupont", "Dupönt", "e", "E", "é"});
    EXPECT_EQ(rows("SELECT COUNT(*) FROM t GROUP BY name ORDER BY name"), (Rows{"3", "1", "2", "1"}));
    EXPECT_EQ(rows("SELECT COUNT(DISTINCT plain COLLATE ACCESS) FROM t"), Rows{"4"});
    EXPECT_EQ(rows("SELECT COUNT(*) FROM (SELECT DISTINCT name FROM t)"), Rows{"4"});
}

TEST_F(SortOrderSqlite, ComparisonsUseTheCollation)
{
    EXPECT_EQ(rows("SELECT 'dupont' = 'DUPONT' COLLATE ACCESS, 'e' = 'é' COLLATE ACCESS, "
                   "'é' < 'f' COLLATE ACCESS, 'ç' BETWEEN 'c' AND 'd' COLLATE ACCESS"),
              Rows{"1|0|1|1"});
    insert({"f", "ê", "é", "è"});
    EXPECT_EQ(rows("SELECT MIN(name), MAX(name) FROM t"), Rows{"'é'|'f'"});
    EXPECT_EQ(rows("SELECT plain FROM t WHERE name = 'È'"), Rows{"'è'"});
}

}  // namespace
}  // namespace kervane::sql
