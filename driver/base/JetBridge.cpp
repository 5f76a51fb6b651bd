#include "driver/base/JetBridge.h"

#include "driver/jet/catalogue/JetQueries.h"
#include "driver/jet/module/JetDatabase.h"

namespace kervane::odbc {
namespace {

using Kind = jet::StoredQuery::Kind;

std::string kindInWords(Kind kind)
{
    switch (kind) {
    case Kind::Select: return "sélection";
    case Kind::Union: return "union";
    case Kind::Crosstab: return "analyse croisée";
    case Kind::MakeTable: return "création de table";
    case Kind::Append: return "ajout";
    case Kind::Update: return "mise à jour";
    case Kind::Delete: return "suppression";
    case Kind::DataDefinition: return "définition de données";
    case Kind::PassThrough: return "SQL direct";
    }
    return "action";
}

}  // namespace

bool attachJet(sqlite3* db, const std::string& path, std::string& errorMessage,
               std::vector<StoredQueryText>& queries, jet::JetFile*& opened)
{
    std::vector<jet::StoredQuery> stored;
    if (!jet::attachJetDatabase(db, path, errorMessage, &stored, &opened))
        return false;
    for (jet::StoredQuery& query : stored) {
        // Queries named "~sq_..." are the hidden sources of forms and reports, not the user's.
        if (query.name.starts_with('~'))
            continue;
        const bool selects = query.kind == Kind::Select || query.kind == Kind::Union || query.kind == Kind::Crosstab;
        queries.push_back(StoredQueryText{std::move(query.name), std::move(query.sql), selects,
                                          kindInWords(query.kind), std::move(query.parameters)});
    }
    return true;
}

}  // namespace kervane::odbc
