#pragma once
// Statements that may run long (those the query window runs) make their ODBC calls on a
// worker thread, while the interface thread waits for them in a local event loop: the
// windows keep painting and timers run, but the user's input is held back, so no other
// command runs meanwhile. Only the ways to cancel get through: Échap, and the widgets marked
// with PROPRIETE_ANNULATION (the toolbar's "Annuler" key). The hourglass, the messages, the
// trace lines and the trapped errors all stay on the interface thread.
#include <QtGlobal>

#include <functional>

namespace kervane {

// A widget whose dynamic property of this name is true (and its children) still receives
// the user's input while a statement runs; it is expected to call ODBC_Annuler.
inline constexpr char PROPRIETE_ANNULATION[] = "kervaneAnnulation";

// While an object lives, the statements run on that connection from the interface thread of
// a GUI program wait in the manner above; elsewhere they run on the calling thread. suivi,
// when given, is told on the interface thread when the ODBC calls of a statement begin (true)
// and end (false): the end comes before any message on the outcome. avantLignes, when given,
// is called there too, the worker waiting, once a statement has run and before its rows are
// read: what must make room for them (a grid setting its texts aside) is done only for a
// statement that runs.
class ExecutionEnFond {
public:
    explicit ExecutionEnFond(qint16 nIndice, std::function<void(bool bEnCours)> suivi = {},
                             std::function<void()> avantLignes = {});
    ~ExecutionEnFond();
    ExecutionEnFond(const ExecutionEnFond&) = delete;
    ExecutionEnFond& operator=(const ExecutionEnFond&) = delete;

    qint16 indice() const { return m_nIndice; }
    void signaler(bool bEnCours) const
    {
        if (m_suivi)
            m_suivi(bEnCours);
    }

    void annoncerLignes() const
    {
        if (m_avantLignes)
            m_avantLignes();
    }

private:
    qint16 m_nIndice;
    std::function<void(bool)> m_suivi;
    std::function<void()> m_avantLignes;
};

// Runs the ODBC calls of one statement on the slot nIndice, in the background when the slot
// asks for it; whatever travail raises is raised again here, on the calling thread.
void executerAppelsODBC(qint16 nIndice, const std::function<void()>& travail);

// Called by the worker when the rows of the statement it runs are about to be read: the
// avantLignes of the background it runs for, on the interface thread (nothing elsewhere).
void annoncerLignes();

// True once ODBC_Annuler has been asked to stop the statement now running (for the worker:
// a fetch that fails after it is the cancel, not the end of the rows).
bool annulationDemandee();

}  // namespace kervane
