// Batches of registry changes: answered at once and seen by the batch's own reads, written
// once at the commit with one fsync of the file and one of its folder, or not at all.
#include "platform/HiveFile.h"
#include "platform/RegistryStore.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kervane;

namespace {

const RegistryRoot HKCU = RegistryRoot::CurrentUser;
const RegistryRoot HKLM = RegistryRoot::LocalMachine;
const QString CLE = QStringLiteral("Software\\Brintek\\kervane\\Bases récentes");

QByteArray contenu(RegistryRoot racine)
{
    QFile fichier(registryHivePath(racine));
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

QString lire(RegistryRoot racine, const QString& strNom)
{
    QString strValeur = QStringLiteral("-");
    readRegistryText(racine, CLE, strNom, strValeur);
    return strValeur;
}

// The recent list written as the program does: the key deleted, then the entries "1".."n".
void ecrireListe(const QStringList& entrees)
{
    const RegistryStatus suppression = deleteRegistryKey(HKCU, CLE).status;
    ASSERT_TRUE(suppression == RegistryStatus::Ok || suppression == RegistryStatus::KeyNotFound);
    for (int i = 0; i < entrees.size(); ++i) {
        ASSERT_TRUE(createRegistryKey(HKCU, CLE).ok());
        ASSERT_TRUE(writeRegistryText(HKCU, CLE, QString::number(i + 1), entrees[i]).ok());
    }
}

QStringList liste(int nPremiere)
{
    QStringList entrees;
    for (int i = 0; i < 30; ++i)
        entrees << QStringLiteral("Base %1|/bases/b%1.mdb").arg((nPremiere + i) % 30);
    return entrees;
}

quint64 fsyncs()
{
    return registryCounters().nFsync;
}

class RegistryBatchTest : public ::testing::Test {
protected:
    test::DossierTemporaire dossier;
};

}  // namespace

TEST_F(RegistryBatchTest, AListRewrittenInABatchIsOneWriteOfTheFile)
{
    ecrireListe(liste(0));
    ASSERT_TRUE(writeRegistryInteger(HKLM, "Software\\Brintek\\Velmora", "n", 1).ok());
    const QByteArray avant = contenu(HKCU);
    const quint64 nAvant = fsyncs();
    {
        RegistryBatch lot;
        ecrireListe(liste(5));
        ASSERT_TRUE(deleteRegistryValue(HKCU, CLE, "30").ok());
        // The batch sees its own changes; the file does not, yet.
        EXPECT_EQ(lire(HKCU, "1"), "Base 5|/bases/b5.mdb");
        EXPECT_EQ(lire(HKCU, "30"), "-");
        EXPECT_EQ(contenu(HKCU), avant);
        EXPECT_EQ(fsyncs(), nAvant);
        EXPECT_TRUE(lot.commit().empty());
    }
    EXPECT_EQ(fsyncs(), nAvant + 2);  // the file and its folder; the untouched machine hive not at all
    EXPECT_EQ(lire(HKCU, "1"), "Base 5|/bases/b5.mdb");
    EXPECT_EQ(lire(HKCU, "29"), "Base 3|/bases/b3.mdb");
    EXPECT_EQ(lire(HKCU, "30"), "-");
}

TEST_F(RegistryBatchTest, ABatchNotCommittedOrThatChangesNothingWritesNothing)
{
    ecrireListe(liste(0));
    const QByteArray avant = contenu(HKCU);
    const quint64 nAvant = fsyncs();
    {
        RegistryBatch lot;
        ecrireListe(liste(7));
    }
    {
        RegistryBatch lot;
        ecrireListe(liste(0));  // deleted and written again as it was
        EXPECT_TRUE(lot.commit().empty());
    }
    EXPECT_EQ(fsyncs(), nAvant);
    EXPECT_EQ(contenu(HKCU), avant);
    EXPECT_EQ(lire(HKCU, "1"), "Base 0|/bases/b0.mdb");
}

TEST_F(RegistryBatchTest, AnInnerBatchJoinsTheOuterOneAndFailuresNameTheFirstKey)
{
    {
        RegistryBatch lot;
        {
            RegistryBatch interieur;
            ASSERT_TRUE(writeRegistryText(HKCU, CLE, "1", "interieur").ok());
            EXPECT_TRUE(interieur.commit().empty());
        }
        EXPECT_FALSE(QFile::exists(registryHivePath(HKCU)));
        ASSERT_TRUE(writeRegistryText(HKLM, "Software\\Brintek\\Velmora", "x", "machine").ok());
        // The machine hive cannot be replaced: a folder stands where its new copy goes.
        ASSERT_TRUE(QDir().mkpath(registryHivePath(HKLM) + ".tmp"));
        const std::vector<BatchFailure> echecs = lot.commit();
        ASSERT_EQ(echecs.size(), 1u);
        EXPECT_EQ(echecs[0].racine, HKLM);
        EXPECT_EQ(echecs[0].strCle, "Software\\Brintek\\Velmora");
    }
    EXPECT_EQ(lire(HKCU, "1"), "interieur");
    QString strValeur;
    EXPECT_EQ(readRegistryText(HKLM, "Software\\Brintek\\Velmora", "x", strValeur).status,
              RegistryStatus::KeyNotFound);
    // Outside a batch again: each write goes to the file at once.
    ASSERT_TRUE(QDir(registryHivePath(HKLM) + ".tmp").removeRecursively());
    ASSERT_TRUE(writeRegistryText(HKLM, "Software\\Brintek\\Velmora", "x", "machine").ok());
    EXPECT_TRUE(contenu(HKLM).contains("\"x\"=\"machine\""));
}
