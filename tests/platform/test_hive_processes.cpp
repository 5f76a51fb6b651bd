// Reliability with real processes: a writer killed in the middle of its writes never leaves a
// broken hive nor a lost value, and two writers at once both keep all their values; a batch
// reaches the hive whole or not at all, and holds it from its first read to its write.
#include "platform/HiveFile.h"
#include "platform/RegistryStore.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

using namespace kervane;

namespace {

const QString CLE = QStringLiteral("Software\\Brintek\\essai");
constexpr int NOMBRE = 10;  // values per round, as hive_writer is told

std::unique_ptr<QProcess> lancer(const QString& strPrefixe, int nTours, const QString& strMarque,
                                 const QString& strMode = QStringLiteral("seul"))
{
    auto processus = std::make_unique<QProcess>();
    processus->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    processus->start(KERVANE_HIVE_WRITER,
                     {strPrefixe, QString::number(NOMBRE), QString::number(nTours), strMarque, strMode});
    return processus;
}

// Lets the writer finish a first round, then kills it (SIGKILL) a moment later.
void tuerEnCours(QProcess& processus)
{
    ASSERT_TRUE(processus.waitForStarted());
    while (processus.readAll().count('\n') < 1)
        ASSERT_TRUE(processus.waitForReadyRead(10000));
    QThread::usleep(QRandomGenerator::global()->bounded(3000));
    processus.kill();
    ASSERT_TRUE(processus.waitForFinished());
}

// The values read back; the hive must parse and never have been put aside.
QStringList valeurs(const QString& strPrefixe)
{
    QStringList lues;
    for (int i = 0; i < NOMBRE; ++i) {
        QString strValeur;
        const RegistryOutcome resultat =
            readRegistryText(RegistryRoot::CurrentUser, CLE, strPrefixe + QString::number(i), strValeur);
        EXPECT_TRUE(resultat.ok() && !resultat.damaged) << i;
        lues << strValeur;
    }
    EXPECT_TRUE(QDir(registryFolder()).entryList({"*endommagé*"}, QDir::Files).isEmpty());
    return lues;
}

}  // namespace

TEST(HiveProcessesTest, AWriterKilledMidWriteLeavesOldOrNewValuesOnly)
{
    test::DossierTemporaire dossier;
    for (int i = 0; i < NOMBRE; ++i)
        ASSERT_TRUE(writeRegistryText(RegistryRoot::CurrentUser, CLE, "v" + QString::number(i), "initial").ok());

    for (int nCoupure = 1; nCoupure <= 10; ++nCoupure) {
        const QStringList avant = valeurs("v");
        const QString strMarque = "coupure" + QString::number(nCoupure) + ':';
        const auto processus = lancer("v", 1000000, strMarque.chopped(1));
        tuerEnCours(*processus);

        // Values are written in order round after round: the first k hold round r, the
        // others round r - 1 (or, in the first round, what they held before).
        const QStringList apres = valeurs("v");
        int nTour = 0;
        for (const QString& strValeur : apres)
            nTour = std::max(nTour, strValeur.startsWith(strMarque) ? strValeur.mid(strMarque.size()).toInt() : 0);
        ASSERT_GT(nTour, 0);
        qsizetype k = 0;
        while (k < NOMBRE && apres[k] == strMarque + QString::number(nTour))
            ++k;
        for (qsizetype i = k; i < NOMBRE; ++i)
            EXPECT_EQ(apres[i], nTour > 1 ? strMarque + QString::number(nTour - 1) : avant[i]) << "cut in round " << nTour;
    }
    // The next write goes through and leaves no temporary file behind.
    ASSERT_TRUE(writeRegistryText(RegistryRoot::CurrentUser, CLE, "v0", "fin").ok());
    EXPECT_FALSE(QFile::exists(registryHivePath(RegistryRoot::CurrentUser) + ".tmp"));
}

TEST(HiveProcessesTest, TwoWritersAtOnceBothKeepTheirValues)
{
    test::DossierTemporaire dossier;
    const auto premier = lancer("a", 12, "A");
    const auto second = lancer("b", 12, "B");
    for (QProcess* pProcessus : {premier.get(), second.get()}) {
        ASSERT_TRUE(pProcessus->waitForFinished(60000));
        EXPECT_EQ(pProcessus->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(pProcessus->exitCode(), 0);
    }
    EXPECT_EQ(valeurs("a"), QStringList(NOMBRE, "A:12"));
    EXPECT_EQ(valeurs("b"), QStringList(NOMBRE, "B:12"));
}

TEST(HiveProcessesTest, ABatchKilledMidWriteLeavesAllItsValuesOrNone)
{
    test::DossierTemporaire dossier;
    for (int nCoupure = 1; nCoupure <= 10; ++nCoupure) {
        const QString strMarque = "lot" + QString::number(nCoupure);
        const auto processus = lancer("v", 1000000, strMarque, "lot");
        tuerEnCours(*processus);
        const QStringList apres = valeurs("v");
        EXPECT_EQ(apres, QStringList(NOMBRE, apres.front())) << "cut " << nCoupure;
        EXPECT_TRUE(apres.front().startsWith(strMarque + ':'));
    }
}

TEST(HiveProcessesTest, TwoProgramsIncrementingInBatchesLoseNoIncrement)
{
    test::DossierTemporaire dossier;
    constexpr int TOURS = 60;
    const auto premier = lancer("compteur", TOURS, "A", "compteur");
    const auto second = lancer("compteur", TOURS, "B", "compteur");
    for (QProcess* pProcessus : {premier.get(), second.get()}) {
        ASSERT_TRUE(pProcessus->waitForFinished(60000));
        EXPECT_EQ(pProcessus->exitCode(), 0);
    }
    qint32 nCompteur = 0;
    ASSERT_TRUE(readRegistryInteger(RegistryRoot::CurrentUser, CLE, "compteur", nCompteur).ok());
    EXPECT_EQ(nCompteur, 2 * TOURS);
}
