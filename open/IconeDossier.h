#pragma once
// The image of the "Acceder" key: a small folder, drawn by code.
#include <QIcon>

namespace kervane {

QIcon iconeDossier();

}  // namespace kervane
