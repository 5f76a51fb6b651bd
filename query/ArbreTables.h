#pragma once
// The words the tables tree shows for the catalogue's texts.
#include <QString>

namespace kervane {

// "texte", "numerique", "date", "heure", "date\heure", "memo", "binaire", "objet ole",
// "(oui/non)" or "type inconnu", from an ODBC type name ("SQL_VARCHAR"...).
QString libelleType(const QString& strTypeODBC);

// The table name as a statement may hold it: bracketed when it has other characters than
// letters, digits and "_" (spaces, accents), unchanged otherwise.
QString nomTableCite(const QString& strTable);

}  // namespace kervane
