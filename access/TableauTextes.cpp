#include "access/TableauTextes.h"

#include "messages/Erreur.h"

#include <cstring>
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
    const qsizetype nCellule = (nLigne - m_nLignesEntete) * m_nColonnes + nColonne;
    const quint32 nDebut = nCellule == 0 ? 0 : m_fins[nCellule - 1];
    return QByteArrayView(m_texte.constData() + nDebut, static_cast<qsizetype>(m_fins[nCellule] - nDebut));
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
    if (m_fins.size() != m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);  // the previous row is incomplete
    ++m_nLignesDonnees;
}

void TableauTextes::ajouterCellule(QByteArrayView texte)
{
    if (m_fins.size() >= m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);
    if (m_texte.size() + texte.size() > static_cast<qsizetype>(std::numeric_limits<quint32>::max()))
        LeverErreur(ERREUR_MEMOIRE);
    if (!texte.isEmpty()) {
        const qsizetype nAvant = m_texte.size();
        m_texte.resize(nAvant + texte.size());  // grows geometrically, by reallocation
        std::memcpy(m_texte.data() + nAvant, texte.data(), static_cast<std::size_t>(texte.size()));
    }
    m_fins.append(static_cast<quint32>(m_texte.size()));
}

void TableauTextes::reserver(qsizetype nLignes, qsizetype nOctetsParCellule)
{
    const qsizetype nCellules = (m_nLignesDonnees + nLignes) * m_nColonnes;
    if (nCellules > m_fins.capacity())
        m_fins.reserve(nCellules);
    if (nCellules * nOctetsParCellule > m_texte.capacity())
        m_texte.reserve(nCellules * nOctetsParCellule);
}

void TableauTextes::ajuster()
{
    m_texte.squeeze();
}

void TableauTextes::cederLignes(QByteArray& texte, QList<quint32>& fins)
{
    texte = std::move(m_texte);
    fins = std::move(m_fins);
    m_texte = QByteArray();
    m_fins = QList<quint32>();
    m_nLignesDonnees = 0;
}

qsizetype TableauTextes::octetsDonnees() const
{
    return m_texte.capacity() + m_fins.capacity() * static_cast<qsizetype>(sizeof(quint32));
}

}  // namespace kervane
