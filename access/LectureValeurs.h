#pragma once
// Reading one column value of the current row, whole, in pieces; and the text forms the
// system gives to floating-point and date values.
#include <QByteArray>
#include <QString>
#include <sql.h>

namespace kervane {

// One value read, reused from cell to cell: a value read in one piece stays in the
// 2000-byte buffer; a longer one is gathered in `longue`.
struct ValeurLue {
    ValeurLue() = default;
    ValeurLue(const ValeurLue&) = delete;  // pDebut may point into this object
    ValeurLue& operator=(const ValeurLue&) = delete;

    char tampon[2000];
    QByteArray longue;
    char* pDebut = tampon;          // the value's UTF-8 text (empty for NULL)
    qsizetype nOctets = 0;
    SQLLEN nDerniereLongueur = 0;   // length given by the last piece (SQL_NULL_DATA for NULL)

    QByteArrayView texte() const { return {pDebut, nOctets}; }
};

// Reads column nColonne of the current row as text through the 2000-byte buffer, appending
// pieces of up to 1999 bytes while the driver reports truncation (state 01004). Any other
// outcome raises the ODBC-failure signal.
void lireValeur(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur);

// Applies the text form of the column's SQL type in place: REAL/DOUBLE with the user's decimal separator, DATE as dd/mm/yyyy,
// TIMESTAMP as dd/mm/yyyy hh:mm:ss.
void convertirValeur(SQLSMALLINT nTypeSQL, ValeurLue& valeur, char cSeparateur);

// Characters (not bytes) in the last nOctets bytes of a UTF-8 text.
qsizetype caracteresFinaux(QByteArrayView texte, qsizetype nOctets);

}  // namespace kervane
