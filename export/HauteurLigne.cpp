#include "export/HauteurLigne.h"

#include <QStringView>

#include <algorithm>
#include <cmath>

namespace kervane {
namespace {

// Lines of one paragraph (no line break in it) wrapped at nPlace characters: words go on
// the line while they fit after a space, a space at the break is not drawn, and a word
// longer than a line starts a line and runs over as many as it needs.
int lignesParagraphe(QStringView paragraphe, qsizetype nPlace)
{
    int nLignes = 1;
    qsizetype nOccupe = 0;  // characters already on the current line
    bool bPremierMot = true;
    for (QStringView mot : paragraphe.tokenize(u' ')) {
        const qsizetype nMot = mot.size();
        if (!bPremierMot) {
            // Spaces in a row hang at the end of a full line rather than start a new one.
            if (nMot == 0 || nOccupe + 1 + nMot <= nPlace) {
                nOccupe = std::min(nOccupe + 1 + nMot, nPlace);
                continue;
            }
            ++nLignes;
        }
        bPremierMot = false;
        const qsizetype nSuite = nMot > 0 ? (nMot - 1) / nPlace : 0;  // lines the word runs over
        nLignes += static_cast<int>(nSuite);
        nOccupe = nMot - nSuite * nPlace;
    }
    return nLignes;
}

}  // namespace

int LignesCellule(const QString& strTexte, double dLargeur)
{
    const double dColonne = dLargeur > 0 ? dLargeur : LARGEUR_COLONNE_STANDARD;
    const auto nPlace = std::max<qsizetype>(1, static_cast<qsizetype>(std::floor(dColonne)));
    if (strTexte.size() <= nPlace && !strTexte.contains(u'\n'))
        return 1;
    int nLignes = 0;
    for (QStringView paragraphe : QStringView(strTexte).tokenize(u'\n'))
        nLignes += lignesParagraphe(paragraphe, nPlace);
    return std::max(nLignes, 1);
}

double HauteurLigne(const QStringList& textes, const std::vector<double>& dLargeurs)
{
    int nLignes = 1;
    for (qsizetype i = 0; i < textes.size(); ++i) {
        const auto n = static_cast<std::size_t>(i);
        const double dLargeur = n < dLargeurs.size() ? dLargeurs[n] : 0;
        nLignes = std::max(nLignes, LignesCellule(textes[i], dLargeur));
    }
    if (nLignes <= 1)
        return 0;
    return std::min(nLignes * HAUTEUR_LIGNE_TEXTE, HAUTEUR_LIGNE_MAX);
}

}  // namespace kervane
