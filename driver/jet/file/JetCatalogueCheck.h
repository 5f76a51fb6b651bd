#pragma once
// The catalogue (MSysObjects) read once, row by row, with the properties of every table entry
// checked on the way, since a damaged chain of them can make libmdb loop or read outside them.
#include <cstdint>
#include <string>
#include <vector>

namespace kervane::jet {

class JetFile;

// An object of the catalogue the reader keeps: a table or a stored query.
struct CatalogueObject {
    std::string name;
    std::int64_t id = 0;  // for a table, its low 24 bits are the page of its definition
    int type = 0;         // kTableObject or kQueryObject
    std::int64_t flags = 0;
    // The pages holding the pieces of its design properties kept outside its catalogue row,
    // which the reading of the catalogue checked.
    std::vector<std::uint32_t> propertyPages;
};
using Catalogue = std::vector<CatalogueObject>;

constexpr int kTableObject = 1;
constexpr int kQueryObject = 5;

// A table the driver lists (not one whose name SQLite keeps for itself), and its definition's
// first page (the low 24 bits of its Id).
bool listedTable(const CatalogueObject& object);
std::uint32_t definitionPageOf(const CatalogueObject& object);
// The same for a table's Id as a catalogue row holds it.
std::uint32_t definitionPageOfId(std::int64_t id);
// A table Access keeps for itself: flagged so in the catalogue, or named MSys….
bool isSystemObject(const CatalogueObject& object);

// Every table and query of the catalogue, in its order. False with a French message naming
// the table and the page when the properties of a table entry would make libmdb loop or read
// outside them, or when MSysObjects cannot be read at all.
bool readCatalogue(JetFile& file, Catalogue& catalogue, std::string& error);

// The design properties (the LvProp value) of the table whose definition starts on
// `definitionPage`, checked as readCatalogue() checks them; empty when it has none. False with
// a French message as readCatalogue().
bool tablePropertyBytes(JetFile& file, std::uint32_t definitionPage, std::vector<unsigned char>& bytes,
                        std::string& error);

}  // namespace kervane::jet
