// Shows the export dialog as the user meets it (empty, then with a name typed) and saves
// a picture of each state: capture_dlg_exporter <folder>. For a look under Xvfb.
#include "export/dlgExporter.h"
#include "GrilleExemple.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace kervane;
    QApplication application(argc, argv);
    if (argc != 2 || !QDir().mkpath(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const QDir dossier(QString::fromLocal8Bit(argv[1]));
    vaSpread grille;
    test::remplirGrille(grille, {QStringLiteral("CLIENT")}, {{QStringLiteral("Crème")}});
    dlgExporter dlg(grille, QStringLiteral("Démo"), QStringLiteral("/bases/Velmora.mdb"), QString());
    if (!dlg.charger())
        return 1;
    dlg.show();
    dlg.move(40, 40);
    const auto capturer = [&](const char* pszNom) {
        // Time for the window manager to frame the window and for the dialog to paint.
        QEventLoop attente;
        QTimer::singleShot(800, &attente, &QEventLoop::quit);
        attente.exec();
        // The window with its frame when a window manager draws one, else the dialog alone.
        const QRect cadre = dlg.frameGeometry();
        QPixmap image = dlg.screen()->grabWindow(0, cadre.x(), cadre.y(), cadre.width(), cadre.height());
        if (image.isNull() || QGuiApplication::platformName() == QStringLiteral("offscreen"))
            image = dlg.grab();
        return image.save(dossier.filePath(QString::fromLatin1(pszNom)));
    };
    std::printf("caption: %s\n", qPrintable(dlg.windowTitle()));
    bool bOk = capturer("dlgExporter_vide.png");
    dlg.ediNomFichierTableau->setText(QStringLiteral("/home/julie/Documents/Synthèse des ventes été.xlsx"));
    bOk = capturer("dlgExporter_saisi.png") && bOk;
    return bOk ? 0 : 1;
}
