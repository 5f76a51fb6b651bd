#pragma once
// The Access SQL front end's own cost: translating a statement, and parsing a long one.
#include <string>

namespace kervane::banc {

// Seconds to translate accessSql once (best of many), with the catalogue of the base at path.
double translationSeconds(const std::string& path, const std::string& accessSql);
// An Access SQL statement of about `bytes` bytes over the benchmark table.
std::string longStatement(std::size_t bytes);
// Seconds to parse statement once (best of many).
double parseSeconds(const std::string& statement);

}  // namespace kervane::banc
