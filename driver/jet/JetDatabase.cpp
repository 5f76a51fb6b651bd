#include "driver/jet/JetDatabase.h"

#include <fstream>

namespace kervane::jet {

bool isJetFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char header[19] = {};
    if (!file.read(header, sizeof header))
        return false;
    return std::string(header + 4, 15) == "Standard Jet DB";
}

bool attachJetDatabase(sqlite3*, const std::string& path, std::string& errorMessage)
{
    errorMessage = "Le fichier « " + path + " » n'est pas une base Access lisible.";
    return false;
}

}  // namespace kervane::jet
