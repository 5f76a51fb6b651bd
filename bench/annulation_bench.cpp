// What running a statement in the background costs, and how soon a cancel takes effect:
// - a one-row statement run 2,000 times in place and in the background (worker thread and
//   local event loop of the query window's statements);
// - the 100,000-row read in place and in the background;
// - from ODBC_Annuler to the end of a long statement (a cross join counted), 5 times.
#include "access/ExecutionEnFond.h"
#include "access/Module_ODBC.h"
#include "bench/BancOdbc.h"
#include "bench/RepondeurBanc.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

using namespace kervane;
using namespace kervane::banc;

namespace {

using Horloge = std::chrono::steady_clock;

double secondsSince(Horloge::time_point debut)
{
    return std::chrono::duration<double>(Horloge::now() - debut).count();
}

// Seconds for n one-row reads, in the background or not.
double smallReads(qint16 nIndice, int n, bool bEnFond)
{
    std::optional<ExecutionEnFond> enFond;
    if (bEnFond)
        enFond.emplace(nIndice);
    TableauTextes tab;
    const auto debut = Horloge::now();
    for (int i = 0; i < n; ++i)
        if (!ODBC_SelectionnerDansTableau(nIndice, QStringLiteral("SELECT NOM FROM MOUVEMENT WHERE ID = 7"), tab, true))
            return -1;
    return secondsSince(debut);
}

double bigRead(qint16 nIndice, bool bEnFond)
{
    long cells = 0;
    return seconds(
        [&] {
            std::optional<ExecutionEnFond> enFond;
            if (bEnFond)
                enFond.emplace(nIndice);
            TableauTextes tab;
            return ODBC_SelectionnerDansTableau(nIndice, QString::fromLatin1(QUERY), tab, true) ? 1L : -1L;
        },
        cells);
}

// Seconds from the cancel (asked 0.3 s into the statement) to the statement's end.
double cancelDelay(qint16 nIndice)
{
    const ExecutionEnFond enFond(nIndice);
    Horloge::time_point annulation;
    QTimer::singleShot(300, [&] {
        annulation = Horloge::now();
        ODBC_Annuler(nIndice);
    });
    TableauTextes tab;
    const bool bLue = ODBC_SelectionnerDansTableau(
        nIndice, QStringLiteral("SELECT Count(*) FROM MOUVEMENT AS A, MOUVEMENT AS B"), tab, false);
    return bLue ? -1 : secondsSince(annulation);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    RepondeurOK repondeur;
    const RemplacementRepondeur remplacement(repondeur);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string base;
    const std::filesystem::path folder = prepare(false, base);
    if (folder.empty() || !ODBC_Initialiser())
        return 1;
    qint16 nIndice = 0;
    if (!ODBC_Connecter({QString(), QString(), QStringLiteral("Kervane")}, nIndice, QString()))
        return 1;

    constexpr int PETITES = 2000;
    const double dSur = smallReads(nIndice, PETITES, false);
    const double dFond = smallReads(nIndice, PETITES, true);
    std::printf("%d lectures d'une ligne : sur place %.3f s, en arrière-plan %.3f s (%.1f µs de plus par instruction)\n",
                PETITES, dSur, dFond, (dFond - dSur) / PETITES * 1e6);
    std::printf("%d lignes x 10 colonnes (meilleur de %d) : sur place %.3f s, en arrière-plan %.3f s\n", ROWS, RUNS,
                bigRead(nIndice, false), bigRead(nIndice, true));
    double dPire = 0, dTotal = 0;
    constexpr int ANNULATIONS = 5;
    for (int i = 0; i < ANNULATIONS; ++i) {
        const double d = cancelDelay(nIndice);
        if (d < 0) {
            std::printf("l'annulation n'a pas arrêté l'instruction (pilote sans SQLCancel ?)\n");
            break;
        }
        dPire = std::max(dPire, d);
        dTotal += d;
    }
    if (dTotal > 0)
        std::printf("de ODBC_Annuler à la fin de l'instruction : %.1f ms en moyenne, %.1f ms au pire (%d essais)\n",
                    dTotal / ANNULATIONS * 1e3, dPire * 1e3, ANNULATIONS);
    ODBC_Cloturer();
    std::filesystem::remove_all(folder);
    return 0;
}
