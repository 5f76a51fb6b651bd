// Registry hive store: typed values, names without regard to case, hierarchical keys and
// their deletion, the hive folder, and damaged hive files put aside.
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
const QString CLE = QStringLiteral("Software\\Brintek\\kervane");

QByteArray contenu(const QString& strChemin)
{
    QFile fichier(strChemin);
    return fichier.open(QIODevice::ReadOnly) ? fichier.readAll() : QByteArray();
}

void ecrireFichier(const QString& strChemin, const QByteArray& octets)
{
    QDir().mkpath(QFileInfo(strChemin).absolutePath());
    QFile fichier(strChemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate));
    fichier.write(octets);
}

// The text read, or "-" when the read fails with the expected status.
QString lire(RegistryRoot racine, const QString& strCle, const QString& strNom,
             RegistryStatus attendu = RegistryStatus::Ok)
{
    QString strValeur = QStringLiteral("-");
    EXPECT_EQ(readRegistryText(racine, strCle, strNom, strValeur).status, attendu) << strNom.toStdString();
    return strValeur;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    test::DossierTemporaire dossier;
};

}  // namespace

TEST_F(RegistryStoreTest, ValuesComeBackExactlyWithTheirType)
{
    const QString textes[] = {"Été « œuvre » ✓", "C:\\Données\\\"cité\" \\\\serveur\\",
                              "SELECT *\r\nFROM BASE\n\tWHERE 1\x01 = 1", QString(4999, u'x') + u'é', ""};
    const qint32 nombres[] = {0, 30, -1, INT32_MIN, INT32_MAX};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(writeRegistryText(HKCU, CLE, "t" + QString::number(i), textes[i]).ok());
        ASSERT_TRUE(writeRegistryInteger(HKCU, CLE, "n" + QString::number(i), nombres[i]).ok());
    }
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lire(HKCU, CLE, "t" + QString::number(i)), textes[i]);
        qint32 nLu = 12345;
        EXPECT_TRUE(readRegistryInteger(HKCU, CLE, "n" + QString::number(i), nLu).ok());
        EXPECT_EQ(nLu, nombres[i]);
    }
    // The other type is a mismatch, and the out value stays as it was.
    qint32 nLu = 7;
    EXPECT_EQ(readRegistryInteger(HKCU, CLE, "t0", nLu).status, RegistryStatus::TypeMismatch);
    EXPECT_EQ(nLu, 7);
    EXPECT_EQ(lire(HKCU, CLE, "n1", RegistryStatus::TypeMismatch), "-");
    EXPECT_EQ(lire(HKCU, CLE, "absente", RegistryStatus::ValueNotFound), "-");
    // A write replaces a value of either type; the machine root is another hive.
    ASSERT_TRUE(writeRegistryText(HKCU, CLE, "n1", "trente").ok());
    EXPECT_EQ(lire(HKCU, CLE, "n1"), "trente");
    EXPECT_EQ(lire(HKLM, CLE, "t0", RegistryStatus::KeyNotFound), "-");
}

TEST_F(RegistryStoreTest, NamesCompareWithoutCaseAndKeepTheirFirstCase)
{
    ASSERT_TRUE(writeRegistryText(HKCU, "Software\\Brintek\\Kervane\\Bases Récentes", "Élément 1", "a").ok());
    ASSERT_TRUE(writeRegistryText(HKCU, "SOFTWARE\\BRINTEK\\KERVANE\\BASES RÉCENTES", "ÉLÉMENT 1", "b").ok());
    ASSERT_TRUE(writeRegistryText(HKCU, "software\\brintek\\kervane\\bases récentes\\Nouvelle", "x", "c").ok());

    EXPECT_EQ(lire(HKCU, "software\\BRINTEK\\kervane\\bases récentes", "élément 1"), "b");
    const QString strFichier = QString::fromUtf8(contenu(registryHivePath(HKCU)));
    EXPECT_TRUE(strFichier.contains("[Software\\Brintek\\Kervane\\Bases Récentes]\n\"Élément 1\"=\"b\"\n"));
    EXPECT_TRUE(strFichier.contains("[Software\\Brintek\\Kervane\\Bases Récentes\\Nouvelle]"));
    EXPECT_FALSE(strFichier.contains("BRINTEK") || strFichier.contains("ÉLÉMENT"));
}

TEST_F(RegistryStoreTest, KeysAndValuesAreDeletedAsInTheRegistry)
{
    const QString strRecentes = CLE + "\\Bases récentes";
    ASSERT_TRUE(writeRegistryText(HKCU, strRecentes, "1", "/tmp/a.mdb").ok());
    ASSERT_TRUE(writeRegistryText(HKCU, strRecentes, "2", "/tmp/b.mdb").ok());
    ASSERT_TRUE(writeRegistryText(HKCU, CLE, "Editeur utilisé", "kate").ok());

    EXPECT_EQ(deleteRegistryKey(HKCU, CLE).status, RegistryStatus::HasSubkeys);
    EXPECT_EQ(lire(HKCU, CLE, "Editeur utilisé"), "kate");
    EXPECT_TRUE(deleteRegistryValue(HKCU, strRecentes, "1").ok());
    EXPECT_EQ(deleteRegistryValue(HKCU, strRecentes, "1").status, RegistryStatus::ValueNotFound);
    EXPECT_EQ(deleteRegistryValue(HKCU, CLE + "\\Absente", "1").status, RegistryStatus::KeyNotFound);
    EXPECT_EQ(lire(HKCU, strRecentes, "2"), "/tmp/b.mdb");

    EXPECT_TRUE(deleteRegistryKey(HKCU, strRecentes.toUpper()).ok());
    EXPECT_EQ(openRegistryKey(HKCU, strRecentes).status, RegistryStatus::KeyNotFound);
    EXPECT_EQ(deleteRegistryKey(HKCU, strRecentes).status, RegistryStatus::KeyNotFound);
    // Recreated by a later write, without the values it had; a key may hold no values.
    ASSERT_TRUE(writeRegistryText(HKCU, strRecentes, "1", "/tmp/c.mdb").ok());
    EXPECT_EQ(lire(HKCU, strRecentes, "2", RegistryStatus::ValueNotFound), "-");
    EXPECT_TRUE(createRegistryKey(HKCU, "Software\\Vide\\Aussi").ok());
    EXPECT_TRUE(openRegistryKey(HKCU, "software\\vide").ok());
    // Malformed paths are neither found nor created.
    for (const QString& strCle : {QString(), QStringLiteral("A\\\\B"), QStringLiteral("A\\"), QStringLiteral("A\nB")}) {
        EXPECT_EQ(openRegistryKey(HKCU, strCle).status, RegistryStatus::KeyNotFound);
        EXPECT_EQ(writeRegistryText(HKCU, strCle, "x", "y").status, RegistryStatus::CannotCreate);
    }
}

TEST_F(RegistryStoreTest, TheHiveFolderIsMadeOnFirstWrite)
{
    const QString strDossier = dossier.fichier("a/b/registre");
    qputenv("KERVANE_REGISTRY_DIR", strDossier.toUtf8());
    EXPECT_EQ(registryHivePath(HKLM), strDossier + "/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(lire(HKLM, CLE, "Number", RegistryStatus::KeyNotFound), "-");
    EXPECT_EQ(deleteRegistryKey(HKLM, CLE).status, RegistryStatus::KeyNotFound);
    EXPECT_FALSE(QFileInfo::exists(strDossier));
    ASSERT_TRUE(writeRegistryText(HKLM, CLE, "Number", "0123456789").ok());
    EXPECT_EQ(lire(HKLM, CLE, "Number"), "0123456789");

    // A regular file where the folder should be: the write fails as a creation failure.
    qputenv("KERVANE_REGISTRY_DIR", dossier.fichier("a/b/registre/HKEY_LOCAL_MACHINE.reg/x").toUtf8());
    EXPECT_EQ(writeRegistryInteger(HKCU, CLE, "n", 1).status, RegistryStatus::CannotCreate);

    qunsetenv("KERVANE_REGISTRY_DIR");
    qputenv("XDG_CONFIG_HOME", "/tmp/config-essai");
    EXPECT_EQ(registryFolder(), "/tmp/config-essai/Brintek");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(registryFolder(), QDir::homePath() + "/.config/Brintek");
}

TEST_F(RegistryStoreTest, ADamagedHiveIsPutAsideIntactAndReplaced)
{
    const QString strRuche = registryHivePath(HKCU);
    const QByteArray illisible("\x89PNG\r\n\x1a\n\xff\xfe des octets\n[Software\n");
    ecrireFichier(strRuche, illisible);

    const RegistryOutcome premier = openRegistryKey(HKCU, CLE);
    EXPECT_EQ(premier.status, RegistryStatus::KeyNotFound);
    ASSERT_TRUE(premier.damaged.has_value());
    EXPECT_EQ(premier.damaged->strChemin, strRuche);
    EXPECT_TRUE(premier.damaged->strCheminMisDeCote.startsWith(strRuche + ".endommagé-"));
    EXPECT_EQ(contenu(premier.damaged->strCheminMisDeCote), illisible);

    // Told once; the empty hive in its place is usable at once.
    const RegistryOutcome ecriture = writeRegistryText(HKCU, CLE, "x", "y");
    EXPECT_TRUE(ecriture.ok() && !ecriture.damaged);
    EXPECT_EQ(lire(HKCU, CLE, "x"), "y");

    // Damaged again within the same second: the first copy is not overwritten.
    ecrireFichier(strRuche, "REGEDIT5\n");
    const RegistryOutcome second = writeRegistryInteger(HKCU, CLE, "n", 1);
    EXPECT_TRUE(second.ok());
    ASSERT_TRUE(second.damaged.has_value());
    EXPECT_EQ(contenu(premier.damaged->strCheminMisDeCote), illisible);
    EXPECT_EQ(contenu(second.damaged->strCheminMisDeCote), "REGEDIT5\n");
    EXPECT_EQ(lire(HKCU, CLE, "x", RegistryStatus::ValueNotFound), "-");
}
