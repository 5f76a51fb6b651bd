#pragma once
// The 16x16 pictures of the orientation buttons: a page upright ("Portrait") and a page
// lying on its side ("Paysage"), drawn by code.
#include <QIcon>

namespace kervane {

QIcon iconePortrait();
QIcon iconePaysage();

}  // namespace kervane
