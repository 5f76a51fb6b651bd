// Test helper: writes <count> text values named <prefix>0.. under "Software\Brintek\essai"
// of the current user's hive, round after round; the value written in round r is "<tag>:r".
// Prints each finished round on its own line. Exits 2 on the first failed write.
#include "platform/RegistryStore.h"

#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: hive_writer <prefix> <count> <rounds> <tag>\n");
        return 1;
    }
    const QString strPrefixe = QString::fromLocal8Bit(argv[1]);
    const int nNombre = std::atoi(argv[2]);
    const int nTours = std::atoi(argv[3]);
    const QString strMarque = QString::fromLocal8Bit(argv[4]);
    for (int nTour = 1; nTour <= nTours; ++nTour) {
        for (int i = 0; i < nNombre; ++i) {
            const auto resultat = kervane::writeRegistryText(
                kervane::RegistryRoot::CurrentUser, QStringLiteral("Software\\Brintek\\essai"),
                strPrefixe + QString::number(i), strMarque + u':' + QString::number(nTour));
            if (!resultat.ok() || resultat.damaged) {
                std::fprintf(stderr, "write %d of round %d failed\n", i, nTour);
                return 2;
            }
        }
        std::printf("%d\n", nTour);
        std::fflush(stdout);
    }
    return 0;
}
