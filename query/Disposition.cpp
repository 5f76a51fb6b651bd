// Form_Load, Form_Activate, Form_Resize and MaximiserTableau: the places of the controls,
// the maximised result, and the main toolbar that follows the active window.
#include "query/Disposition.h"

#include "messages/Piege.h"
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "query/FenetrePrincipale.h"
#include "query/wndKervane.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QStyle>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include <algorithm>

namespace kervane {

using namespace disposition;

int difference(int a, int b)
{
    return a < b ? b - a : a - b;
}

Largeurs calculerLargeurs(int nLargeurTwips)
{
    Largeurs l;
    const int w = nLargeurTwips / TWIPS - 22;
    l.nConception = w;
    if (w >= 16) {
        l.nCombo = (w - 16) * TWIPS;
        if (w >= 68) {
            l.nGaucheBouton = (w - 68) * TWIPS;
            if (w >= 88)
                l.nEditeur = (w - 88) * TWIPS;
        }
    } else {
        l.nCombo = (16 - w) * TWIPS;
    }
    if (w >= 89)
        l.nGaucheDimension = (w - 89) * TWIPS;
    if (w >= 104)
        l.nLigneInfo = (w - 104) * TWIPS;
    if (w >= 50)
        l.nPages = (w - 50) * TWIPS + 340;
    return l;
}

int largeurArbre(int nPagesTwips)
{
    return difference(nPagesTwips, 150 + 16);
}

Hauteurs calculerHauteurs(int nInterieur, int nHautResultat)
{
    Hauteurs h;
    h.nResultat = difference(nInterieur, nHautResultat + MARGE_BAS);
    h.nOnglets = difference(h.nResultat, 55) * TWIPS;
    h.nPages = difference(h.nOnglets, 480);
    h.nArbre = difference(h.nPages, 120);
    return h;
}

int hauteurInterieureMinimale(int nHauteurGrille)
{
    // calculerHauteurs read backwards: the result frame loses 55 pixels to its title and
    // information line, the tab strip its header, the page its margins.
    return HAUT_CONCEPTION + HAUTEUR_CONCEPTION + ECART + MARGE_BAS + 55 + HAUTEUR_ENTETE_ONGLETS + 120 / TWIPS
           + nHauteurGrille;
}

namespace {

void setWidth(QWidget& control, int nPixels)
{
    control.resize(std::max(nPixels, 0), control.height());
}

void setHeight(QWidget& control, int nPixels)
{
    control.resize(control.width(), std::max(nPixels, 0));
}

}  // namespace

bool wndKervane::isMinimisedWindow() const
{
    if (const auto* pSous = qobject_cast<const QMdiSubWindow*>(parentWidget()))
        return pSous->isMinimized();
    return window()->isMinimized();
}

void wndKervane::applyLayout()
{
    const Largeurs l = calculerLargeurs((width() + BORDURE_FENETRE) * TWIPS);
    setWidth(*cadConception, l.nConception);
    setWidth(*cboRequetes, l.nCombo / TWIPS);
    if (l.nGaucheBouton)
        btnLancer->move(*l.nGaucheBouton / TWIPS, btnLancer->y());
    if (l.nEditeur)
        setWidth(*ediRequete, *l.nEditeur / TWIPS);
    setWidth(*cadResultat, l.nConception);
    setWidth(*tabResultat, l.nCombo / TWIPS);
    setWidth(*m_pPanneauOnglets, l.nCombo / TWIPS);
    if (l.nGaucheDimension)
        txtDimensionGrille->move(*l.nGaucheDimension / TWIPS, txtDimensionGrille->y());
    if (l.nLigneInfo)
        setWidth(*ediResultat, *l.nLigneInfo / TWIPS);
    if (l.nPages) {
        setWidth(*cadTables, *l.nPages / TWIPS);
        setWidth(*cadResultat2, *l.nPages / TWIPS);
    }
    setWidth(*tvwTables, largeurArbre(cadTables->width() * TWIPS) / TWIPS);
    setWidth(*griRequetes, largeurArbre(cadResultat2->width() * TWIPS) / TWIPS);

    const Hauteurs h = calculerHauteurs(height(), cadResultat->y());
    setHeight(*cadResultat, h.nResultat);
    tabResultat->setGeometry(GAUCHE_CONTROLES, HAUT_ONGLETS, tabResultat->width(), HAUTEUR_ENTETE_ONGLETS);
    m_pPanneauOnglets->setGeometry(GAUCHE_CONTROLES, HAUT_ONGLETS + HAUTEUR_ENTETE_ONGLETS - 1,
                                   m_pPanneauOnglets->width(), h.nPages / TWIPS + 1);
    setHeight(*cadTables, h.nPages / TWIPS);
    setHeight(*cadResultat2, h.nPages / TWIPS);
    setHeight(*tvwTables, h.nArbre / TWIPS);
    setHeight(*griRequetes, h.nArbre / TWIPS);
    const int nHautInfo = HAUT_ONGLETS + h.nOnglets / TWIPS + 6;
    ediResultat->setGeometry(GAUCHE_CONTROLES, nHautInfo, ediResultat->width(), HAUTEUR_LIGNE_INFO);
    txtDimensionGrille->setGeometry(txtDimensionGrille->x(), nHautInfo, LARGEUR_DIMENSION, HAUTEUR_LIGNE_INFO);
}

void wndKervane::Form_Load()
{
    Pieger(QStringLiteral("Form_Load"), [this] {
        griRequetes->setGrayAreaBackColor(palette().color(QPalette::Button));
        griRequetes->setCol(-1);
        griRequetes->setRow(-1);
        griRequetes->setCellType(vaSpread::kCellTypeStaticText);
        m_dLargeurEnteteLignes = griRequetes->ColWidth(0);
        m_pMnuDebug->menuAction()->setVisible(Programme().bModeDebug);
        cadConception->move(GAUCHE_CADRES, HAUT_CONCEPTION);
        cadConception->resize(cadConception->width(), HAUTEUR_CONCEPTION);
        cadResultat->move(GAUCHE_CADRES, HAUT_CONCEPTION + HAUTEUR_CONCEPTION + ECART);
        showTab(QStringLiteral("tables"));
        // Tiled or resized, a window keeps room for the header and three rows of its result.
        const int nGrille = griRequetes->titleRowHeight() + 3 * griRequetes->defaultRowHeight()
                            + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * griRequetes->frameWidth();
        setMinimumHeight(hauteurInterieureMinimale(nGrille));
        resize(760, 560);
        applyLayout();
        return true;
    });
}

// The toolbar's Maximiser button shows this window's state.
void wndKervane::showMaximiseState()
{
    FenetrePrincipale* pPrincipale = principale();
    if (!pPrincipale)
        return;
    if (m_bMaximise)
        pPrincipale->definirBouton(QStringLiteral("Maximiser"), QStringLiteral("Reduction"),
                                   QStringLiteral("Réduire la taille du tableau Résultat"));
    else
        pPrincipale->definirBouton(QStringLiteral("Maximiser"), QStringLiteral("Maximiser"),
                                   QStringLiteral("Maximiser la taille du tableau Résultat"));
}

void wndKervane::syncToolbar()
{
    showMaximiseState();
    if (FenetrePrincipale* pPrincipale = principale())
        pPrincipale->enfoncerBouton(QStringLiteral("Regrouper_cellules"), mnuEditionItem(5)->isChecked());
}

void wndKervane::Form_Activate()
{
    Pieger(QStringLiteral("Form_Activate"), [this] {
        Programme().pFenetreCourante = this;
        syncToolbar();
        return true;
    });
}

void wndKervane::Form_Resize()
{
    Pieger(QStringLiteral("Form_Resize"), [this] {
        if (isMinimisedWindow() || cadConception == nullptr)
            return true;
        // Only the active window speaks for the toolbar button.
        const wndKervane* pActive = Programme().pFenetreCourante.data();
        if (!m_bMaximise && (pActive == nullptr || pActive == this))
            showMaximiseState();
        if (!m_bMaximise)
            cadResultat->move(cadResultat->x(), cadConception->y() + cadConception->height() + ECART);
        applyLayout();
        return true;
    });
}

bool wndKervane::MaximiserTableau()
{
    return Pieger(QStringLiteral("MaximiserTableau"), [this] {
        cadConception->setTitle(QStringLiteral("Conception"));
        m_bMaximise = !m_bMaximise;
        if (m_bMaximise) {
            cadConception->hide();
            cadConception->resize(cadConception->width(), 0);
            cadResultat->move(cadResultat->x(), ECART);
        } else {
            cadConception->resize(cadConception->width(), HAUTEUR_CONCEPTION);
            cadConception->show();
            cadResultat->move(cadResultat->x(), cadConception->y() + HAUTEUR_CONCEPTION + ECART);
        }
        showMaximiseState();
        applyLayout();
        return true;
    });
}

}  // namespace kervane
