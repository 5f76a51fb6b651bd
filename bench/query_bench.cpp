// Times the Run button of a real query window (offscreen) on the demonstration database:
// SELECTs of 10,000, 100,000 and 1,000,000 rows x 10 columns (or the row counts given as
// arguments) shown plain and grouped, against the access layer reading the same statement
// alone. Prints the medians, the ratios and the memory one Run takes at its peak per cell,
// from an empty grid and with the previous result still in it.
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"
#include "messages/Programme.h"
#include "bench/RepondeurBanc.h"
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
#include <vector>

#include <malloc.h>

using namespace kervane;

namespace {

// Orders x 400 articles (x a few orders again past 240,000 rows), ordered so that the grouped
// display has runs to draw; 250 orders give 100,000 rows.
QString requete(int nLignes)
{
    const int nRepetitions = (nLignes + 239999) / 240000;
    const int nCommandes = nLignes / 400 / nRepetitions;
    return QStringLiteral(
               "SELECT C.ID_COMMANDE, C.DATE_COMMANDE, C.STATUT_COMMANDE, C.LIVREE_COMMANDE, A.REF_ARTICLE,\r\n"
               "A.LIB_ARTICLE, A.PRIX_HT_ARTICLE, A.POIDS_ARTICLE, A.STOCK_ARTICLE, A.CREATION_ARTICLE\r\n"
               "FROM COMMANDE C, ARTICLE A, COMMANDE D WHERE C.ID_COMMANDE <= %1 AND D.ID_COMMANDE <= %2\r\n"
               "ORDER BY C.ID_COMMANDE, A.ID_ARTICLE, D.ID_COMMANDE")
        .arg(nCommandes)
        .arg(nRepetitions);
}

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


// Processor time of the process, in seconds: steadier than the wall clock on a busy machine,
// and it counts the worker thread that runs the statements.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Wall and processor times of several runs; their medians.
struct Mesure {
    std::vector<double> murs;
    std::vector<double> processeurs;
    void garder(const std::function<void()>& corps)
    {
        QElapsedTimer mur;
        mur.start();
        const double dDebut = cpuSeconds();
        corps();
        processeurs.push_back(cpuSeconds() - dDebut);
        murs.push_back(static_cast<double>(mur.nsecsElapsed()) / 1e9);
    }
    static double mediane(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    }
    double mur() const { return mediane(murs); }
    double processeur() const { return mediane(processeurs); }
};

// Where the time of a plain run goes.
void detailler(wndKervane& fenetre, const QString& strRequete)
{
    QElapsedTimer t;
    fenetre.griRequetes->setMaxRows(0);
    malloc_trim(0);
    const double dDepart = banc::residentBytes();
    banc::resetPeak();
    t.start();
    // Each step's time, and the memory above the start (empty grid) at its peak and after it.
    auto step = [&](const char* name) {
        std::printf("    etape %-28s %7.1f ms  pic %+7.1f Mo, reste %+7.1f Mo\n", name,
                    static_cast<double>(t.nsecsElapsed()) / 1e6, (banc::peakBytesSinceReset() - dDepart) / 1e6,
                    (banc::residentBytes() - dDepart) / 1e6);
        banc::resetPeak();
        t.restart();
    };
    TableauTextes lignes;
    ODBC_SelectionnerDansTableau(fenetre.nIndBase, strRequete, lignes, true);
    step("lecture");
    fenetre.remplirGrille(std::move(lignes));
    step("remplissage + dimensions");
    fenetre.RedimensionnerGrille();
    step("dimensions seules");
    fenetre.SauvegarderRequetes();
    step("historique");
    fenetre.griRequetes->setReDraw(true);
    step("dessin remis");
    QApplication::processEvents();
    step("premier dessin");
}

// One size: the access layer alone, Run plain, Run grouped (medians of their processor
// times), then the memory of one plain Run from an empty grid.
void mesurer(wndKervane& fenetre, int nLignes)
{
    fenetre.definirTexteRequete(requete(nLignes));
    QString strRequete;
    QString strPositions;
    InterpreterRequete(fenetre.texteRequete(), strRequete, strPositions);
    QAction* pRegrouper = fenetre.mnuEditionItem(5);
    const auto run = [&] {
        fenetre.btnLancer_Click();
        QApplication::processEvents();  // the first paint of the result
    };
    // Small results vary most from one pass to the next: more passes steady their medians.
    const int nPassages = nLignes >= 1000000 ? 3 : nLignes >= 100000 ? 5 : 15;
    Mesure couche;
    Mesure simple;
    Mesure regroupe;
    for (int i = 0; i < nPassages; ++i) {
        couche.garder([&] {
            TableauTextes tab;
            ODBC_SelectionnerDansTableau(fenetre.nIndBase, strRequete, tab, true);
        });
        pRegrouper->setChecked(false);
        simple.garder(run);
        pRegrouper->setChecked(true);
        regroupe.garder(run);
    }
    const auto blocks = Programme().tabBlocs.size();
    const qint32 rows = fenetre.griRequetes->MaxRows();
    const qint32 cols = fenetre.griRequetes->MaxCols();

    pRegrouper->setChecked(false);
    fenetre.griRequetes->setMaxRows(0);
    malloc_trim(0);
    const double dAvant = banc::residentBytes();
    banc::resetPeak();
    run();
    const double dCellules = static_cast<double>(rows) * cols;
    const double dParCellule = (banc::peakBytesSinceReset() - dAvant) / dCellules;
    const double dGarde = (banc::residentBytes() - dAvant) / dCellules;
    const double dPicVide = banc::peakMegabytes();
    // The same Run again, the previous result still in the grid while the next one is read.
    banc::resetPeak();
    run();
    const double dPicSuivant = (banc::peakBytesSinceReset() - dAvant) / dCellules;
    const double dPicSuivantProcessus = banc::peakMegabytes();
    // A statement that fails at once (a misspelt table), the result still in the grid.
    Mesure erreur;
    {
        banc::RepondeurOK repondeur;
        const RemplacementRepondeur remplacement(repondeur);
        fenetre.definirTexteRequete(QStringLiteral("SELECT * FROM MOUVEMNT"));
        erreur.garder(run);
        fenetre.definirTexteRequete(requete(nLignes));
    }

    std::printf("%d lignes x %d colonnes, mediane de %d passages (temps processeur; mur entre parentheses)\n", rows,
                cols, nPassages);
    std::printf("  ODBC_SelectionnerDansTableau seul   %7.3f s (%.3f)\n", couche.processeur(), couche.mur());
    std::printf("  Lancer, affichage simple            %7.3f s (%.3f)  %5.2fx  (objectif 1.5x)\n",
                simple.processeur(), simple.mur(), simple.processeur() / couche.processeur());
    std::printf("  Lancer, cellules regroupees         %7.3f s (%.3f)  %5.2fx  (objectif 2x), %zu blocs\n",
                regroupe.processeur(), regroupe.mur(), regroupe.processeur() / couche.processeur(), blocks);
    std::printf("  memoire d'un Lancer simple : pic %.1f o par cellule, %.1f o gardes (objectif 32); "
                "processus %.1f Mo au plus\n",
                dParCellule, dGarde, dPicVide);
    std::printf("  le meme Lancer, le resultat precedent dans la grille : pic %.1f o par cellule; processus %.1f Mo "
                "au plus\n",
                dPicSuivant, dPicSuivantProcessus);
    std::printf("  une instruction qui echoue, ce resultat dans la grille : %.3f s (%.3f)\n", erreur.processeur(),
                erreur.mur());
    if (nLignes == 100000 || std::getenv("KERVANE_BANC_DETAIL") != nullptr)
        detailler(fenetre, strRequete);
    pRegrouper->setChecked(true);
}

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
    for (const int n : kervane::banc::sizesFromArguments(argc, argv, {10000, 100000, 1000000}))
        mesurer(*fenetre, n);
    fenetre->close();
    QApplication::processEvents();
    ODBC_Cloturer();
    std::filesystem::remove_all(folder);
    return 0;
}
