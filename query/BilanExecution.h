#pragma once
// What the status bar says for a moment after a statement: how many rows and how long,
// "9 000 lignes en 0,31 s", "3 lignes modifiées en 0,02 s".
#include "query/Requete.h"

#include <QString>
#include <QtGlobal>

namespace kervane {

// For a selection: the rows read. For a change: the rows it created, deleted or modified.
// French counts 0 and 1 in the singular; thousands and decimals are written the French way.
QString texteBilan(GenreRequete genre, qint64 nLignes, qint64 nMillisecondes);

}  // namespace kervane
