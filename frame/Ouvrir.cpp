// The opening sequence: a chosen Velmora database becomes a query window bound to its
// connection, with its progress in the status bar.
#include "access/Module_ODBC.h"
#include "frame/Module_GES.h"
#include "frame/wndMDI.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "open/dlgOuvrir.h"
#include "open/Module_BAS.h"
#include "open/SaisieMotDePasse.h"
#include "platform/spread/vaSpread.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPointer>

namespace kervane {
namespace {

const QString DSN_BASE = QStringLiteral("Base Suite Velmora");

void progress(int nPourcent)
{
    GES_AfficherMessageStatus(QStringLiteral("Ouverture : %1%").arg(nPourcent), 1, false, true);
}

// Shows the open dialog; true when the user confirmed a database.
bool chooseWithDialog(QWidget* pParent, MotDePasseRetenu& retenu)
{
    std::unique_ptr<dlgOuvrir> dialogue;
    {
        Sablier sablier;
        dialogue = std::make_unique<dlgOuvrir>(pParent);
        dialogue->retenirMotsDePasse(&retenu);
        dialogue->charger();
    }
    if (!Programme().bDialogueCharge)
        return false;
    dialogue->exec();
    if (!Programme().bDialogueValide)
        return false;
    QCoreApplication::processEvents();
    return true;
}

// Steps 9 to 12: the new window's label, debug menu, grid, history and menus.
void prepareWindow(wndKervane& fenetre, FenetrePrincipale& principale)
{
    progress(25);
    fenetre.strLibelleBase = Programme().strLibelleBase;
    if (QMenu* pDebug = fenetre.mnuDebug())
        pDebug->menuAction()->setVisible(Programme().bModeDebug);
    principale.enfoncerBouton(QStringLiteral("Regrouper_cellules"), true);
    vaSpread& grille = *fenetre.griRequetes;
    grille.setCol(-1);
    grille.setRow(-1);
    grille.setMaxRows(0);
    grille.setMaxCols(0);
    fenetre.txtDimensionGrille->hide();

    progress(30);
    fenetre.LireParametres();
    progress(35);
    fenetre.ediResultat->clear();
    fenetre.cboRequetes->clear();
    fenetre.ediRequete->clear();
    progress(45);
    fenetre.mnuFichierItem(6)->setEnabled(false);
    fenetre.mnuFichierItem(2)->setEnabled(true);
    principale.activerBouton(QStringLiteral("Imprimer"), false);
    principale.activerBouton(QStringLiteral("Copier"), true);
    fenetre.ChargerRequetes();
    fenetre.SauvegarderRequetes();
}

}  // namespace

bool wndMDI::Ouvrir(bool bDlg)
{
    const bool bOuverte = Pieger(QStringLiteral("Ouvrir"), [&] { return openDatabase(bDlg); });
    GES_AfficherMessageStatus(QString(), 0, false, true);
    return bOuverte;
}

bool wndMDI::openDatabase(bool bDlg)
{
    EtatProgramme& programme = Programme();
    if (!bDlg && !QFileInfo::exists(programme.strCheminBase)) {
        MSG_Afficher(QStringLiteral("La base <") + programme.strCheminBase + QStringLiteral("> n'existe plus."), 2,
                     MB_ICONEXCLAMATION, QStringLiteral("Ouvrir"));
        EnleverRegistration(nullptr, programme.strLibelleBase, programme.strCheminBase);
        return false;
    }
    // A password typed while the dialog checks the base serves its opening too, then goes.
    MotDePasseRetenu retenu;
    if (bDlg && !chooseWithDialog(this, retenu))
        return false;

    Sablier sablier;
    QPointer<wndKervane> fenetre = new wndKervane;
    QPointer<QMdiSubWindow> pSous = m_mdiArea.addSubWindow(fenetre);
    pSous->setWindowIcon(windowIcon());
    pSous->resize(m_mdiArea.viewport()->size() * 0.92);
    pSous->show();
    progress(5);
    const auto echec = [&] {
        if (pSous)
            pSous->close();
        return false;
    };

    const QString strChemin = programme.strCheminBase;
    if (!ODBC_ModifierDSN(programme.strPiloteAccess, DSN_BASE, strChemin)
        && !ODBC_AjouterDSN(programme.strPiloteAccess, DSN_BASE, DSN_BASE, strChemin))
        return echec();
    qint16 nIndice = 0;
    if (!ODBC_Connecter({QString(), programme.strNumeroUtilisateur.right(10), DSN_BASE,
                         demandeMotDePasse(this, strChemin, &retenu)},
                        nIndice, strChemin)) {
        EnleverRegistration(fenetre, programme.strLibelleBase, strChemin);
        return echec();
    }
    fenetre->nIndBase = nIndice;
    fenetre->strBase = strChemin;
    if (!BAS_TesterUtilisateur(nIndice))
        return echec();

    prepareWindow(*fenetre, *this);
    progress(60);
    if (!fenetre->AfficherTables())
        return echec();

    progress(80);
    if (fenetre->strLibelleBase != programme.strLibelleBase)
        EnleverRegistration(fenetre, programme.strLibelleBase, fenetre->strBase);
    progress(85);
    StockerRegistration(fenetre, fenetre->strLibelleBase, fenetre->strBase);
    fenetre->setTag(QString::number(fenetre->nIndBase));
    programme.pFenetreCourante = fenetre;

    progress(90);
    titleWindow(*fenetre);
    fenetre->update();
    programme.tabBlocs.clear();
    progress(100);
    GES_LirePremieresBasesRecentes();
    return true;
}

// Label + " - " + path, with "  [n]" on every window of the connection when it has several
// (and the debug mark in debug mode).
void wndMDI::titleWindow(wndKervane& fenetre)
{
    fenetre.nOccurrence = 0;
    const QList<wndKervane*> fenetres = fenetresRequetes();
    for (const wndKervane* pAutre : fenetres)
        if (pAutre->Tag().toInt() == fenetre.nIndBase)
            ++fenetre.nOccurrence;
    if (fenetre.nOccurrence == 1) {
        fenetre.setWindowTitle(fenetre.titre(false));
        return;
    }
    for (wndKervane* pAutre : fenetres)
        if (pAutre->nIndBase == fenetre.nIndBase)
            pAutre->setWindowTitle(pAutre->titre(true));
}

}  // namespace kervane
