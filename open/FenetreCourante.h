#pragma once
// What the open dialog needs of the current query window.
#include <QString>

namespace kervane {

// The path the open dialog starts on: the current query window's database, or the
// "Base source" database while no query window is open.
QString cheminFenetreCourante();

}  // namespace kervane
