#pragma once
// Rebuilding the Access SQL of a stored query from its MSysQueries rows.
#include "driver/jet/catalogue/JetQueries.h"
#include "driver/jet/catalogue/JetQueryRow.h"

#include <optional>
#include <string>
#include <vector>

namespace kervane::jet {

// The kind of a query from its MSysObjects Flags, or, when they say "select", from the Flag of
// its kind row; nothing for the kinds StoredQuery does not list.
std::optional<StoredQuery::Kind> queryKind(int objectFlags, int rowFlag);

// The Flag of the kind row (attribute 1), 0 without one.
int kindRowFlag(const std::vector<QueryRow>& rows);

// The query's Access SQL; rows may come in any order.
std::string queryText(StoredQuery::Kind kind, std::vector<QueryRow> rows);

// The declared parameter names, in order.
std::vector<std::string> queryParameters(const std::vector<QueryRow>& rows);

}  // namespace kervane::jet
