#include "access/TableauTextes.h"

#include "messages/Erreur.h"
#include "platform/BlocsRecycles.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kervane {
namespace {

constexpr auto OCTETS_MAX = static_cast<qsizetype>(std::numeric_limits<quint32>::max());

}  // namespace

TableauTextes::TableauTextes(qsizetype nLignesEntete, qsizetype nColonnes)
    : m_nLignesEntete(nLignesEntete), m_nColonnes(nColonnes),
      m_entete(static_cast<std::size_t>(nLignesEntete * nColonnes))
{
}

TableauTextes::~TableauTextes()
{
    recyclage::deposer(std::move(m_texte));
    recyclage::deposer(std::move(m_fins));
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
    if (nCellule >= m_fins.taille())
        return {};  // a cell of the row being appended, not written yet
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
    if (m_fins.taille() != m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);  // the previous row is incomplete
    ++m_nLignesDonnees;
}

// A cell past its row, or one the room reserved cannot take.
void TableauTextes::ajouterCelluleAilleurs(QByteArrayView texte)
{
    if (m_fins.taille() >= m_nLignesDonnees * m_nColonnes)
        LeverErreur(ERREUR_INDICE);
    const qsizetype nOctets = texte.size();
    if (m_nOctets + nOctets > OCTETS_MAX)
        LeverErreur(ERREUR_MEMOIRE);
    if (m_texte.size() - m_nOctets < nOctets)
        agrandirTexte(nOctets);
    if (nOctets > 0)
        std::memcpy(m_texte.data() + m_nOctets, texte.data(), static_cast<std::size_t>(nOctets));
    m_nOctets += nOctets;
    m_fins.ajouter(static_cast<quint32>(m_nOctets));
}

// The text's room is its size: resizing leaves the new bytes unwritten, so they take no
// memory until cells fill them, and a large block grows by reallocation, without a copy. The
// room stops where a 32-bit offset does, so that a cell that fits is a cell it can end.
void TableauTextes::agrandirTexte(qsizetype nOctets)
{
    m_texte.resize(std::min(std::max({m_nOctets + nOctets, m_texte.size() + m_texte.size() / 2, qsizetype{4096}}),
                            OCTETS_MAX));
}

void TableauTextes::reserver(qsizetype nLignes, qsizetype nOctetsParCellule)
{
    const qsizetype nCellules = (m_nLignesDonnees + nLignes) * m_nColonnes;
    if (m_texte.isEmpty() && m_fins.capacite() == 0) {
        m_texte = recyclage::reprendreTexte();
        m_fins = recyclage::reprendreFins();
    }
    m_fins.reserver(nCellules);
    if (nCellules * nOctetsParCellule > m_texte.size() || m_texte.size() > OCTETS_MAX)
        m_texte.resize(std::min(std::max(nCellules * nOctetsParCellule, m_nOctets), OCTETS_MAX));
}

void TableauTextes::ajuster()
{
    m_texte.resize(m_nOctets);
    m_texte.squeeze();
    m_fins.ajuster();
}

void TableauTextes::cederLignes(QByteArray& texte, FinsCellules& fins)
{
    m_texte.resize(m_nOctets);
    texte = std::move(m_texte);
    fins = std::move(m_fins);
    m_texte = QByteArray();
    m_fins = FinsCellules();
    m_nOctets = 0;
    m_nLignesDonnees = 0;
}

qsizetype TableauTextes::octetsDonnees() const
{
    return m_texte.capacity() + m_fins.capacite() * static_cast<qsizetype>(sizeof(quint32));
}

}  // namespace kervane
