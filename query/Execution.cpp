// btnLancer_Click: the editor's statement flattened, classified and run inside a
// transaction; rows go to the grid, a change waits for the user's answer on its count. The
// statement itself may be cancelled while it runs: nothing is then changed. Afterwards the
// status bar tells the rows and the time for a moment, and a syntax error that the driver
// places in the statement is shown selected in the editor.
#include "access/ExecutionEnFond.h"
#include "access/Module_ODBC.h"
#include "messages/Afficher.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "messages/Sablier.h"
#include "platform/spread/vaSpread.h"
#include "query/BilanExecution.h"
#include "query/GrilleAuRepos.h"
#include "query/FenetrePrincipale.h"
#include "query/PositionErreur.h"
#include "query/Requete.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTextCursor>
#include <QTimer>

namespace kervane {

namespace {

constexpr qint32 STYLE_ECHEC_LANCER = MB_OKCANCEL | MB_ICONEXCLAMATION;  // 49
constexpr int DELAI_DUREE_MS = 500;  // a statement shorter than this shows no elapsed time
constexpr int PAS_DUREE_MS = 100;

void showStatus(const QString& strMessage, int nGenre)
{
    if (FenetrePrincipale* pPrincipale = Programme().pFenetrePrincipale)
        pPrincipale->afficherMessageStatus(strMessage, nGenre, false, true);
}

// Shown with the information icon until the status bar's timer clears it.
void showTemporaryStatus(const QString& strMessage)
{
    if (FenetrePrincipale* pPrincipale = Programme().pFenetrePrincipale)
        pPrincipale->afficherMessageStatus(strMessage, 1, true, false);
}

// Keeps the last text shown in a message box while it lives (the boxes themselves are shown
// as before), so that the window can read where the driver placed an error.
class EcouteMessages final : public RepondeurModal {
public:
    EcouteMessages() : m_suivant(Repondeur()), m_remplacement(*this) {}
    EcouteMessages(const EcouteMessages&) = delete;
    EcouteMessages& operator=(const EcouteMessages&) = delete;

    const QString& dernierMessage() const { return m_strDernier; }

    qint16 afficherMessage(const QString& strTexte, qint32 nStyle, const QString& strTitre) override
    {
        m_strDernier = strTexte;
        return m_suivant.afficherMessage(strTexte, nStyle, strTitre);
    }
    QString choisirFichier(const QString& strTitre, const QString& strDossier, const QString& strFiltre) override
    {
        return m_suivant.choisirFichier(strTitre, strDossier, strFiltre);
    }
    QString choisirFichierAEnregistrer(const QString& strTitre, const QString& strChemin,
                                       const QString& strFiltre) override
    {
        return m_suivant.choisirFichierAEnregistrer(strTitre, strChemin, strFiltre);
    }
    bool proprietesImprimante(QPrinter& imprimante) override { return m_suivant.proprietesImprimante(imprimante); }

private:
    RepondeurModal& m_suivant;
    QString m_strDernier;
    RemplacementRepondeur m_remplacement;  // last: installed once the rest is ready
};

void enableCancelKey(bool bActif)
{
    if (FenetrePrincipale* pPrincipale = Programme().pFenetrePrincipale)
        pPrincipale->activerBouton(QStringLiteral("Annuler"), bActif);
}

// While a statement of the window runs: its ODBC calls are made in the background (the
// windows painted, the input held back but for Échap and the "Annuler" key, enabled
// meanwhile), and from half a second on the status bar shows the time elapsed.
class SuiviExecution {
public:
    explicit SuiviExecution(qint16 nIndice, std::function<void()> avantLignes = {})
        : m_enFond(nIndice, [this](bool bEnCours) { follow(bEnCours); }, std::move(avantLignes))
    {
        QObject::connect(&m_minuterie, &QTimer::timeout, [this] { showElapsedTime(); });
    }
    SuiviExecution(const SuiviExecution&) = delete;
    SuiviExecution& operator=(const SuiviExecution&) = delete;

private:
    void follow(bool bEnCours)
    {
        enableCancelKey(bEnCours);
        if (bEnCours) {
            m_chrono.start();
            m_minuterie.start(DELAI_DUREE_MS);
            return;
        }
        m_minuterie.stop();
        if (m_bDureeAffichee)
            showStatus(QString(), 0);
        m_bDureeAffichee = false;
    }
    void showElapsedTime()
    {
        m_minuterie.setInterval(PAS_DUREE_MS);
        m_bDureeAffichee = true;
        showStatus(wndKervane::texteExecutionEnCours(m_chrono.elapsed()), 1);
    }

    QElapsedTimer m_chrono;
    QTimer m_minuterie;
    bool m_bDureeAffichee = false;
    ExecutionEnFond m_enFond;  // last: gone before what its tracking uses
};

// "1,5 s", "1 min 05 s", "2 h 00 min 05 s".
QString elapsedText(qint64 nMillisecondes)
{
    const qint64 nSecondes = nMillisecondes / 1000;
    if (nSecondes < 60) {
        const QString strSeparateur = Programme().strSeparateurDecimal.isEmpty() ? QStringLiteral(",")
                                                                                 : Programme().strSeparateurDecimal;
        return QString::number(nSecondes) + strSeparateur + QString::number(nMillisecondes % 1000 / 100)
               + QStringLiteral(" s");
    }
    const QString strMinutes = QStringLiteral("%1 min %2 s").arg(nSecondes / 60 % 60).arg(nSecondes % 60, 2, 10, QLatin1Char('0'));
    if (nSecondes < 3600)
        return strMinutes;
    return QStringLiteral("%1 h %2 min %3 s")
        .arg(nSecondes / 3600)
        .arg(nSecondes / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(nSecondes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString wndKervane::texteExecutionEnCours(qint64 nMillisecondes)
{
    return QStringLiteral("Exécution en cours : ") + elapsedText(nMillisecondes)
           + QStringLiteral(" (Échap pour annuler)");
}

bool wndKervane::annulerRequete()
{
    return ODBC_Annuler(nIndBase);
}

QString wndKervane::texteRequete() const
{
    QString strTexte = ediRequete->toPlainText();
    strTexte.replace(u'\n', QStringLiteral("\r\n"));
    return strTexte;
}

void wndKervane::definirTexteRequete(const QString& strTexte)
{
    QString strAffiche = strTexte;
    strAffiche.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ediRequete->setPlainText(strAffiche);
}

void wndKervane::btnLancer_Click()
{
    const Sablier sablier;
    try {
        runStatement();
    } catch (...) {
        const ErreurPiegee erreur = ErreurEnCours();
        MSG_Afficher(erreur, GENRE_ERREUR, STYLE_ECHEC_LANCER, QStringLiteral("btnLancer_Click"));
        if (nIndBase != 0)
            ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
    }
    finalStep();
}

bool wndKervane::runStatement()
{
    if (nIndBase == 0 || !ODBC_EtablirTransaction(nIndBase, TRANS_BEGIN))
        return false;
    QString strRequete;
    QString strPositions;
    InterpreterRequete(texteRequete(), strRequete, strPositions);
    const GenreRequete genre = classerRequete(strRequete);
    QString strBilan;
    bool bReussie = false;
    {
        const EcouteMessages ecoute;
        bReussie = genre == GenreRequete::Selection ? runSelection(strRequete, strBilan)
                                                   : runChange(strRequete, genre, strBilan);
        if (!bReussie)
            selectFaultyToken(ecoute.dernierMessage(), strRequete);
    }
    if (bReussie)
        successTail(strRequete, strPositions);
    if (!strBilan.isEmpty())
        showTemporaryStatus(strBilan);
    return bReussie;
}

// The error box is closed by now: the piece it names is selected in the editor, unless the
// editor no longer holds the statement that ran.
void wndKervane::selectFaultyToken(const QString& strMessage, const QString& strRequete)
{
    const qsizetype nIndice = indiceErreur(strMessage, strRequete);
    if (nIndice < 0)
        return;
    QString strAplatie;
    const QList<qsizetype> origines = originesAplaties(ediRequete->toPlainText(), strAplatie);
    if (strAplatie != strRequete)
        return;
    const auto [nDebut, nFin] = plageJeton(strRequete, nIndice);
    QTextCursor curseur(ediRequete->document());
    curseur.setPosition(static_cast<int>(origines[nDebut]));
    curseur.setPosition(static_cast<int>(origines[nFin - 1] + 1), QTextCursor::KeepAnchor);
    ediRequete->setTextCursor(curseur);
    ediRequete->setFocus();
}

// A statement picked from the history that fails leaves the list. A statement taken for a
// selection that gives no columns (a change behind a leading PARAMETERS, for instance) must not
// stay pending in the open transaction, to be committed with the next accepted change: it is
// undone at once and the user told so.
bool wndKervane::runSelection(const QString& strRequete, QString& strBilan)
{
    GrilleAuRepos repos(*griRequetes);
    TableauTextes tabLignes;
    bool bLue = false;
    QElapsedTimer chrono;
    {
        const SuiviExecution suivi(nIndBase, [&repos] { repos.mettreAuRepos(); });
        chrono.start();
        bLue = ODBC_SelectionnerDansTableau(nIndBase, strRequete, tabLignes, true);
    }
    const qint64 nDuree = chrono.elapsed();
    if (bLue && tabLignes.colonnes() <= 1) {
        ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
        Repondeur().afficherMessage(texteSelectionSansLignes(), MB_ICONEXCLAMATION, Programme().strTitreApplication);
        return false;
    }
    if (!bLue && ODBC_InstructionAnnulee(nIndBase)) {
        ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);  // the grid and the history stay as they were
        return false;
    }
    if (!bLue) {
        const int nCourante = cboRequetes->currentIndex();
        if (nCourante >= 0 && cboRequetes->currentText() == strRequete) {
            cboRequetes->removeItem(nCourante);
            cboRequetes->setCurrentIndex(-1);
            definirTexteRequete(QStringLiteral(" "));
        }
        return false;
    }
    m_strRequeteGrille = strRequete;
    strBilan = texteBilan(GenreRequete::Selection, tabLignes.texte(0, 0).toLongLong(), nDuree);
    remplirGrille(std::move(tabLignes));
    showDimension();
    enableResultCommands();
    return true;
}

// True when the change was accepted and committed; every other outcome is rolled back. The
// status bar tells the count of a change that stands: committed, or one that touched no row.
bool wndKervane::runChange(const QString& strRequete, GenreRequete genre, QString& strBilan)
{
    qint32 nLignes = 0;
    bool bExecutee = false;
    QElapsedTimer chrono;
    {
        const SuiviExecution suivi(nIndBase);
        chrono.start();
        bExecutee = ODBC_Executer(nIndBase, strRequete, nLignes);
    }
    const qint64 nDuree = chrono.elapsed();
    if (!bExecutee) {
        if (ODBC_InstructionAnnulee(nIndBase))
            ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
        return false;
    }
    qint16 nReponse = 0;
    if (genre != GenreRequete::Autre)
        nReponse = Repondeur().afficherMessage(texteQuestion(genre, nLignes), styleQuestion(nLignes),
                                               Programme().strTitreApplication);
    if (nReponse == IDYES && ODBC_EtablirTransaction(nIndBase, TRANS_COMMIT)) {
        strBilan = texteBilan(genre, nLignes, nDuree);
        return true;
    }
    ODBC_EtablirTransaction(nIndBase, TRANS_ROLLBACK);
    if (genre != GenreRequete::Autre && nLignes == 0)
        strBilan = texteBilan(genre, 0, nDuree);
    return false;
}

void wndKervane::enableResultCommands()
{
    mnuFichierItem(6)->setEnabled(true);
    mnuFichierItem(2)->setEnabled(true);
    if (FenetrePrincipale* pPrincipale = principale())
        for (const char* szCle : {"Imprimer", "Copier", "Maximiser", "Regrouper_cellules"})
            pPrincipale->activerBouton(QString::fromLatin1(szCle), true);
}

void wndKervane::successTail(const QString& strRequete, const QString& strPositions)
{
    for (wndKervane* pFenetre : fenetresMemeBase())
        pFenetre->enregistrerRequete(strRequete, strPositions);
    cboRequetes->setCurrentIndex(cboRequetes->findText(strRequete, Qt::MatchExactly | Qt::MatchCaseSensitive));
    const QRect onglet = tabResultat->tabRect(tabIndex(QStringLiteral("resultat")));
    tabResultat_MouseDown(0, 0, (onglet.left() + onglet.width() / 2) * 15, 0);
    showInformation(surUneLigne(texteRequete()));
}

void wndKervane::finalStep()
{
    if (nIndBase != 0)
        SauvegarderRequetes();
    griRequetes->setReDraw(true);
}

}  // namespace kervane
