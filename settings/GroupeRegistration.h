#pragma once
// Module_SYS: one logical operation on the registry made of many reads and writes (a list
// rewritten whole), written to each hive file once.
#include <QString>
#include <functional>

namespace kervane {

// Runs travail, whose registry procedures answer as usual, as one operation: the hives it
// touches stay locked from their first use to its end, so that no other program writes in
// between; its changes reach each hive file in one atomic rewrite at its end, or not at all
// when travail throws. The messages of its failures show once the hives are unlocked. A
// rewrite that fails is reported as a value that cannot be set in the first key changed,
// under strProcedure. Returns what travail returns, false when its changes were not written.
// A group run inside another joins it.
bool SYS_GrouperRegistration(const QString& strProcedure, const std::function<bool()>& travail);

}  // namespace kervane
