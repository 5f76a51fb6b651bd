// Takes a picture of Kervane as a user sees it: the main window with a query window open on
// a copy of the demonstration database (optionally after running a statement, or with
// "pendant" while it runs, before it is cancelled), saved as PNG.
// Private settings, temporary folder and data sources: the user's own are never touched.
//   kervane_capture OUT.png [STATEMENT [pendant]]
#include "frame/Point_entree_sortie.h"
#include "frame/wndMDI.h"
#include "messages/Programme.h"
#include "messages/Repondeur.h"
#include "query/wndKervane.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
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
        if (argc > 3 && qstrcmp(argv[3], "pendant") == 0) {
            // The message of the cancel is answered at once: nobody is there to close it.
            static RepondeurOK repondeur;
            static const kervane::RemplacementRepondeur remplacement(repondeur);
            QTimer::singleShot(1200, [&] {
                principale.grab().save(strImage);
                pFenetre->annulerRequete();
            });
            pFenetre->btnLancer->click();
            principale.close();
            return 0;
        }
        pFenetre->btnLancer->click();
    }
    QTimer::singleShot(600, [&] {
        QApplication::processEvents();
        principale.grab().save(strImage);
        principale.close();
        QApplication::quit();
    });
    return QApplication::exec();
}
