#pragma once
// Point_entrée_sortie: the start of the program. Main brings the system up in order and
// shows the main window; the program then runs until the main window is closed.
#include <QLockFile>
#include <QString>
#include <memory>

namespace kervane {

class wndMDI;

class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Single instance, access layer, settings, trace log, main window, recent entries.
    // False when the program must end at once (the user has been told why).
    bool Main();
    wndMDI* fenetrePrincipale() const { return m_pFenetre.get(); }

    // Points unixODBC at the driver registration built beside the executable, unless the
    // environment already names one.
    static void preparerODBC();
    // The single-instance lock: <temporary folder>/<executable>.lock, per user as the folder
    // is; in a folder others share (TEMP=/tmp) the name carries the user's id.
    static QString cheminVerrou();

private:
    bool verrouillerInstance();

    std::unique_ptr<QLockFile> m_verrou;
    std::unique_ptr<wndMDI> m_pFenetre;
};

}  // namespace kervane
