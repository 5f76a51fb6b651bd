#include "export/BordsBlocs.h"

#include <algorithm>

namespace kervane {
namespace {

const std::vector<BlocCellules> AUCUN_BLOC;

bool blocDansGrille(const BlocCellules& bloc, qint32 nColonnes, qint32 nLignes)
{
    return bloc.nColonne1 >= 1 && bloc.nLigne1 >= 1 && bloc.nColonne1 <= bloc.nColonne2 &&
           bloc.nLigne1 <= bloc.nLigne2 && bloc.nColonne2 <= nColonnes && bloc.nLigne2 <= nLignes;
}

}  // namespace

BordsBlocs::BordsBlocs(const std::vector<BlocCellules>& tabBlocs, qint32 nColonnes)
    : m_tabBlocs(tabBlocs), m_bords(static_cast<std::size_t>(std::max(nColonnes, 0)) + 1, 0)
{
}

BordsBlocs::BordsBlocs(const std::vector<BlocCellules>& tabBlocs, qint32 nColonnes, qint32 nLignes)
    : BordsBlocs(tabBlocs, nColonnes)
{
    for (std::size_t i = 0; i < tabBlocs.size(); ++i)
        if (blocDansGrille(tabBlocs[i], nColonnes, nLignes))
            m_ordre.push_back(static_cast<quint32>(i));
    std::stable_sort(m_ordre.begin(), m_ordre.end(),
                     [&](quint32 a, quint32 b) { return tabBlocs[a].nLigne1 < tabBlocs[b].nLigne1; });
}

BordsBlocs BordsBlocs::chaqueCellule(qint32 nColonnes)
{
    BordsBlocs bords(AUCUN_BLOC, nColonnes);
    bords.m_bChaqueCellule = true;
    std::fill(bords.m_bords.begin() + 1, bords.m_bords.end(), BORDS_TOUS);
    return bords;
}

const std::vector<quint8>& BordsBlocs::ligne(qint32 nLigne)
{
    if (m_bChaqueCellule)
        return m_bords;
    std::fill(m_bords.begin(), m_bords.end(), quint8{0});
    ouvrirBlocs(nLigne);
    for (quint32 i : m_ouverts)
        tracer(m_tabBlocs[i], nLigne);
    std::erase_if(m_ouverts, [&](quint32 i) { return m_tabBlocs[i].nLigne2 <= nLigne; });
    return m_bords;
}

void BordsBlocs::ouvrirBlocs(qint32 nLigne)
{
    for (; m_nSuivant < m_ordre.size(); ++m_nSuivant) {
        const quint32 i = m_ordre[m_nSuivant];
        if (m_tabBlocs[i].nLigne1 > nLigne)
            break;
        // A block whose rows were skipped (asked out of order) frames nothing.
        if (m_tabBlocs[i].nLigne2 >= nLigne)
            m_ouverts.push_back(i);
    }
}

void BordsBlocs::tracer(const BlocCellules& bloc, qint32 nLigne)
{
    const auto cellule = [&](qint32 c) -> quint8& { return m_bords[static_cast<std::size_t>(c)]; };
    if (nLigne == bloc.nLigne1 || nLigne == bloc.nLigne2) {
        const quint8 nBord = (nLigne == bloc.nLigne1 ? BORD_HAUT : 0) | (nLigne == bloc.nLigne2 ? BORD_BAS : 0);
        for (qint32 c = bloc.nColonne1; c <= bloc.nColonne2; ++c)
            cellule(c) |= nBord;
    }
    cellule(bloc.nColonne1) |= BORD_GAUCHE;
    cellule(bloc.nColonne2) |= BORD_DROIT;
}

}  // namespace kervane
