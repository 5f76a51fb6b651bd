#pragma once
// Reading one column value of the current row, whole, in pieces; and the text forms the
// system gives to floating-point and date values.
#include <QByteArray>
#include <QString>
#include <sql.h>

namespace kervane {

struct ValeurLue {
    QByteArray octets;     // UTF-8 text; empty for NULL
    SQLLEN nDerniereLongueur = 0;  // length given by the last piece (SQL_NULL_DATA for NULL)
};

// Reads column nColonne of the current row as text through a 2000-byte buffer, appending
// pieces of up to 1999 bytes while the driver reports truncation (state 01004). Any other
// outcome raises the ODBC-failure signal. The value is written into `valeur` (reused).
void lireValeur(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur);

// Applies the text form of the column's SQL type in place: REAL/DOUBLE with the user's
// decimal separator, DATE as dd/mm/yyyy, TIMESTAMP as dd/mm/yyyy hh:mm:ss.
void convertirValeur(SQLSMALLINT nTypeSQL, QByteArray& texte, char cSeparateur);

// Characters (not bytes) in the last nOctets bytes of a UTF-8 text.
qsizetype caracteresFinaux(const QByteArray& texte, qsizetype nOctets);

}  // namespace kervane
