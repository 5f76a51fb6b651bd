#pragma once
// Hands a Jet file to the Jet reader, which declares its tables in db and gives back the
// file's stored queries.
#include "driver/jet/format/JetPageCipher.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace kervane::jet {
class JetFile;
}

namespace kervane::odbc {

struct StoredQueryText {
    std::string name;
    std::string sql;         // Access SQL
    bool selects = true;     // a select, union or crosstab query, which becomes a view
    std::string kind;        // the kind in words, for messages ("mise à jour", "ajout"...)
    std::vector<std::string> parameters;
};

// `opened` receives the file, owned by db (its catalogue functions read the file's indexes).
// `encryption`: the cipher an encrypted file's password opened.
bool attachJet(sqlite3* db, const std::string& path, std::string& errorMessage,
               std::vector<StoredQueryText>& queries, jet::JetFile*& opened, bool exclusive = false,
               const jet::JetPageCipher& encryption = {});

}  // namespace kervane::odbc
