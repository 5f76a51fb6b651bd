#pragma once
// The text of a hive file, as a Windows .reg export writes it ("REGEDIT4", one section per
// key, "name"="text", "name"=dword:0000001e, "name"=hex(1):.. for texts with control
// characters), UTF-8.
#include "platform/Hive.h"

#include <QByteArray>
#include <optional>

namespace kervane {

QByteArray serializeHive(const Hive& ruche);
// The hive the text describes; nothing when the text is not a well-formed hive file.
std::optional<Hive> parseHive(const QByteArray& contenu);

}  // namespace kervane
