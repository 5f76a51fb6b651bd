#pragma once
// The database password of an Access 97 to 2003 file (Jet 3 and Jet 4), which its header page
// keeps under the header's mask: 20 bytes in the file's code page for Jet 3, 20 UTF-16 units for
// Jet 4, those hidden once more under the creation date's whole part.
#include <cstddef>
#include <string>

namespace kervane::jet {

// Access's longest database password, in characters.
constexpr std::size_t kLongestPassword = 20;

// The password the header page (its first `size` bytes) of a Jet 3 or Jet 4 file holds, in
// UTF-8, into `password`: empty when the file has none. False when the header is no Jet 3 or
// Jet 4 one. The bytes it went through on the way are overwritten.
bool databasePassword(const unsigned char* header, std::size_t size, std::string& password);

// Whether `given` opens a file whose password is `stored`: the same characters, case included.
bool passwordMatches(const std::string& stored, const std::string& given);

// Writes `password` (empty: none) into the header page `header` (a whole page) of a Jet 3 or
// Jet 4 file; false with a French message, the page unchanged, when the password is longer than
// Access takes or holds a character the file cannot store.
bool setDatabasePassword(unsigned char* header, std::size_t size, const std::string& password, std::string& error);

}  // namespace kervane::jet
