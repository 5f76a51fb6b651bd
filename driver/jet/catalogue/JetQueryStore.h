#pragma once
// Stored queries written into and removed from a Jet 3 or Jet 4 file as Access does it, within
// the pages of a transaction: the query's row in MSysObjects (Type 5, in the "Tables"
// container whose names it shares, numbered after the file's last object of that kind) and its
// rows in MSysQueries (ObjectId the query's Id).
#include "driver/jet/catalogue/JetQueryDesign.h"

#include <string>

namespace kervane::jet {

class JetPages;

// Records `query`; false with a French message when its name is taken or the catalogue cannot
// take it (the pages then to be rolled back by the caller).
bool createQuery(JetPages& pages, const JetNewQuery& query, std::string& error);

// Removes the query named `name` and its rows; false with a French message when there is none
// (a table of that name included).
bool dropQuery(JetPages& pages, const std::string& name, std::string& error);

}  // namespace kervane::jet
