// Starts the program as a person would, under whichever user runs it, for the tests of the
// single-instance check: writes "demarre" once the main window shows, or "refuse: " and the
// message shown, then waits for a line or the end of its input and quits.
// Use: lanceur_instance <executable base name>
#include "frame/Point_entree_sortie.h"
#include "frame/wndMDI.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"

#include <QApplication>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// Keeps the last message and presses its first button; no chooser is ever answered.
class RepondeurMuet final : public kervane::RepondeurModal {
public:
    qint16 afficherMessage(const QString& strTexte, qint32, const QString&) override
    {
        strDernier = strTexte;
        return kervane::IDOK;
    }
    QString choisirFichier(const QString&, const QString&, const QString&) override { return {}; }
    QString choisirFichierAEnregistrer(const QString&, const QString&, const QString&) override { return {}; }
    bool proprietesImprimante(QPrinter&) override { return false; }

    QString strDernier;
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    kervane::Programme().strNomExecutable =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("kervane");
    RepondeurMuet repondeur;
    kervane::RemplacementRepondeur remplacement(repondeur);
    kervane::Application kervane;
    if (!kervane.Main()) {
        std::printf("refuse: %s\n", repondeur.strDernier.toUtf8().constData());
        return 2;
    }
    std::printf("demarre\n");
    std::fflush(stdout);
    std::string strLigne;
    std::getline(std::cin, strLigne);
    kervane.fenetrePrincipale()->close();
    return 0;
}
