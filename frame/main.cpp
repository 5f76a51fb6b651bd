// Start of Kervane: refuses to start without a display, then shows the main window.
#include "messages/Programme.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>

#include <cstdio>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv)
{
    if (!hasDisplay()) {
        std::fprintf(stderr, "kervane : aucun affichage graphique (DISPLAY n'est pas défini) ; "
                             "lancez-le sous xvfb-run, par exemple « xvfb-run -a %s ».\n",
                     argv[0]);
        return 1;
    }
    QApplication application(argc, argv);
    kervane::Programme().strNomExecutable = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().trimmed();
    QMainWindow fenetre;
    fenetre.setWindowTitle(kervane::Programme().strTitreApplication);
    fenetre.resize(1024, 700);
    fenetre.show();
    return QApplication::exec();
}
