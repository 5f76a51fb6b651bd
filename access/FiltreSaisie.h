#pragma once
// Holds back the user's input while the interface thread waits for a statement: clicks,
// keys, the wheel, shortcuts and the window manager's close requests are dropped (not kept
// for later, or an impatient double click on "Lancer" would run the statement twice more).
// Échap cancels the statement; widgets marked with PROPRIETE_ANNULATION receive their input.
#include <QObject>

namespace kervane {

class FiltreSaisie : public QObject {
public:
    // Installs itself on the application for its lifetime; Échap cancels the statement of
    // connection nIndice.
    explicit FiltreSaisie(qint16 nIndice);
    ~FiltreSaisie() override;
    FiltreSaisie(const FiltreSaisie&) = delete;
    FiltreSaisie& operator=(const FiltreSaisie&) = delete;

protected:
    bool eventFilter(QObject* pObjet, QEvent* pEvenement) override;

private:
    qint16 m_nIndice;
};

}  // namespace kervane
