#pragma once
// Access's "General" text order, the one order used by comparisons, ORDER BY, GROUP BY,
// DISTINCT, LIKE ranges and index keys.
//
// - Case never matters, in any script: 'dupont' = 'DUPONT', 'ωμέγα' = 'ΩΜΈΓΑ', 'жук' = 'ЖУК'
//   (every character weighs as its Unicode simple case fold).
// - Letters weigh by their base letter first; accents count only when the base letters of the
//   whole texts are equal, compared left to right: e < é < è < ê < ë < f, c < ç < d.
// - Ligatures weigh as their letters: æ = "ae", œ = "oe", ß = "ss" (an accent-level mark keeps
//   them distinct from the spelled-out form). Ø/ø sort after Z, as Access lists them.
// - Spaces and punctuation come before digits, digits before letters, and every other
//   character after the Latin letters, by the code point of its case fold.
// Texts are UTF-8; a byte that does not start a valid sequence counts as the code point of
// its own value (Latin-1), so no text is ever refused.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;

namespace kervane::sql {

// Name of the SQLite collation ("... COLLATE ACCESS").
inline constexpr char ACCESS_COLLATION[] = "ACCESS";

// < 0, 0 or > 0 as a sorts before, with, or after b. Allocates nothing.
int compareAccessText(std::string_view a, std::string_view b);

// A byte string whose memcmp order is the order of compareAccessText; two texts have equal
// keys exactly when they compare equal.
std::string accessSortKey(std::string_view text);

// Registers the collation ACCESS_COLLATION on the connection.
void registerAccessCollation(sqlite3* db);

// The weight of one character: two characters compare under the Access order as their weights
// compare as numbers, and are equal under it exactly when their weights are equal.
std::uint64_t accessCharacterWeight(char32_t c);

// Reads the code point at text[pos] and moves pos past it (one byte for an invalid sequence,
// whose value is then the byte's own). pos must be < text.size().
char32_t nextCodePoint(std::string_view text, std::size_t& pos);

}  // namespace kervane::sql
