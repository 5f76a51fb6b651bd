// Dragging a name from the tables tree into the editor: the tree's mouse handlers arm a
// drag once the left button moved away from a node, and start it once per press.
#include "query/GlisserNoms.h"

#include "messages/Piege.h"
#include "messages/Programme.h"
#include "query/wndKervane.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QTreeWidget>

#include <cmath>
#include <memory>

namespace kervane {

void EtatGlisser::presser(int nBouton, float x, float y)
{
    *this = EtatGlisser();
    nPresseX = static_cast<qint32>(std::lround(x));
    nPresseY = static_cast<qint32>(std::lround(y));
    bGaucheBas = nBouton == 1;
    bDroitBas = nBouton == 2;
}

void EtatGlisser::relacher()
{
    bGaucheRelache = false;
    bDroitRelache = false;
    if (bGaucheBas) {
        if (bGaucheArme) {
            bGaucheArme = false;
            bGaucheRelache = true;
        }
        bGaucheBas = false;
    } else if (bDroitBas) {
        if (bDroitArme) {
            bDroitArme = false;
            bDroitRelache = true;
        }
        bDroitBas = false;
    }
}

bool EtatGlisser::deplacer(float x, float y, bool bNoeudSousPression)
{
    fDernierX = x;
    fDernierY = y;
    if (bNoeudSousPression && !bGaucheArme) {
        const double dX = static_cast<double>(nPresseX) - static_cast<double>(x);
        const double dY = static_cast<double>(nPresseY) - static_cast<double>(y);
        if (std::sqrt(dX * dX + dY * dY) < SEUIL_GLISSER)
            return false;
        bGaucheArme = true;
    }
    if (!bGaucheArme || bGlisse)
        return false;
    bGlisse = true;
    bDeposeA = false;
    bDeposeB = false;
    return true;
}

namespace {

int buttonCode(Qt::MouseButton bouton)
{
    switch (bouton) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers touches)
{
    return (touches.testFlag(Qt::ShiftModifier) ? 1 : 0) | (touches.testFlag(Qt::ControlModifier) ? 2 : 0) |
           (touches.testFlag(Qt::AltModifier) ? 4 : 0);
}

}  // namespace

void wndKervane::tvwTables_MouseDown(int nButton, int /*nShift*/, float x, float y)
{
    Pieger(QStringLiteral("tvwTables_MouseDown"), [&] {
        m_glisser.presser(nButton, x, y);
        if (nButton == 2)
            tvwTables->setFocus();
        return true;
    });
}

void wndKervane::tvwTables_MouseMove(int /*nButton*/, int /*nShift*/, float x, float y)
{
    Pieger(QStringLiteral("tvwTables_MouseMove"), [&] {
        if (Programme().pFenetreCourante != this || !m_glisser.bGaucheBas)
            return true;
        QTreeWidgetItem* pNoeud = tvwTables->itemAt(m_glisser.nPresseX / 15, m_glisser.nPresseY / 15);
        if (m_glisser.deplacer(x, y, pNoeud != nullptr)) {
            tvwTables->setCurrentItem(pNoeud);
            startNameDrag();
        }
        return true;
    });
}

void wndKervane::tvwTables_MouseUp(int /*nButton*/, int /*nShift*/, float /*x*/, float /*y*/)
{
    Pieger(QStringLiteral("tvwTables_MouseUp"), [this] {
        m_glisser.relacher();
        return true;
    });
}

// The selected node's text, offered for copying only, as plain and as rich text.
void wndKervane::startNameDrag()
{
    Pieger(QStringLiteral("tvwTables_OLEStartDrag"), [this] {
        const QTreeWidgetItem* pNoeud = tvwTables->currentItem();
        if (!pNoeud)
            return false;
        auto pDonnees = std::make_unique<QMimeData>();
        pDonnees->setText(pNoeud->text(0));
        pDonnees->setHtml(pNoeud->text(0).toHtmlEscaped());
        lancerGlisser(std::move(pDonnees));
        return true;
    });
}

void wndKervane::lancerGlisser(std::unique_ptr<QMimeData> pDonnees)
{
    auto* pGlisser = new QDrag(tvwTables);  // the drag machinery deletes it when done
    pGlisser->setMimeData(pDonnees.release());
    pGlisser->exec(Qt::CopyAction);
}

// Mouse events of the tree's viewport, in twips; moves with the left button held are the
// drag's, not the tree's.
bool wndKervane::treeMouseEvent(QEvent* pEvent)
{
    const QEvent::Type type = pEvent->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* pSouris = static_cast<QMouseEvent*>(pEvent);
    const auto x = static_cast<float>(pSouris->position().x() * 15);
    const auto y = static_cast<float>(pSouris->position().y() * 15);
    const int nShift = shiftCode(pSouris->modifiers());
    if (type == QEvent::MouseButtonPress) {
        tvwTables_MouseDown(buttonCode(pSouris->button()), nShift, x, y);
        return false;
    }
    if (type == QEvent::MouseButtonRelease) {
        tvwTables_MouseUp(buttonCode(pSouris->button()), nShift, x, y);
        return false;
    }
    const bool bGauche = m_glisser.bGaucheBas && pSouris->buttons().testFlag(Qt::LeftButton);
    tvwTables_MouseMove(pSouris->buttons().testFlag(Qt::LeftButton) ? 1 : 0, nShift, x, y);
    return bGauche;
}

}  // namespace kervane
