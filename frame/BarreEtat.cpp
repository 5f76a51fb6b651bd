#include "frame/BarreEtat.h"

#include "platform/Icones.h"

#include <QLabel>

namespace kervane {
namespace {
const char* const PANNEAUX[3] = {"Information", "Exclamation", "Interdiction"};
}

BarreEtat::BarreEtat(QWidget* pParent) : QStatusBar(pParent), m_pMessage(new QLabel(this))
{
    setSizeGripEnabled(true);
    for (const char* szCle : PANNEAUX) {
        auto* pIcone = new QLabel(this);
        pIcone->setPixmap(iconeKervane(QString::fromLatin1(szCle)).pixmap(16, 16));
        pIcone->setFixedSize(20, 18);
        pIcone->setAlignment(Qt::AlignCenter);
        pIcone->hide();
        addWidget(pIcone);
        m_icones[QString::fromLatin1(szCle)] = pIcone;
    }
    m_pMessage->setMinimumWidth(200);
    addWidget(m_pMessage, 1);
    m_timMessage.setInterval(2000);
    connect(&m_timMessage, &QTimer::timeout, this, &BarreEtat::timMessage_Timer);
}

bool BarreEtat::afficherMessage(const QString& strMessage, int nGenre, bool bTemporaire, bool bArreterMinuterie)
{
    if (m_timMessage.isActive() && !bTemporaire && !bArreterMinuterie)
        return true;  // a temporary message stays until the timer clears it
    for (int i = 0; i < 3; ++i)
        m_icones[QString::fromLatin1(PANNEAUX[i])]->setVisible(nGenre == i + 1);
    m_pMessage->setText(strMessage);
    emit messageAffiche(strMessage);
    if (bTemporaire) {
        m_timMessage.stop();
        m_timMessage.start();
    } else if (bArreterMinuterie) {
        m_timMessage.stop();
    }
    return true;
}

QString BarreEtat::message() const
{
    return m_pMessage->text();
}

QString BarreEtat::panneauVisible() const
{
    for (const auto& [strCle, pIcone] : m_icones)
        if (!pIcone->isHidden())
            return strCle;
    return {};
}

void BarreEtat::timMessage_Timer()
{
    afficherMessage(QString(), 0, false, true);
}

}  // namespace kervane
