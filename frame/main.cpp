// Start of Kervane: refuses to start without a display, then runs Main.
#include "frame/Point_entree_sortie.h"
#include "frame/TraductionQt.h"
#include "messages/Programme.h"

#include <QApplication>
#include <QFileInfo>

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
    QApplication::setApplicationName(QStringLiteral("Kervane"));
    kervane::installerTraductionsQt();
    kervane::Programme().strNomExecutable =
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().trimmed();
    kervane::Application::preparerODBC();
    kervane::Application kervane;
    if (!kervane.Main())
        return 1;
    return QApplication::exec();
}
