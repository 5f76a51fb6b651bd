#pragma once
// The program's own 16x16 pictures, drawn by code: toolbar keys, status-bar panels and the
// window icon. No picture comes from outside.
#include <QIcon>
#include <QString>

namespace kervane {

// The picture of a key: "Ouvrir", "Imprimer", "Fermer", "Copier", "Maximiser", "Reduction",
// "Regrouper_cellules", "Annuler", "Aide", "Information", "Exclamation", "Interdiction", "Kervane".
// An unknown key gives an empty icon.
QIcon iconeKervane(const QString& strCle);

}  // namespace kervane
