#include "access/TableauTextes.h"

#include "messages/Erreur.h"

#include <limits>

namespace kervane {

TableauTextes::TableauTextes(qsizetype nLignesEntete, qsizetype nColonnes)
    : m_nLignesEntete(nLignesEntete), m_nColonnes(nColonnes),
      m_entete(static_cast<std::size_t>(nLignesEntete * nColonnes))
{
}

void TableauTextes::verifier(qsizetype nLigne, qsizetype nColonne) const
{
    if (nLigne < 0 || nLigne >= lignes() || nColonne < 0 || nColonne >= m_nColonnes)
        LeverErreur(ERREUR_INDICE);
}

qsizetype TableauTextes::indexEntete(qsizetype nLigne, qsizetype nColonne) const
{
    return nLigne * m_nColonnes + nColonne;
}

QString TableauTextes::texte(qsizetype nLigne, qsizetype nColonne) const
{
    verifier(nLigne, nColonne);
    if (nLigne < m_nLignesEntete)
        return m_entete[static_cast<std::size_t>(indexEntete(nLigne, nColonne))];
    return QString::fromUtf8(utf8(nLigne, nColonne));
}

QByteArrayView TableauTextes::utf8(qsizetype nLigne, qsizetype nColonne) const
{
    verifier(nLigne, nColonne);
    if (nLigne < m_nLignesEntete)
        return {};  // header texts are QStrings; read them with texte()
    const auto nCellule = static_cast<std::size_t>((nLigne - m_nLignesEntete) * m_nColonnes + nColonne);
    const quint32 nDebut = nCellule == 0 ? 0 : m_fins[nCellule - 1];
    return QByteArrayView(m_texte.data() + nDebut, static_cast<qsizetype>(m_fins[nCellule] - nDebut));
}

void TableauTextes::definir(qsizetype nLigne, qsizetype nColonne, const QString& strTexte)
{
    if (nLigne >= m_nLignesEntete)
        LeverErreur(ERREUR_INDICE);
    verifier(nLigne, nColonne);
    m_entete[static_cast<std::size_t>(indexEntete(nLigne, nColonne))] = strTexte;
}

void TableauTextes::commencerLigne()
{
    if (static_cast<qsizetype>(m_fins.size()) != m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);  // the previous row is incomplete
    ++m_nLignesDonnees;
}

void TableauTextes::ajouterCellule(QByteArrayView texte)
{
    if (static_cast<qsizetype>(m_fins.size()) >= m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);
    if (m_texte.size() + static_cast<std::size_t>(texte.size()) > std::numeric_limits<quint32>::max())
        LeverErreur(ERREUR_MEMOIRE);
    m_texte.insert(m_texte.end(), texte.data(), texte.data() + texte.size());
    m_fins.push_back(static_cast<quint32>(m_texte.size()));
}

void TableauTextes::reserver(qsizetype nLignes, qsizetype nOctetsParCellule)
{
    const qsizetype nCellules = (m_nLignesDonnees + nLignes) * m_nColonnes;
    m_fins.reserve(static_cast<std::size_t>(nCellules));
    m_texte.reserve(static_cast<std::size_t>(nCellules * nOctetsParCellule));
}

void TableauTextes::ajuster()
{
    m_texte.shrink_to_fit();
    m_fins.shrink_to_fit();
}

qsizetype TableauTextes::octetsDonnees() const
{
    return static_cast<qsizetype>(m_texte.capacity() + m_fins.capacity() * sizeof(quint32));
}

}  // namespace kervane
