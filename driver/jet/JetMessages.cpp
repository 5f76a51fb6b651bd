#include "driver/jet/JetMessages.h"

namespace kervane::jet {

std::string messageMissing(const std::string& path)
{
    return "Le fichier « " + path + " » est introuvable.";
}

std::string messageUnreadable(const std::string& path, const std::string& precision)
{
    std::string text = "Le fichier « " + path + " » n'est pas une base Access lisible";
    if (!precision.empty())
        text += " : " + precision;
    return text + ".";
}

std::string messageDamagedTable(const std::string& path, const std::string& table,
                                const std::string& precision)
{
    return "La table « " + table + " » du fichier « " + path + " » est endommagée : " + precision + ".";
}

std::string messageDamagedFile(const std::string& path, const std::string& where)
{
    return "Le fichier « " + path + " » est endommagé : " + where + ".";
}

std::string messageInterrupted(const std::string& table)
{
    return "La lecture de la table « " + table + " » a été interrompue.";
}

}  // namespace kervane::jet
