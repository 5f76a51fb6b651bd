// Start of Kervane: answers --version and --help, refuses to start without a display, then
// runs Main.
#include "frame/Point_entree_sortie.h"
#include "frame/TraductionQt.h"
#include "messages/Programme.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// --version and --help are answered before anything else: no display, no lock, no settings.
bool repondreOption(const char* szOption)
{
    if (std::strcmp(szOption, "--version") == 0) {
        std::printf("Kervane %s\n", KERVANE_VERSION);
        return true;
    }
    if (std::strcmp(szOption, "--help") == 0) {
        std::printf("Usage : kervane [--version | --help]\n"
                    "Outil de requêtes SQL pour les bases de la suite Velmora (fenêtre graphique).\n\n"
                    "  --version  affiche la version de Kervane et s'arrête\n"
                    "  --help     affiche cette aide et s'arrête\n\n"
                    "Sans option, Kervane ouvre sa fenêtre ; les options de Qt (-platform…) sont acceptées.\n"
                    "Voir aussi kervane(1) et kervaneodbc(7).\n");
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && repondreOption(argv[1]))
        return 0;
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
