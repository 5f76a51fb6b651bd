#include "query/TextesPartages.h"

namespace kervane {

TextesPartages::TextesPartages(qsizetype nColonnes) : m_colonnes(static_cast<std::size_t>(nColonnes + 1)) {}

QString TextesPartages::texte(qsizetype nColonne, QByteArrayView utf8)
{
    Colonne& colonne = m_colonnes[static_cast<std::size_t>(nColonne)];
    if (utf8.isEmpty())
        return QString();
    if (colonne.pPrecedente && utf8 == colonne.precedente)
        return *colonne.pPrecedente;
    colonne.precedente = utf8;
    if (colonne.bActive) {
        const QByteArray cle = QByteArray::fromRawData(utf8.data(), utf8.size());  // no copy for the look-up
        auto it = colonne.valeurs.constFind(cle);
        if (it == colonne.valeurs.cend() && colonne.valeurs.size() < VALEURS_MAX)
            it = colonne.valeurs.insert(utf8.toByteArray(), QString::fromUtf8(utf8));
        if (it != colonne.valeurs.cend()) {
            colonne.pPrecedente = &it.value();  // valid until the next insertion, which resets it
            return it.value();
        }
        colonne.valeurs = {};
        colonne.bActive = false;
    }
    colonne.strPrecedente = QString::fromUtf8(utf8);
    colonne.pPrecedente = &colonne.strPrecedente;
    return colonne.strPrecedente;
}

}  // namespace kervane
