#include "query/wndKervane.h"

#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "query/FenetrePrincipale.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QTreeWidget>

namespace kervane {

wndKervane::wndKervane(QWidget* pParent) : QWidget(pParent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    buildImages();
    buildControls();
    buildMenus();
    connectControls();
    connectMenus();
    Form_Load();
}

wndKervane::~wndKervane() = default;

QAction* wndKervane::item(const std::map<int, QAction*>& items, int nIndex)
{
    const auto it = items.find(nIndex);
    return it == items.end() ? nullptr : it->second;
}

FenetrePrincipale* wndKervane::principale()
{
    return Programme().pFenetrePrincipale;
}

QList<wndKervane*> wndKervane::fenetresMemeBase() const
{
    QList<wndKervane*> fenetres;
    const QList<wndKervane*> toutes = principale() ? principale()->fenetresRequetes() : QList<wndKervane*>{};
    for (wndKervane* pFenetre : toutes)
        if (pFenetre && !pFenetre->m_bDecharge && pFenetre->nIndBase == nIndBase)
            fenetres << pFenetre;
    if (!fenetres.contains(const_cast<wndKervane*>(this)))
        fenetres.prepend(const_cast<wndKervane*>(this));
    return fenetres;
}

// Inside the main window the sub-window tells when it becomes the active one.
void wndKervane::followSubWindow()
{
    disconnect(m_suiviSousFenetre);
    auto* pSous = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!pSous)
        return;
    m_suiviSousFenetre = connect(pSous, &QMdiSubWindow::windowStateChanged, this,
                                 [this](Qt::WindowStates ancien, Qt::WindowStates nouveau) {
                                     if (nouveau.testFlag(Qt::WindowActive) && !ancien.testFlag(Qt::WindowActive))
                                         Form_Activate();
                                 });
}

bool wndKervane::event(QEvent* pEvent)
{
    if (pEvent->type() == QEvent::ParentChange)
        followSubWindow();
    else if (pEvent->type() == QEvent::WindowActivate && isWindow())
        Form_Activate();
    return QWidget::event(pEvent);
}

bool wndKervane::eventFilter(QObject* pObjet, QEvent* pEvent)
{
    if (pObjet == tvwTables->viewport())
        return treeMouseEvent(pEvent) || QWidget::eventFilter(pObjet, pEvent);
    if (pObjet == griRequetes)
        return gridCopyKey(pEvent) || QWidget::eventFilter(pObjet, pEvent);
    if (pObjet == tabResultat && pEvent->type() == QEvent::FocusIn)
        tabResultat_GotFocus();
    return QWidget::eventFilter(pObjet, pEvent);
}

void wndKervane::closeEvent(QCloseEvent* pEvent)
{
    Form_Unload();
    QWidget::closeEvent(pEvent);
}

void wndKervane::resizeEvent(QResizeEvent* pEvent)
{
    QWidget::resizeEvent(pEvent);
    Form_Resize();
}

// Only a double click on the window's own background, not one a control let through.
void wndKervane::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    if (childAt(pEvent->position().toPoint()) != nullptr) {
        QWidget::mouseDoubleClickEvent(pEvent);
        return;
    }
    pEvent->accept();
    Form_dblClick();
}

}  // namespace kervane
