#pragma once
// While the next result is read, the texts of a large grid wait in a file rather than in
// memory, so that two results are never held at once; the grid still shows them. They are set
// aside only once the statement has run (mettreAuRepos()), so that a statement that fails at
// once costs nothing. Filling the grid with the new result lets them go; otherwise (a failure,
// a cancel) they come back as they were when the reading is over.
#include "platform/spread/vaSpread.h"

namespace kervane {

class GrilleAuRepos {
public:
    explicit GrilleAuRepos(vaSpread& grille) : m_grille(grille) {}
    ~GrilleAuRepos()
    {
        if (!m_bAuRepos)
            return;
        try {
            m_grille.bringTextsBack();
        } catch (...) {
            // Short of memory: the texts stay in their file, where the grid reads them.
        }
    }
    GrilleAuRepos(const GrilleAuRepos&) = delete;
    GrilleAuRepos& operator=(const GrilleAuRepos&) = delete;

    void mettreAuRepos()
    {
        if (!m_bAuRepos)
            m_bAuRepos = m_grille.parkTexts();
    }

private:
    vaSpread& m_grille;
    bool m_bAuRepos = false;
};

}  // namespace kervane
