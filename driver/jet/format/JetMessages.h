#pragma once
// The French texts the Jet reader reports, built in one place so that they stay alike.
#include <string>

namespace kervane::jet {

std::string messageMissing(const std::string& path);
// "Le fichier « X » n'est pas une base Access lisible." with an optional precision.
std::string messageUnreadable(const std::string& path, const std::string& precision = {});
// The file is open elsewhere for one connection alone, or (`exclusive` asked) open elsewhere.
std::string messageOpenedElsewhere(const std::string& path, bool exclusive);
std::string messageDamagedTable(const std::string& path, const std::string& table,
                                const std::string& precision);
// "Le fichier « X » est endommagé : <where>." for a damage found before any table is read.
std::string messageDamagedFile(const std::string& path, const std::string& where);
// A scan of `table` stopped because its statement was cancelled.
std::string messageInterrupted(const std::string& table);
// The reason behind a system error number, in French ("accès refusé", "le disque est plein"...).
std::string systemReason(int error);

}  // namespace kervane::jet
