#pragma once
// stbBarre: the main window's status bar, with its three icon panels ("Information",
// "Exclamation", "Interdiction"), its text panel "Message" and the timer timMessage that
// clears a temporary message after 2 seconds.
#include <QStatusBar>
#include <QTimer>

#include <map>

class QLabel;

namespace kervane {

class BarreEtat : public QStatusBar {
    Q_OBJECT

public:
    explicit BarreEtat(QWidget* pParent = nullptr);

    // Kinds: 0 no icon, 1 information, 2 exclamation, 3 prohibition.
    bool afficherMessage(const QString& strMessage, int nGenre, bool bTemporaire, bool bArreterMinuterie);
    QString message() const;
    // The key of the icon panel shown, empty when none.
    QString panneauVisible() const;
    QTimer& timMessage() { return m_timMessage; }

public slots:
    void timMessage_Timer();

signals:
    // Every message shown, in order (what the user sees go by during an opening).
    void messageAffiche(const QString& strMessage);

private:
    std::map<QString, QLabel*> m_icones;
    QLabel* m_pMessage;
    QTimer m_timMessage;
};

}  // namespace kervane
