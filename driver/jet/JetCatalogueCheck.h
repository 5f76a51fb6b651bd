#pragma once

#include <cstddef>
#include <string>

// The catalogue (MSysObjects) read row by row as libmdb's catalogue reader will read it, with
// the properties of every table entry checked before libmdb follows them.
namespace kervane::jet {

class JetFile;

// False with a French message naming the table and the page when the properties of a table
// entry would make libmdb loop or read outside them. `tableEntries` receives the number of
// table entries libmdb will hold. A catalogue libmdb cannot read at all passes: libmdb
// refuses it by itself, cleanly.
bool checkCatalogue(JetFile& file, std::size_t& tableEntries, std::string& error);

}  // namespace kervane::jet
