// Test helper: writes <count> text values named <prefix>0.. under "Software\Brintek\essai"
// of the current user's hive, round after round; the value written in round r is "<tag>:r".
// Prints each finished round on its own line. Exits 2 on the first failed write.
// Modes: "seul" (the default) writes each value alone; "lot" writes each round as one
// batch; "compteur" makes each round one batch that reads the integer <prefix> and writes
// it back increased by one.
#include "platform/RegistryStore.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace kervane;

namespace {

const QString CLE = QStringLiteral("Software\\Brintek\\essai");

bool writeRound(const QString& strPrefixe, int nNombre, const QString& strValeur)
{
    for (int i = 0; i < nNombre; ++i) {
        const RegistryOutcome resultat =
            writeRegistryText(RegistryRoot::CurrentUser, CLE, strPrefixe + QString::number(i), strValeur);
        if (!resultat.ok() || resultat.damaged)
            return false;
    }
    return true;
}

bool increment(const QString& strNom)
{
    qint32 nValeur = 0;
    const RegistryOutcome lu = readRegistryInteger(RegistryRoot::CurrentUser, CLE, strNom, nValeur);
    if (!lu.ok() && lu.status != RegistryStatus::KeyNotFound && lu.status != RegistryStatus::ValueNotFound)
        return false;
    return writeRegistryInteger(RegistryRoot::CurrentUser, CLE, strNom, nValeur + 1).ok();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: hive_writer <prefix> <count> <rounds> <tag> [seul|lot|compteur]\n");
        return 1;
    }
    const QString strPrefixe = QString::fromLocal8Bit(argv[1]);
    const int nNombre = std::atoi(argv[2]);
    const int nTours = std::atoi(argv[3]);
    const QString strMarque = QString::fromLocal8Bit(argv[4]);
    const char* pMode = argc == 6 ? argv[5] : "seul";
    for (int nTour = 1; nTour <= nTours; ++nTour) {
        const QString strValeur = strMarque + u':' + QString::number(nTour);
        bool bEcrit = false;
        if (std::strcmp(pMode, "seul") == 0) {
            bEcrit = writeRound(strPrefixe, nNombre, strValeur);
        } else {
            RegistryBatch lot;
            bEcrit = std::strcmp(pMode, "lot") == 0 ? writeRound(strPrefixe, nNombre, strValeur) : increment(strPrefixe);
            bEcrit = lot.commit().empty() && bEcrit;
        }
        if (!bEcrit) {
            std::fprintf(stderr, "round %d failed\n", nTour);
            return 2;
        }
        std::printf("%d\n", nTour);
        std::fflush(stdout);
    }
    return 0;
}
