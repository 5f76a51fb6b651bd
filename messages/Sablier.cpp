#include "messages/Sablier.h"

#include <QCursor>
#include <QGuiApplication>

namespace kervane {

Sablier::Sablier() : m_bActif(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
{
    if (m_bActif)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

Sablier::~Sablier()
{
    if (m_bActif)
        QGuiApplication::restoreOverrideCursor();
}

}  // namespace kervane
