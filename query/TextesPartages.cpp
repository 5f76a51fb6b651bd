#include "query/TextesPartages.h"

namespace kervane {

TextesPartages::TextesPartages(qsizetype nColonnes) : m_colonnes(static_cast<std::size_t>(nColonnes + 1)) {}

QString TextesPartages::texte(qsizetype nColonne, QByteArrayView utf8)
{
    Colonne& colonne = m_colonnes[static_cast<std::size_t>(nColonne)];
    if (utf8.isEmpty())
        return QString();
    if (utf8 == colonne.precedente)
        return colonne.strPrecedente;
    if (!colonne.bActive)
        return QString::fromUtf8(utf8);
    const QByteArray cle = QByteArray::fromRawData(utf8.data(), utf8.size());  // no copy for the look-up
    const auto it = colonne.valeurs.constFind(cle);
    QString strTexte = it != colonne.valeurs.cend() ? it.value() : QString::fromUtf8(utf8);
    colonne.precedente = utf8;
    colonne.strPrecedente = strTexte;
    if (it != colonne.valeurs.cend())
        return strTexte;
    if (colonne.valeurs.size() < VALEURS_MAX) {
        colonne.valeurs.insert(utf8.toByteArray(), strTexte);
    } else {
        colonne.valeurs = {};
        colonne.bActive = false;
    }
    return strTexte;
}

}  // namespace kervane
