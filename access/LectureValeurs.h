#pragma once
// Reading one column value of the current row, whole, in pieces; and the text forms the
// system gives to floating-point and date values.
#include <QByteArray>
#include <QString>
#include <sql.h>
#include <sqlext.h>

#include <cstring>

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

// What lireValeur does with any answer but a whole value in the buffer: NULL, a long value
// read in pieces, a failure.
void lireValeurAutre(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur, SQLRETURN nCode,
                     SQLLEN nLongueur);

// Reads column nColonne of the current row as text through the 2000-byte buffer, appending
// pieces of up to 1999 bytes while the driver reports truncation (state 01004). Any other
// outcome raises the ODBC-failure signal. A value ends at its first zero byte, if any. The
// common case, a short value, is read here, once per cell, without a call of its own.
inline void lireValeur(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur)
{
    SQLLEN nLongueur = 0;
    const SQLRETURN nCode =
        SQLGetData(hInstruction, nColonne, SQL_C_CHAR, valeur.tampon, sizeof valeur.tampon, &nLongueur);
    if (nCode == SQL_SUCCESS && nLongueur >= 0 && nLongueur < static_cast<SQLLEN>(sizeof valeur.tampon)) {
        valeur.nDerniereLongueur = nLongueur;
        valeur.pDebut = valeur.tampon;
        valeur.nOctets = static_cast<qsizetype>(strnlen(valeur.tampon, static_cast<std::size_t>(nLongueur)));
        return;
    }
    lireValeurAutre(hInstruction, nColonne, valeur, nCode, nLongueur);
}

// True when values of that SQL type take another text form than the driver's (below): a
// column knows it once, before its rows are read.
bool typeAConvertir(SQLSMALLINT nTypeSQL);

// Applies the text form of the column's SQL type in place: REAL/DOUBLE with the user's decimal separator, DATE as dd/mm/yyyy,
// TIMESTAMP as dd/mm/yyyy hh:mm:ss.
void convertirValeur(SQLSMALLINT nTypeSQL, ValeurLue& valeur, char cSeparateur);

// Characters (not bytes) in the last nOctets bytes of a UTF-8 text.
qsizetype caracteresFinaux(QByteArrayView texte, qsizetype nOctets);

}  // namespace kervane
