// Times the Run button of a real query window (offscreen) on the demonstration database:
// a SELECT of 100,000 rows x 10 columns shown plain and grouped, against the access layer
// reading the same statement alone. Prints the ratios and the peak memory of the process.
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"
#include "query/wndKervane.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>

using namespace kervane;

namespace {

// 250 orders x 400 articles, ordered so that the grouped display has runs to draw.
const QString REQUETE = QStringLiteral(
    "SELECT C.ID_COMMANDE, C.DATE_COMMANDE, C.STATUT_COMMANDE, C.LIVREE_COMMANDE, A.REF_ARTICLE,\r\n"
    "A.LIB_ARTICLE, A.PRIX_HT_ARTICLE, A.POIDS_ARTICLE, A.STOCK_ARTICLE, A.CREATION_ARTICLE\r\n"
    "FROM COMMANDE C, ARTICLE A WHERE C.ID_COMMANDE <= 250 ORDER BY C.ID_COMMANDE, A.ID_ARTICLE");

bool buildDemoDatabase(const std::string& path)
{
    QFile source(QStringLiteral(KERVANE_DEMO_SQL));
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray sql = source.readAll();
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
              sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

constexpr int PASSAGES = 5;

// Processor time of this thread, in seconds: steadier than the wall clock on a busy machine.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall and processor time of one run.
struct Mesure {
    double dMur = 1e30;
    double dProcesseur = 1e30;
    void garder(const std::function<void()>& corps)
    {
        QElapsedTimer mur;
        mur.start();
        const double dDebut = cpuSeconds();
        corps();
        dProcesseur = std::min(dProcesseur, cpuSeconds() - dDebut);
        dMur = std::min(dMur, static_cast<double>(mur.nsecsElapsed()) / 1e9);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    char pattern[] = "/tmp/kervane_query_bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::filesystem::path folder(pattern);
    const std::string base = (folder / "Base source Velmora.mdb").string();
    if (!buildDemoDatabase(base)) {
        std::fprintf(stderr, "cannot build the demonstration database from %s\n", KERVANE_DEMO_SQL);
        return 1;
    }
    kervane::banc::writeIni(folder, base, false);
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINI", (folder / "odbc.ini").c_str(), 1);
    setenv("KERVANE_REGISTRY_DIR", (folder / "registre").c_str(), 1);
    setenv("TEMP", folder.c_str(), 1);
    if (!ODBC_Initialiser())
        return 1;

    auto* fenetre = new wndKervane;
    if (!ODBC_Connecter({QString(), QString(), QStringLiteral("Kervane")}, fenetre->nIndBase, QString::fromStdString(base)))
        return 1;
    fenetre->strBase = QString::fromStdString(base);
    fenetre->strLibelleBase = QStringLiteral("Base source Velmora");
    fenetre->LireParametres();
    fenetre->ChargerRequetes();
    if (!fenetre->AfficherTables())
        return 1;
    fenetre->resize(1200, 800);
    fenetre->show();
    QApplication::processEvents();
    fenetre->definirTexteRequete(REQUETE);

    QString strRequete;
    QString strPositions;
    InterpreterRequete(fenetre->texteRequete(), strRequete, strPositions);
    QAction* pRegrouper = fenetre->mnuEditionItem(5);
    const auto run = [&] {
        fenetre->btnLancer_Click();
        QApplication::processEvents();  // the first paint of the result
    };
    // The three measures taken in turn, the best of each kept.
    Mesure couche;
    Mesure simple;
    Mesure regroupe;
    long long nCellules = 0;
    double dApresCouche = 0.0;
    qint32 rows = 0;
    qint32 cols = 0;
    for (int i = 0; i < PASSAGES; ++i) {
        couche.garder([&] {
            TableauTextes tab;
            ODBC_SelectionnerDansTableau(fenetre->nIndBase, strRequete, tab, true);
            nCellules = static_cast<long long>((tab.lignes() - 2) * (tab.colonnes() - 1));
        });
        if (i == 0)
            dApresCouche = kervane::banc::peakMegabytes();
        pRegrouper->setChecked(false);
        simple.garder(run);
        rows = fenetre->griRequetes->MaxRows();
        cols = fenetre->griRequetes->MaxCols();
        pRegrouper->setChecked(true);
        regroupe.garder(run);
    }
    const auto blocks = Programme().tabBlocs.size();

    // Where the time of a plain run goes.
    {
        pRegrouper->setChecked(false);
        QElapsedTimer t;
        t.start();
        auto step = [&](const char* name) {
            std::printf("  etape %-28s %7.1f ms\n", name, static_cast<double>(t.nsecsElapsed()) / 1e6);
            t.restart();
        };
        TableauTextes lignes;
        ODBC_SelectionnerDansTableau(fenetre->nIndBase, strRequete, lignes, true);
        step("lecture");
        fenetre->remplirGrille(lignes);
        step("remplissage + dimensions");
        fenetre->RedimensionnerGrille();
        step("dimensions seules");
        fenetre->SauvegarderRequetes();
        step("historique");
        fenetre->griRequetes->setReDraw(true);
        step("dessin remis");
        QApplication::processEvents();
        step("premier dessin");
        pRegrouper->setChecked(true);
    }
    std::printf("Lancer sur %d lignes x %d colonnes (%lld cellules lues), meilleur de %d passages\n", rows, cols,
                nCellules, PASSAGES);
    std::printf("  %-36s %8s %8s %9s\n", "", "mur (s)", "proc (s)", "rapport");
    std::printf("  %-36s %8.3f %8.3f\n", "ODBC_SelectionnerDansTableau seul", couche.dMur, couche.dProcesseur);
    std::printf("  %-36s %8.3f %8.3f %8.2fx  (objectif 1.5x)\n", "Lancer, affichage simple", simple.dMur,
                simple.dProcesseur, simple.dProcesseur / couche.dProcesseur);
    std::printf("  %-36s %8.3f %8.3f %8.2fx  (objectif 2x), %zu blocs\n", "Lancer, cellules regroupees",
                regroupe.dMur, regroupe.dProcesseur, regroupe.dProcesseur / couche.dProcesseur, blocks);
    std::printf("  memoire maximale du processus : %.1f Mo (%.1f Mo apres la lecture seule; objectif 1024 Mo)\n",
                kervane::banc::peakMegabytes(), dApresCouche);
    fenetre->close();
    QApplication::processEvents();
    ODBC_Cloturer();
    std::filesystem::remove_all(folder);
    return 0;
}
