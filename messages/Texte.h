#pragma once
// Module_STR: text replacement.
#include <QString>

namespace kervane {

constexpr qint16 STR_TOUTES = -1;

// Replaces every occurrence (nNombre = -1) or only the first (any other value) of
// strCherche in strSource. Text brought in by a replacement is never searched again.
QString STR_Remplacer(const QString& strSource, const QString& strCherche, const QString& strRemplacement,
                      qint16 nNombre);

// The text without its leading and trailing spaces (only spaces: tabs and line breaks stay).
QString sansEspaces(const QString& strTexte);
// The text without its leading spaces.
QString sansEspacesGauche(const QString& strTexte);

// A statement as the trace log may keep it: one that sets a database password (ALTER DATABASE
// PASSWORD) without its passwords, any other as it is.
QString sansMotsDePasse(const QString& strRequete);

}  // namespace kervane
