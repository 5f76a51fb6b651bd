// Takes a picture of Kervane as a user sees it: the main window with a query window open on
// a copy of the demonstration database (optionally after running a statement, or with
// "pendant" while it runs, before it is cancelled; "mosaique": three windows on the base, each
// showing the statement's result, tiled horizontally; "recent": the open dialog on its Recent
// tab), saved as PNG.
// Private settings, temporary folder and data sources: the user's own are never touched.
//   kervane_capture OUT.png [STATEMENT [pendant|mosaique|recent]]
#include "frame/Point_entree_sortie.h"
#include "frame/TraductionQt.h"
#include "frame/wndMDI.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "open/dlgOuvrir.h"
#include "query/wndKervane.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

class RepondeurOK final : public kervane::RepondeurModal {
public:
    qint16 afficherMessage(const QString&, qint32, const QString&) override { return kervane::IDOK; }
    QString choisirFichier(const QString&, const QString&, const QString&) override { return {}; }
    QString choisirFichierAEnregistrer(const QString&, const QString&, const QString&) override { return {}; }
    bool proprietesImprimante(QPrinter&) override { return false; }
};

bool mode(int argc, char** argv, const char* szMode)
{
    return argc > 3 && qstrcmp(argv[3], szMode) == 0;
}

// Two more windows on the same base, each running the statement, then the three tiled.
void mosaique(kervane::wndMDI& principale, const QString& strInstruction)
{
    for (int i = 0; i < 2; ++i) {
        principale.Ouvrir(false);
        kervane::wndKervane* pFenetre = kervane::Programme().pFenetreCourante;
        pFenetre->ediRequete->setPlainText(strInstruction);
        pFenetre->btnLancer->click();
    }
    principale.arranger(1);
}

// The open dialog, over the main window, on its Recent tab.
void saveRecentTab(kervane::wndMDI& principale, const QString& strImage)
{
    kervane::dlgOuvrir dialogue(&principale);
    dialogue.charger();
    dialogue.show();
    dialogue.tabOuvrir->setCurrentIndex(kervane::dlgOuvrir::ONGLET_RECENT);
    QApplication::processEvents();
    dialogue.grab().save(strImage);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage : %s IMAGE.png [INSTRUCTION]\n", argv[0]);
        return 2;
    }
    QTemporaryDir dossier;
    qputenv("TEMP", dossier.path().toUtf8());
    qputenv("KERVANE_REGISTRY_DIR", dossier.filePath("registre").toUtf8());
    qputenv("ODBCINI", dossier.filePath("odbc.ini").toUtf8());
    qputenv("ODBCSYSINI", KERVANE_ODBC_SYSINI_DIR);
    const QString strBase = dossier.filePath("Base source Velmora.mdb");
    QFile::copy(QStringLiteral(KERVANE_DEMO_DATABASE), strBase);
    QFile(strBase).setPermissions(QFile::ReadOwner | QFile::WriteOwner);

    QApplication application(argc, argv);
    kervane::installerTraductionsQt();
    // Any message is answered at once: nobody is there to close it.
    RepondeurOK repondeur;
    const kervane::RemplacementRepondeur remplacement(repondeur);
    kervane::Programme().strNomExecutable = QStringLiteral("kervane");
    kervane::Application kervane;
    if (!kervane.Main())
        return 1;
    kervane::wndMDI& principale = *kervane.fenetrePrincipale();
    principale.resize(1180, 800);
    kervane::Programme().strCheminBase = strBase;
    kervane::Programme().strLibelleBase = QStringLiteral("Base source Velmora");
    if (!principale.Ouvrir(false))
        return 1;
    const QString strImage = QString::fromLocal8Bit(argv[1]);
    if (argc > 2) {
        kervane::wndKervane* pFenetre = kervane::Programme().pFenetreCourante;
        pFenetre->ediRequete->setPlainText(QString::fromUtf8(argv[2]));
        if (mode(argc, argv, "pendant")) {
            QTimer::singleShot(1200, [&] {
                principale.grab().save(strImage);
                pFenetre->annulerRequete();
            });
            pFenetre->btnLancer->click();
            principale.close();
            return 0;
        }
        pFenetre->btnLancer->click();
        if (mode(argc, argv, "mosaique"))
            mosaique(principale, QString::fromUtf8(argv[2]));
    }
    QTimer::singleShot(600, [&] {
        if (mode(argc, argv, "recent")) {
            saveRecentTab(principale, strImage);
            principale.close();
            QApplication::quit();
            return;
        }
        QApplication::processEvents();
        principale.grab().save(strImage);
        principale.close();
        QApplication::quit();
    });
    return QApplication::exec();
}
