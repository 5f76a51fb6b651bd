#include "access/FiltreSaisie.h"

#include "access/ExecutionEnFond.h"
#include "access/Module_ODBC.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace kervane {
namespace {

bool isUserInput(QEvent::Type nType)
{
    switch (nType) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

bool isCancelPath(const QObject* pObjet)
{
    for (; pObjet; pObjet = pObjet->parent())
        if (pObjet->property(PROPRIETE_ANNULATION).toBool())
            return true;
    return false;
}

bool isEscape(const QEvent* pEvenement)
{
    const auto* pTouche = static_cast<const QKeyEvent*>(pEvenement);
    return pTouche->key() == Qt::Key_Escape && pTouche->modifiers() == Qt::NoModifier;
}

}  // namespace

FiltreSaisie::FiltreSaisie(qint16 nIndice) : m_nIndice(nIndice)
{
    QCoreApplication::instance()->installEventFilter(this);
}

FiltreSaisie::~FiltreSaisie()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool FiltreSaisie::eventFilter(QObject* pObjet, QEvent* pEvenement)
{
    const QEvent::Type nType = pEvenement->type();
    if (nType == QEvent::Close && pEvenement->spontaneous()) {
        pEvenement->ignore();  // the window stays: its statement is still running
        return true;
    }
    if (!isUserInput(nType) || isCancelPath(pObjet))
        return false;
    if (nType == QEvent::ShortcutOverride && isEscape(pEvenement))
        pEvenement->accept();  // Échap comes as a key press, whatever shortcut it might match
    else if (nType == QEvent::KeyPress && isEscape(pEvenement))
        ODBC_Annuler(m_nIndice);
    return true;
}

}  // namespace kervane
