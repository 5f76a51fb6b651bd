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
// and end (false): the end comes before any message on the outcome.
class ExecutionEnFond {
public:
    explicit ExecutionEnFond(qint16 nIndice, std::function<void(bool bEnCours)> suivi = {});
    ~ExecutionEnFond();
    ExecutionEnFond(const ExecutionEnFond&) = delete;
    ExecutionEnFond& operator=(const ExecutionEnFond&) = delete;

    qint16 indice() const { return m_nIndice; }
    void signaler(bool bEnCours) const
    {
        if (m_suivi)
            m_suivi(bEnCours);
    }

private:
    qint16 m_nIndice;
    std::function<void(bool)> m_suivi;
};

// Runs the ODBC calls of one statement on the slot nIndice, in the background when the slot
// asks for it; whatever travail raises is raised again here, on the calling thread.
void executerAppelsODBC(qint16 nIndice, const std::function<void()>& travail);

// True once ODBC_Annuler has been asked to stop the statement now running (for the worker:
// a fetch that fails after it is the cancel, not the end of the rows).
bool annulationDemandee();

}  // namespace kervane
