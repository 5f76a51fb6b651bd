#pragma once
// 32-bit offsets of cells (the end offsets of a result's cells, then the start offsets of a
// grid's), in one block grown and trimmed by reallocation: a large block is moved by the
// system rather than copied, and room reserved but never written takes no memory (a Qt list
// would fill it with zeros when sized ahead, and copy itself to shrink). The block passes from
// the result to the grid as it is. Running out of memory raises std::bad_alloc.
#include <QtGlobal>

#include <cstdlib>
#include <memory>
#include <span>
#include <utility>

namespace kervane {

class FinsCellules {
public:
    FinsCellules() = default;
    FinsCellules(const FinsCellules& autre) { copier(autre); }
    FinsCellules& operator=(const FinsCellules& autre)
    {
        if (this != &autre)
            copier(autre);
        return *this;
    }
    FinsCellules(FinsCellules&& autre) noexcept
        : m_pFins(std::move(autre.m_pFins)), m_nTaille(std::exchange(autre.m_nTaille, 0)),
          m_nCapacite(std::exchange(autre.m_nCapacite, 0))
    {
    }
    FinsCellules& operator=(FinsCellules&& autre) noexcept
    {
        m_pFins = std::move(autre.m_pFins);
        m_nTaille = std::exchange(autre.m_nTaille, 0);
        m_nCapacite = std::exchange(autre.m_nCapacite, 0);
        return *this;
    }

    qsizetype taille() const { return m_nTaille; }
    qsizetype capacite() const { return m_nCapacite; }
    quint32 operator[](qsizetype i) const { return m_pFins.get()[i]; }
    quint32& operator[](qsizetype i) { return m_pFins.get()[i]; }
    std::span<const quint32> valeurs() const { return {m_pFins.get(), static_cast<std::size_t>(m_nTaille)}; }
    quint32* donnees() { return m_pFins.get(); }

    void ajouter(quint32 nFin)
    {
        if (m_nTaille == m_nCapacite)
            agrandir(m_nTaille + 1);
        m_pFins.get()[m_nTaille++] = nFin;
    }
    // Room for at least nCapacite offsets.
    void reserver(qsizetype nCapacite);
    // Gives back the room not used, where the block lies.
    void ajuster();
    // nTaille offsets; those added are not written (the caller writes them).
    void redimensionner(qsizetype nTaille);

private:
    struct Liberer {
        void operator()(quint32* p) const { std::free(p); }
    };
    void copier(const FinsCellules& autre);
    void agrandir(qsizetype nAuMoins);
    void reallouer(qsizetype nCapacite);

    std::unique_ptr<quint32, Liberer> m_pFins;
    qsizetype m_nTaille = 0;
    qsizetype m_nCapacite = 0;
};

}  // namespace kervane
