#include "frame/wndMDI.h"

#include "access/ExecutionEnFond.h"
#include "access/Module_ODBC.h"
#include "export/dlgExporter.h"
#include "frame/BarreEtat.h"
#include "frame/DonneesInstallees.h"
#include "frame/dlgApropos.h"
#include "frame/Module_GES.h"
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Sablier.h"
#include "messages/Trace.h"
#include "platform/Icones.h"
#include "print/dlgImprimer.h"
#include "query/wndKervane.h"
#include "settings/Cles.h"
#include "settings/Registration.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenuBar>
#include <QMdiSubWindow>
#include <QProcess>
#include <QToolBar>
#include <QUrl>

#include <algorithm>

namespace kervane {
namespace {

struct Bouton {
    const char* szCle;
    const char* szInfobulle;
};

// Toolbar keys in order; an empty key is a separator.
const Bouton BOUTONS[] = {
    {"Ouvrir", "Ouvrir une base"},
    {"Fermer", "Fermer la fenêtre de requêtes"},
    {"", ""},
    {"Imprimer", "Imprimer le résultat"},
    {"Copier", "Copier la sélection"},
    {"", ""},
    {"Maximiser", "Maximiser la taille du tableau Résultat"},
    {"Regrouper_cellules", "Regrouper les cellules"},
    {"", ""},
    {"Annuler", "Annuler la requête en cours (Échap)"},
    {"", ""},
    {"Aide", "Aide"},
};

const QString DEBUG_TITRE = QStringLiteral(" [Mode debug]");

}  // namespace

wndMDI::wndMDI(QWidget* pParent) : QMainWindow(pParent)
{
    setWindowTitle(QStringLiteral("Kervane"));
    setWindowIcon(iconeKervane(QStringLiteral("Kervane")));
    m_mdiArea.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdiArea.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(&m_mdiArea);
    m_pBarre = new BarreEtat(this);
    setStatusBar(m_pBarre);
    buildMenus();
    buildToolbar();
    connect(&m_mdiArea, &QMdiArea::subWindowActivated, this, &wndMDI::showMenusOf);
    resize(1100, 760);
    Programme().pFenetrePrincipale = this;
    MDIForm_Load();
}

wndMDI::~wndMDI()
{
    if (Programme().pFenetrePrincipale == this)
        Programme().pFenetrePrincipale = nullptr;
    takeCentralWidget();  // the MDI area is a member, not the main window's child to delete
}

void wndMDI::buildMenus()
{
    m_pMnuFichier = new QMenu(QStringLiteral("&Fichier"), this);
    m_fichier[1] = m_pMnuFichier->addAction(QStringLiteral("&Ouvrir..."));
    m_fichier[7] = m_pMnuFichier->addSeparator();
    for (int i = 8; i <= 11; ++i)
        m_fichier[i] = m_pMnuFichier->addAction(QLatin1Char('&') + QString::number(i - 7));
    m_fichier[12] = m_pMnuFichier->addSeparator();
    m_fichier[20] = m_pMnuFichier->addAction(QStringLiteral("&Quitter"));
    for (const auto& [nIndex, pAction] : m_fichier)
        connect(pAction, &QAction::triggered, this, [this, n = nIndex] { mnuFichier_Click(n); });

    m_pMnuDebug = new QMenu(QStringLiteral("&Debug"), this);
    connect(m_pMnuDebug->addAction(QStringLiteral("Editer le fichier &LOG")), &QAction::triggered, this,
            &wndMDI::editerTrace);

    m_pMnuAbout = new QMenu(QStringLiteral("?"), this);
    const char* const aide[] = {"&Index", "&Utiliser l'aide", nullptr, "&A propos..."};
    for (int i = 0; i < 4; ++i) {
        if (!aide[i]) {
            m_pMnuAbout->addSeparator();
            continue;
        }
        connect(m_pMnuAbout->addAction(QString::fromUtf8(aide[i])), &QAction::triggered, this,
                [this, n = i + 1] { mnuAbout_Click(n); });
    }
    showMenusOf(nullptr);
}

void wndMDI::buildToolbar()
{
    m_pBoutons = addToolBar(QStringLiteral("tobBoutons"));
    m_pBoutons->setObjectName(QStringLiteral("tobBoutons"));
    m_pBoutons->setMovable(false);
    m_pBoutons->setIconSize(QSize(16, 16));
    for (const Bouton& b : BOUTONS) {
        const QString strCle = QString::fromLatin1(b.szCle);
        if (strCle.isEmpty()) {
            m_pBoutons->addSeparator();
            continue;
        }
        QAction* pAction = m_pBoutons->addAction(iconeKervane(strCle), QString::fromUtf8(b.szInfobulle));
        pAction->setObjectName(strCle);
        m_boutons[strCle] = pAction;
        m_imagesBoutons[strCle] = strCle;
        connect(pAction, &QAction::triggered, this, [this, strCle] { tobBoutons_ButtonClick(strCle); });
    }
    m_boutons[QStringLiteral("Regrouper_cellules")]->setCheckable(true);
    // The one key that takes clicks while a statement runs, and only then is it enabled.
    m_pBoutons->widgetForAction(m_boutons[QStringLiteral("Annuler")])->setProperty(PROPRIETE_ANNULATION, true);
    for (const char* szCle : {"Imprimer", "Fermer", "Copier", "Maximiser", "Regrouper_cellules", "Annuler"})
        activerBouton(QString::fromLatin1(szCle), false);
}

void wndMDI::MDIForm_Load()
{
    Pieger(QStringLiteral("MDIForm_Load"), [this] {
        if (!SYS_LireChaineRegistration(cleSuite(), QStringLiteral("Base source"), Programme().strBaseSource, false,
                                        false)) {
            Programme().strBaseSource = baseSourceParDefaut();
            SYS_EcrireChaineRegistration(cleSuite(), QStringLiteral("Base source"), Programme().strBaseSource, false);
        }
        const QString strAide = Programme().strNomExecutable + QStringLiteral(".html");
        if (!SYS_LireChaineRegistration(cleProgramme(), QStringLiteral("Aide en ligne"), m_strAideEnLigne, false,
                                        false))
            m_strAideEnLigne = strAide;
        Programme().nOrientationImpression = 2;
        m_pMnuDebug->menuAction()->setVisible(Programme().bModeDebug);
        if (Programme().bModeDebug)
            setWindowTitle(windowTitle() + DEBUG_TITRE);
        Programme().bDialogueCharge = false;
        Programme().bDialogueValide = false;
        Programme().strPiloteAccess = PILOTE_ACCESS;
        return true;
    });
}

QAction* wndMDI::bouton(const QString& strCle) const
{
    const auto it = m_boutons.find(strCle);
    return it == m_boutons.end() ? nullptr : it->second;
}

QAction* wndMDI::mnuFichierItem(int nIndex) const
{
    const auto it = m_fichier.find(nIndex);
    return it == m_fichier.end() ? nullptr : it->second;
}

void wndMDI::activerBouton(const QString& strCle, bool bActif)
{
    if (QAction* p = bouton(strCle))
        p->setEnabled(bActif);
}

void wndMDI::enfoncerBouton(const QString& strCle, bool bEnfonce)
{
    if (QAction* p = bouton(strCle)) {
        p->setCheckable(true);
        p->setChecked(bEnfonce);
    }
}

bool wndMDI::boutonEnfonce(const QString& strCle) const
{
    const QAction* p = bouton(strCle);
    return p && p->isChecked();
}

void wndMDI::definirBouton(const QString& strCle, const QString& strImage, const QString& strInfobulle)
{
    if (QAction* p = bouton(strCle)) {
        p->setIcon(iconeKervane(strImage));
        p->setToolTip(strInfobulle);
        p->setText(strInfobulle);
        m_imagesBoutons[strCle] = strImage;
    }
}

QString wndMDI::imageBouton(const QString& strCle) const
{
    const auto it = m_imagesBoutons.find(strCle);
    return it == m_imagesBoutons.end() ? QString() : it->second;
}

QString wndMDI::infobulleBouton(const QString& strCle) const
{
    const QAction* p = bouton(strCle);
    return p ? p->toolTip() : QString();
}

bool wndMDI::afficherMessageStatus(const QString& strMessage, int nGenre, bool bTemporaire, bool bArreterMinuterie)
{
    return m_pBarre->afficherMessage(strMessage, nGenre, bTemporaire, bArreterMinuterie);
}

QList<wndKervane*> wndMDI::fenetresRequetes() const
{
    QList<wndKervane*> fenetres;
    for (QMdiSubWindow* pSous : m_mdiArea.subWindowList(QMdiArea::CreationOrder))
        if (auto* pFenetre = qobject_cast<wndKervane*>(pSous->widget()))
            fenetres << pFenetre;
    return fenetres;
}

// The export dialog on that window's result grid; it does nothing when its load refuses.
void wndMDI::exporter(wndKervane& fenetre)
{
    dlgExporter dialogue(*fenetre.griRequetes, fenetre.strLibelleBase, fenetre.strBase, fenetre.ediResultat->text(),
                         this);
    if (dialogue.charger())
        dialogue.exec();
}

void wndMDI::imprimer(wndKervane& fenetre)
{
    dlgImprimer dialogue(*fenetre.griRequetes, fenetre.ediResultat->text(), this);
    if (dialogue.charger())
        dialogue.exec();
}

wndKervane* wndMDI::activeQueryWindow() const
{
    return Programme().pFenetreCourante.data();
}

// The menu bar shows the active query window's menus, or the main window's own.
void wndMDI::showMenusOf(QMdiSubWindow* pSousFenetre)
{
    menuBar()->clear();
    auto* pFenetre = pSousFenetre ? qobject_cast<wndKervane*>(pSousFenetre->widget()) : nullptr;
    if (!pFenetre) {
        menuBar()->addMenu(m_pMnuFichier);
        menuBar()->addMenu(m_pMnuDebug);
        menuBar()->addMenu(m_pMnuAbout);
        return;
    }
    for (QMenu* pMenu : {pFenetre->mnuFichier(), pFenetre->mnuEdition(), pFenetre->mnuDebug(),
                         pFenetre->mnuFenetre(), pFenetre->mnuAbout()})
        if (pMenu)
            menuBar()->addMenu(pMenu);
}

void wndMDI::tobBoutons_ButtonClick(const QString& strCle)
{
    Pieger(QStringLiteral("tobBoutons_ButtonClick"), [&] {
        if (strCle == QLatin1String("Ouvrir"))
            return Ouvrir(true);
        if (strCle == QLatin1String("Aide")) {
            mnuAbout_Click(1);
            return true;
        }
        wndKervane* pFenetre = activeQueryWindow();
        if (!pFenetre)
            return false;
        if (strCle == QLatin1String("Annuler"))
            return pFenetre->annulerRequete();
        QAction* pItem = nullptr;
        if (strCle == QLatin1String("Imprimer"))
            pItem = pFenetre->mnuFichierItem(6);
        else if (strCle == QLatin1String("Fermer"))
            pItem = pFenetre->mnuFichierItem(2);
        else if (strCle == QLatin1String("Copier"))
            pItem = pFenetre->mnuEditionItem(1);
        else if (strCle == QLatin1String("Maximiser"))
            pItem = pFenetre->mnuEditionItem(3);
        else if (strCle == QLatin1String("Regrouper_cellules"))
            pItem = pFenetre->mnuEditionItem(5);
        if (pItem)
            pItem->trigger();
        return true;
    });
}

void wndMDI::mnuFichier_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuFichier_Click"), [&] {
        if (nIndex == 1)
            return Ouvrir(true);
        if (nIndex >= 8 && nIndex <= 11) {
            const auto& recentes = Programme().tabMenuRecentes;
            const auto n = static_cast<std::size_t>(nIndex - 8);
            if (n >= recentes.size())
                return false;
            Programme().strLibelleBase = recentes[n].strLibelle;
            Programme().strCheminBase = recentes[n].strChemin;
            return Ouvrir(false);
        }
        if (nIndex == 20)
            Quitter();
        return true;
    });
}

void wndMDI::mnuAbout_Click(int nIndex)
{
    Pieger(QStringLiteral("mnuAbout_Click"), [&] {
        const QString strAide = cheminDonnee(m_strAideEnLigne);
        if (nIndex == 1)
            QDesktopServices::openUrl(QUrl::fromLocalFile(strAide));
        else if (nIndex == 2) {
            QUrl adresse = QUrl::fromLocalFile(strAide);
            adresse.setFragment(QStringLiteral("utiliser-l-aide"));
            QDesktopServices::openUrl(adresse);
        } else if (nIndex == 4) {
            dlgApropos apropos(this);
            apropos.exec();
        }
        return true;
    });
}

void wndMDI::editerTrace()
{
    Pieger(QStringLiteral("mnuDebug_Click"), [] {
        QStringList arguments = QProcess::splitCommand(Programme().strEditeur);
        if (arguments.isEmpty())
            return false;
        const QString strProgramme = arguments.takeFirst();
        arguments << MSG_CheminTrace();
        return QProcess::startDetached(strProgramme, arguments);
    });
}

// Tiles the windows in bands: one above the other (horizontal) or side by side. A band is
// never thinner than its windows allow: the area then scrolls rather than hide results.
void wndMDI::tile(bool bHorizontal)
{
    const auto fenetres = m_mdiArea.subWindowList(QMdiArea::CreationOrder);
    if (fenetres.isEmpty())
        return;
    const QSize taille = m_mdiArea.viewport()->size();
    const int n = static_cast<int>(fenetres.size());
    int nBande = (bHorizontal ? taille.height() : taille.width()) / n;
    for (const QMdiSubWindow* pSous : fenetres) {
        const QSize minimum = pSous->minimumSizeHint().expandedTo(pSous->minimumSize());
        nBande = std::max(nBande, bHorizontal ? minimum.height() : minimum.width());
    }
    for (int i = 0; i < n; ++i) {
        fenetres[i]->showNormal();
        if (bHorizontal)
            fenetres[i]->setGeometry(0, i * nBande, taille.width(), nBande);
        else
            fenetres[i]->setGeometry(i * nBande, 0, nBande, taille.height());
    }
}

void wndMDI::arranger(int nIndex)
{
    switch (nIndex) {
    case 1: tile(true); break;
    case 2: tile(false); break;
    case 3: m_mdiArea.cascadeSubWindows(); break;
    case 4:  // minimised windows lined up along the bottom
        for (QMdiSubWindow* p : m_mdiArea.subWindowList())
            if (p->isMinimized())
                p->showMinimized();
        break;
    default: break;
    }
}

void wndMDI::Quitter()
{
    Sablier sablier;
    const auto fenetres = m_mdiArea.subWindowList(QMdiArea::CreationOrder);
    for (auto it = fenetres.rbegin(); it != fenetres.rend(); ++it)
        (*it)->close();
    close();
}

void wndMDI::closeEvent(QCloseEvent* pEvent)
{
    m_mdiArea.closeAllSubWindows();
    if (!m_mdiArea.subWindowList().isEmpty()) {
        pEvent->ignore();
        return;
    }
    ODBC_Cloturer();
    QMainWindow::closeEvent(pEvent);
}

}  // namespace kervane
