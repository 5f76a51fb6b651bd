// Used only while the Jet reader is not built: Access files are refused cleanly.
#include "driver/JetBridge.h"
#include "driver/SqliteErrors.h"

namespace kervane::odbc {

bool attachJet(sqlite3*, const std::string& path, std::string& errorMessage)
{
    errorMessage = "La base Access " + quoted(path) + " ne peut pas être lue : lecteur Access absent de ce pilote.";
    return false;
}

}  // namespace kervane::odbc
