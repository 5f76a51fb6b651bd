#include "driver/JetBridge.h"

#include "driver/jet/JetDatabase.h"

namespace kervane::odbc {

bool attachJet(sqlite3* db, const std::string& path, std::string& errorMessage)
{
    return jet::attachJetDatabase(db, path, errorMessage);
}

}  // namespace kervane::odbc
