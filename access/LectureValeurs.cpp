#include "access/LectureValeurs.h"

#include "access/EtatODBC.h"
#include "messages/Erreur.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

namespace kervane {
namespace {

constexpr SQLLEN TAILLE_TAMPON = 2000;
constexpr qsizetype TAILLE_MORCEAU = TAILLE_TAMPON - 1;

// True when the first diagnostic of the statement is 01004 (data truncated).
bool truncationReported(SQLHSTMT hInstruction)
{
    EtatODBC& etat = etatODBC();
    SQLCHAR szEtat[80] = {};
    SQLINTEGER nNatif = 0;
    SQLCHAR szMessage[TAILLE_TAMPON] = {};
    SQLSMALLINT nLongueur = 0;
    const SQLHDBC hConnexion = etat.nEmplacementCourant >= 1 && etat.nEmplacementCourant <= etat.nombreEmplacements()
                                   ? etat.emplacement(etat.nEmplacementCourant).connexion.get()
                                   : SQL_NULL_HDBC;
    if (SQLError(etat.environnement.get(), hConnexion, hInstruction, szEtat, &nNatif, szMessage, TAILLE_TAMPON,
                 &nLongueur)
        != SQL_SUCCESS)
        return false;
    return std::strncmp(reinterpret_cast<const char*>(szEtat), "01004", 5) == 0;
}

bool digits(const char* p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9')
            return false;
    return true;
}

int number(const char* p, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// True for "yyyy-mm-dd" followed by nothing or by " hh:mm:ss" (or 'T'), fraction allowed.
bool isDateTime(const char* t, qsizetype n)
{
    if (n < 10 || !digits(t, 4) || t[4] != '-' || !digits(t + 5, 2) || t[7] != '-' || !digits(t + 8, 2))
        return false;
    const int nMois = number(t + 5, 2), nJour = number(t + 8, 2);
    if (nMois < 1 || nMois > 12 || nJour < 1 || nJour > 31)
        return false;
    if (n == 10)
        return true;
    return n >= 19 && (t[10] == ' ' || t[10] == 'T') && digits(t + 11, 2) && t[13] == ':' && digits(t + 14, 2)
           && t[16] == ':' && digits(t + 17, 2) && number(t + 11, 2) < 24 && number(t + 14, 2) < 60
           && number(t + 17, 2) < 60;
}

// dd/mm/yyyy[ hh:mm:ss], written over the value: a date is short enough to be in the
// 2000-byte buffer, which has room for the time added to a date alone. A value that is not a
// readable date (left in an old base by another program) is shown as it stands: one bad value
// must not make a whole table unreadable.
void convertDate(ValeurLue& valeur, bool bHeure)
{
    char* t = valeur.pDebut;
    if (!isDateTime(t, valeur.nOctets))
        return;
    const char annee[4] = {t[0], t[1], t[2], t[3]};
    const char mois[2] = {t[5], t[6]};
    t[0] = t[8];
    t[1] = t[9];
    t[2] = '/';
    t[3] = mois[0];
    t[4] = mois[1];
    t[5] = '/';
    std::memcpy(t + 6, annee, 4);
    if (!bHeure) {
        valeur.nOctets = 10;
        return;
    }
    if (valeur.nOctets == 10)
        std::memcpy(t + 10, " 00:00:00", 9);
    t[10] = ' ';
    valeur.nOctets = 19;
}

void convertFloating(ValeurLue& valeur, char cSeparateur)
{
    char* t = valeur.pDebut;
    qsizetype& n = valeur.nOctets;
    if (n == 2 && (t[0] == '.' || t[0] == ',') && t[1] == '0') {
        t[0] = '0';
        n = 1;
        return;
    }
    // The other mark becomes the separator, unless the text has the separator already.
    const char cAutre = cSeparateur == '.' ? ',' : '.';
    char* pAutre = nullptr;
    for (qsizetype i = 0; i < n; ++i) {
        if (t[i] == cSeparateur) {
            pAutre = nullptr;
            break;
        }
        if (t[i] == cAutre && pAutre == nullptr)
            pAutre = t + i;
    }
    if (pAutre != nullptr)
        *pAutre = cSeparateur;
    if (n >= 3 && t[n - 2] == cSeparateur && t[n - 1] == '0')
        n -= 2;
}

}  // namespace

void lireValeurAutre(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur, SQLRETURN nCode,
                     SQLLEN nLongueur)
{
    char* const tampon = valeur.tampon;
    valeur.longue.resize(0);  // keeps its buffer for the next long value
    while (nCode != SQL_SUCCESS) {
        if (nCode != SQL_SUCCESS_WITH_INFO || !truncationReported(hInstruction))
            LeverErreurODBC();
        valeur.longue.append(tampon, static_cast<qsizetype>(strnlen(tampon, TAILLE_MORCEAU)));
        nCode = SQLGetData(hInstruction, nColonne, SQL_C_CHAR, tampon, TAILLE_TAMPON, &nLongueur);
    }
    valeur.nDerniereLongueur = nLongueur;
    const auto nDernier = nLongueur >= 0 && nLongueur < TAILLE_TAMPON ? static_cast<std::size_t>(nLongueur) : 0u;
    const auto nOctets = nLongueur == SQL_NULL_DATA ? qsizetype{0} : static_cast<qsizetype>(strnlen(tampon, nDernier));
    if (valeur.longue.isEmpty()) {
        valeur.pDebut = tampon;
        valeur.nOctets = nOctets;
        return;
    }
    valeur.longue.append(tampon, nOctets);
    valeur.pDebut = valeur.longue.data();
    valeur.nOctets = valeur.longue.size();
}

bool typeAConvertir(SQLSMALLINT nTypeSQL)
{
    return nTypeSQL == SQL_REAL || nTypeSQL == SQL_DOUBLE || nTypeSQL == SQL_TIMESTAMP || nTypeSQL == SQL_DATE;
}

void convertirValeur(SQLSMALLINT nTypeSQL, ValeurLue& valeur, char cSeparateur)
{
    if (valeur.nOctets == 0)
        return;
    switch (nTypeSQL) {
    case SQL_REAL:
    case SQL_DOUBLE: convertFloating(valeur, cSeparateur); break;
    case SQL_TIMESTAMP: convertDate(valeur, true); break;
    case SQL_DATE: convertDate(valeur, false); break;
    default: break;
    }
}

// A byte continues a character when its two high bits are 10: in a word, bit 7 of such a byte
// is set while bit 6, shifted up into bit 7, is not. Eight bytes are counted at a time, their
// marks gathered into the top byte by one multiplication.
qsizetype caracteresFinaux(QByteArrayView texte, qsizetype nOctets)
{
    const qsizetype nDebut = std::max<qsizetype>(0, texte.size() - nOctets);
    const char* p = texte.data() + nDebut;
    qsizetype n = texte.size() - nDebut;
    qsizetype nSuites = 0;
    for (; n >= 8; p += 8, n -= 8) {
        quint64 mot = 0;
        std::memcpy(&mot, p, 8);
        const quint64 marques = (mot & ~(mot << 1) & 0x8080808080808080ULL) >> 7;
        nSuites += static_cast<qsizetype>((marques * 0x0101010101010101ULL) >> 56);
    }
    for (qsizetype i = 0; i < n; ++i)
        if ((static_cast<unsigned char>(p[i]) & 0xC0) == 0x80)
            ++nSuites;
    return texte.size() - nDebut - nSuites;
}

}  // namespace kervane
