#include "access/ExecutionEnFond.h"

#include "access/EtatODBC.h"
#include "access/FiltreSaisie.h"
#include "access/Module_ODBC.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kervane {
namespace {

// The statement whose ODBC calls are under way. ODBC_Annuler may come from any thread: it
// holds the lock while it calls SQLCancel, so the handle cannot be released meanwhile.
struct InstructionEnCours {
    std::mutex verrou;
    qint16 nIndice = 0;
    SQLHSTMT hInstruction = SQL_NULL_HSTMT;
    bool bAnnulationDemandee = false;
};

InstructionEnCours& enCours()
{
    static InstructionEnCours instruction;
    return instruction;
}

// Declares the statement running for the lifetime of the object.
class DeclarationEnCours {
public:
    DeclarationEnCours(qint16 nIndice, SQLHSTMT hInstruction)
    {
        InstructionEnCours& i = enCours();
        const std::lock_guard verrou(i.verrou);
        i.nIndice = nIndice;
        i.hInstruction = hInstruction;
        i.bAnnulationDemandee = false;
    }
    ~DeclarationEnCours()
    {
        InstructionEnCours& i = enCours();
        const std::lock_guard verrou(i.verrou);
        i.nIndice = 0;
        i.hInstruction = SQL_NULL_HSTMT;
        i.bAnnulationDemandee = false;
    }
    DeclarationEnCours(const DeclarationEnCours&) = delete;
    DeclarationEnCours& operator=(const DeclarationEnCours&) = delete;
};

// The objects that make statements run in the background (interface thread only).
std::vector<const ExecutionEnFond*>& backgroundRequests()
{
    static std::vector<const ExecutionEnFond*> tabExecutions;
    return tabExecutions;
}

// The object asking for the background on that connection, if the caller may wait for it.
const ExecutionEnFond* backgroundOf(qint16 nIndice)
{
    const auto* pApplication = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!pApplication || QThread::currentThread() != pApplication->thread())
        return nullptr;
    for (const ExecutionEnFond* p : backgroundRequests())
        if (p->indice() == nIndice)
            return p;
    return nullptr;
}

// Tells the tracker of the background that the calls began, and that they ended on every path.
class SignalementSuivi {
public:
    explicit SignalementSuivi(const ExecutionEnFond& enFond) : m_enFond(enFond) { m_enFond.signaler(true); }
    ~SignalementSuivi()
    {
        try {
            m_enFond.signaler(false);
        } catch (...) {
        }
    }
    SignalementSuivi(const SignalementSuivi&) = delete;
    SignalementSuivi& operator=(const SignalementSuivi&) = delete;

private:
    const ExecutionEnFond& m_enFond;
};

// What annoncerLignes() does on the worker thread while it makes a statement's calls.
thread_local const std::function<void()>* tl_pAnnonce = nullptr;

// The worker makes the calls; the interface thread waits in a local event loop that the
// worker ends once it is done, whatever the outcome. The announcement of the rows runs in
// that loop while the worker waits for it.
void runOnWorker(const ExecutionEnFond& enFond, const std::function<void()>& travail)
{
    const FiltreSaisie filtre(enFond.indice());
    QEventLoop boucle;
    std::exception_ptr erreur;
    std::atomic<bool> bFini = false;
    const std::function<void()> annonce = [&] {
        QMetaObject::invokeMethod(
            &boucle,
            [&] {
                try {
                    enFond.annoncerLignes();
                } catch (...) {
                    // Nothing made room: the rows are read all the same.
                }
            },
            Qt::BlockingQueuedConnection);
    };
    std::jthread ouvrier([&] {
        tl_pAnnonce = &annonce;
        try {
            travail();
        } catch (...) {
            erreur = std::current_exception();
        }
        tl_pAnnonce = nullptr;
        bFini = true;
        QMetaObject::invokeMethod(&boucle, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (!bFini)
        boucle.exec();
    ouvrier.join();
    if (erreur)
        std::rethrow_exception(erreur);
}

}  // namespace

ExecutionEnFond::ExecutionEnFond(qint16 nIndice, std::function<void(bool bEnCours)> suivi,
                                 std::function<void()> avantLignes)
    : m_nIndice(nIndice), m_suivi(std::move(suivi)), m_avantLignes(std::move(avantLignes))
{
    backgroundRequests().push_back(this);
}

ExecutionEnFond::~ExecutionEnFond()
{
    std::vector<const ExecutionEnFond*>& tab = backgroundRequests();
    tab.erase(std::remove(tab.begin(), tab.end(), this), tab.end());
}

void executerAppelsODBC(qint16 nIndice, const std::function<void()>& travail)
{
    EmplacementConnexion& e = etatODBC().emplacement(nIndice);
    e.bAnnulee = false;
    const DeclarationEnCours declaration(nIndice, e.instruction.get());
    try {
        if (const ExecutionEnFond* pEnFond = backgroundOf(nIndice)) {
            const SignalementSuivi signalement(*pEnFond);
            runOnWorker(*pEnFond, travail);
        } else {
            travail();
        }
    } catch (...) {
        e.bAnnulee = annulationDemandee();
        throw;
    }
}

void annoncerLignes()
{
    if (tl_pAnnonce != nullptr)
        (*tl_pAnnonce)();
}

bool annulationDemandee()
{
    InstructionEnCours& i = enCours();
    const std::lock_guard verrou(i.verrou);
    return i.bAnnulationDemandee;
}

bool ODBC_Annuler(qint16 nIndice)
{
    try {
        InstructionEnCours& i = enCours();
        const std::lock_guard verrou(i.verrou);
        if (nIndice == 0 || i.nIndice != nIndice || i.hInstruction == SQL_NULL_HSTMT)
            return false;
        i.bAnnulationDemandee = true;
        return SQLCancel(i.hInstruction) == SQL_SUCCESS;
    } catch (...) {
        return false;
    }
}

bool ODBC_InstructionAnnulee(qint16 nIndice)
{
    EtatODBC& etat = etatODBC();
    return nIndice >= 1 && nIndice <= etat.nombreEmplacements() && etat.emplacement(nIndice).bAnnulee;
}

}  // namespace kervane
