#pragma once
// The FROM clause of a stored query: its input tables (attribute 5) combined by its joins
// (attribute 7), as Access writes them.
#include "driver/jet/catalogue/JetQueryRow.h"

#include <string>
#include <vector>

namespace kervane::jet {

// One identifier (an alias, say) as Access writes it: in brackets when it holds anything but
// letters, digits and underscores.
std::string quotedIdentifier(const std::string& identifier);

// `name` as Access writes an identifier: in brackets when it holds anything but letters,
// digits and underscores, each part of a dotted name apart; parts already in brackets stay.
std::string quotedName(const std::string& name);

// The comma-separated items of the FROM clause: tables not joined, then each join tree.
// Two joins between the same tables make one join whose conditions are and-ed.
std::vector<std::string> fromSources(const std::vector<QueryRow>& tables, const std::vector<QueryRow>& joins);

}  // namespace kervane::jet
