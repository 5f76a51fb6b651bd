#include "driver/base/JetBridge.h"

#include "driver/jet/catalogue/JetQueries.h"
#include "driver/jet/module/JetDatabase.h"

namespace kervane::odbc {
namespace {

using QueryKind = jet::StoredQuery::Kind;

std::string kindInWords(QueryKind kind)
{
    switch (kind) {
    case QueryKind::Select: return "sélection";
    case QueryKind::Union: return "union";
    case QueryKind::Crosstab: return "analyse croisée";
    case QueryKind::MakeTable: return "création de table";
    case QueryKind::Append: return "ajout";
    case QueryKind::Update: return "mise à jour";
    case QueryKind::Delete: return "suppression";
    case QueryKind::DataDefinition: return "définition de données";
    case QueryKind::PassThrough: return "SQL direct";
    }
    return "action";
}

}  // namespace

bool attachJet(sqlite3* db, const std::string& path, std::string& errorMessage,
               std::vector<StoredQueryText>& queries, jet::JetFile*& opened, bool exclusive,
               const jet::JetPageCipher& encryption)
{
    std::vector<jet::StoredQuery> stored;
    if (!jet::attachJetDatabase(db, path, errorMessage, &stored, &opened, exclusive, encryption))
        return false;
    for (jet::StoredQuery& query : stored) {
        // Queries named "~sq_..." are the hidden sources of forms and reports, not the user's.
        if (query.name.starts_with('~'))
            continue;
        const bool selects = query.kind == QueryKind::Select || query.kind == QueryKind::Union || query.kind == QueryKind::Crosstab;
        queries.push_back(StoredQueryText{std::move(query.name), std::move(query.sql), selects,
                                          kindInWords(query.kind), std::move(query.parameters)});
    }
    return true;
}

}  // namespace kervane::odbc
