#include "access/LectureValeurs.h"

#include "access/EtatODBC.h"
#include "messages/Erreur.h"

#include <sqlext.h>

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
    const QByteArrayView texte(t, n);
    if (!texte.contains(cSeparateur)) {
        const qsizetype i = texte.indexOf(cSeparateur == '.' ? ',' : '.');
        if (i >= 0)
            t[i] = cSeparateur;
    }
    if (n >= 3 && t[n - 2] == cSeparateur && t[n - 1] == '0')
        n -= 2;
}

}  // namespace

void lireValeur(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur)
{
    char* const tampon = valeur.tampon;
    if (!valeur.longue.isEmpty())
        valeur.longue.resize(0);  // keeps its buffer for the next long value
    SQLLEN nLongueur = 0;
    SQLRETURN nCode = SQLGetData(hInstruction, nColonne, SQL_C_CHAR, tampon, TAILLE_TAMPON, &nLongueur);
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

qsizetype caracteresFinaux(QByteArrayView texte, qsizetype nOctets)
{
    qsizetype nCaracteres = 0;
    for (qsizetype i = std::max<qsizetype>(0, texte.size() - nOctets); i < texte.size(); ++i)
        if ((static_cast<unsigned char>(texte[i]) & 0xC0) != 0x80)
            ++nCaracteres;
    return nCaracteres;
}

}  // namespace kervane
