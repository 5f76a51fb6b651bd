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

// Parses "yyyy-mm-dd[ hh:mm:ss[.fff]]" (or with a 'T'); false when the text is not a date.
bool parseDateTime(const QByteArray& t, int (&champs)[6])
{
    static constexpr int debuts[6] = {0, 5, 8, 11, 14, 17};
    static constexpr int largeurs[6] = {4, 2, 2, 2, 2, 2};
    const int nChamps = t.size() >= 19 ? 6 : 3;
    if (t.size() < 10 || t[4] != '-' || t[7] != '-' || (nChamps == 6 && (t[13] != ':' || t[16] != ':')))
        return false;
    for (int i = 0; i < 6; ++i) {
        champs[i] = 0;
        if (i >= nChamps)
            continue;
        for (int k = 0; k < largeurs[i]; ++k) {
            const char c = t[debuts[i] + k];
            if (c < '0' || c > '9')
                return false;
            champs[i] = champs[i] * 10 + (c - '0');
        }
    }
    return champs[1] >= 1 && champs[1] <= 12 && champs[2] >= 1 && champs[2] <= 31 && champs[3] < 24
           && champs[4] < 60 && champs[5] < 60;
}

void convertDate(QByteArray& texte, bool bHeure)
{
    int c[6];
    if (!parseDateTime(texte, c))
        LeverErreur(ERREUR_TYPE);
    char sz[20];
    const int n = bHeure ? std::snprintf(sz, sizeof sz, "%02d/%02d/%04d %02d:%02d:%02d", c[2], c[1], c[0], c[3], c[4], c[5])
                         : std::snprintf(sz, sizeof sz, "%02d/%02d/%04d", c[2], c[1], c[0]);
    texte = QByteArray(sz, n);
}

void convertFloating(QByteArray& texte, char cSeparateur)
{
    if (texte == ".0" || texte == ",0") {
        texte = "0";
        return;
    }
    if (!texte.contains(cSeparateur)) {
        const char cAutre = cSeparateur == '.' ? ',' : '.';
        const qsizetype n = texte.indexOf(cAutre);
        if (n >= 0)
            texte[n] = cSeparateur;
    }
    if (texte.size() >= 3 && texte[texte.size() - 2] == cSeparateur && texte.back() == '0')
        texte.chop(2);
}

}  // namespace

void lireValeur(SQLHSTMT hInstruction, SQLUSMALLINT nColonne, ValeurLue& valeur)
{
    char tampon[TAILLE_TAMPON];
    valeur.octets.clear();
    SQLLEN nLongueur = 0;
    SQLRETURN nCode = SQLGetData(hInstruction, nColonne, SQL_C_CHAR, tampon, TAILLE_TAMPON, &nLongueur);
    while (nCode != SQL_SUCCESS) {
        if (nCode != SQL_SUCCESS_WITH_INFO || !truncationReported(hInstruction))
            LeverErreurODBC();
        valeur.octets.append(tampon, static_cast<qsizetype>(strnlen(tampon, TAILLE_MORCEAU)));
        nCode = SQLGetData(hInstruction, nColonne, SQL_C_CHAR, tampon, TAILLE_TAMPON, &nLongueur);
    }
    if (nLongueur != SQL_NULL_DATA) {
        const auto nDernier = nLongueur >= 0 && nLongueur < TAILLE_TAMPON ? static_cast<qsizetype>(nLongueur)
                                                                          : qsizetype{0};
        valeur.octets.append(tampon, static_cast<qsizetype>(strnlen(tampon, static_cast<std::size_t>(nDernier))));
    }
    valeur.nDerniereLongueur = nLongueur;
}

void convertirValeur(SQLSMALLINT nTypeSQL, QByteArray& texte, char cSeparateur)
{
    if (texte.isEmpty())
        return;
    switch (nTypeSQL) {
    case SQL_REAL:
    case SQL_DOUBLE: convertFloating(texte, cSeparateur); break;
    case SQL_TIMESTAMP: convertDate(texte, true); break;
    case SQL_DATE: convertDate(texte, false); break;
    default: break;
    }
}

qsizetype caracteresFinaux(const QByteArray& texte, qsizetype nOctets)
{
    qsizetype nCaracteres = 0;
    for (qsizetype i = std::max<qsizetype>(0, texte.size() - nOctets); i < texte.size(); ++i)
        if ((static_cast<unsigned char>(texte[i]) & 0xC0) != 0x80)
            ++nCaracteres;
    return nCaracteres;
}

}  // namespace kervane
