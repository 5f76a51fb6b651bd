#pragma once

#include <string>

// The French texts the Jet reader reports, built in one place so that they stay alike.
namespace kervane::jet {

std::string messageMissing(const std::string& path);
// "Le fichier « X » n'est pas une base Access lisible." with an optional precision.
std::string messageUnreadable(const std::string& path, const std::string& precision = {});
std::string messageDamagedTable(const std::string& path, const std::string& table,
                                const std::string& precision);

}  // namespace kervane::jet
