#include "platform/FinsCellules.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kervane {

void FinsCellules::reserver(qsizetype nCapacite)
{
    if (nCapacite > m_nCapacite)
        reallouer(nCapacite);
}

void FinsCellules::ajuster()
{
    if (m_nTaille < m_nCapacite)
        reallouer(m_nTaille);
}

void FinsCellules::redimensionner(qsizetype nTaille)
{
    reserver(nTaille);
    m_nTaille = nTaille;
}

void FinsCellules::copier(const FinsCellules& autre)
{
    reallouer(autre.m_nTaille);
    if (autre.m_nTaille > 0)
        std::memcpy(m_pFins.get(), autre.m_pFins.get(), static_cast<std::size_t>(autre.m_nTaille) * sizeof(quint32));
    m_nTaille = autre.m_nTaille;
}

void FinsCellules::agrandir(qsizetype nAuMoins)
{
    reallouer(std::max({nAuMoins, m_nCapacite + m_nCapacite / 2, qsizetype{1024}}));
}

void FinsCellules::reallouer(qsizetype nCapacite)
{
    if (nCapacite == 0) {
        m_pFins.reset();
        m_nCapacite = 0;
        return;
    }
    void* pNouveau = std::realloc(m_pFins.get(), static_cast<std::size_t>(nCapacite) * sizeof(quint32));
    if (pNouveau == nullptr)
        throw std::bad_alloc();  // the old block is still owned and whole
    (void)m_pFins.release();
    m_pFins.reset(static_cast<quint32*>(pNouveau));
    m_nCapacite = nCapacite;
}

}  // namespace kervane
