#pragma once
// What the open dialog needs of the current query window.
#include <QString>

namespace kervane {

// The database path of the current query window; empty while no query window is open.
QString cheminFenetreCourante();

}  // namespace kervane
