// Loading hives: parsing costs about one name comparison per line however the values are
// spread, and a hive file is parsed again only once it changed on disk.
#include "platform/HiveFile.h"
#include "platform/HiveFormat.h"
#include "platform/RegistryStore.h"
#include "tests/support/DossierTemporaire.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace kervane;

namespace {

const RegistryRoot HKCU = RegistryRoot::CurrentUser;
const QString CLE = QStringLiteral("Software\\Brintek\\essai");
constexpr int CENT_MILLE = 100000;

QString lire(const QString& strNom)
{
    QString strValeur = QStringLiteral("-");
    readRegistryText(HKCU, CLE, strNom, strValeur);
    return strValeur;
}

quint64 analyses()
{
    return registryCounters().nAnalyses;
}

// Rewrites the file in place, as an editor would, and dates it as a later save would be.
void ecrireSurPlace(const QString& strChemin, const QByteArray& contenu, long nNanosecondes)
{
    QFile fichier(strChemin);
    ASSERT_TRUE(fichier.open(QIODevice::ReadWrite) && fichier.write(contenu) == contenu.size());
    ASSERT_TRUE(fichier.resize(contenu.size()));
    fichier.close();
    const timespec dates[2] = {{0, UTIME_OMIT}, {1700000000, nNanosecondes}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(strChemin).constData(), dates, 0), 0);
}

}  // namespace

TEST(HiveLoadingTest, ParsingComparesAboutOnceAValueHoweverTheyAreSpread)
{
    struct Cas {
        const char* pNom;
        QString (*section)(int i);  // the section line written before value i, if any
        const char* pDerniereCle;   // the key of the last value, in another case
    };
    const Cas cas[] = {
        {"one key", [](int i) { return i == 0 ? QStringLiteral("[Software\\Brintek\\kervane]\n") : QString(); },
         "software\\brintek\\KERVANE"},
        {"one key each", [](int i) { return QStringLiteral("[Software\\Brintek\\Cle %1]\n").arg(i); },
         "SOFTWARE\\Brintek\\cle 99999"},
    };
    for (const Cas& c : cas) {
        QString strTexte = QStringLiteral("REGEDIT4\n");
        for (int i = 0; i < CENT_MILLE; ++i)
            strTexte += c.section(i) + QStringLiteral("\"Valeur %1\"=\"texte %1\"\n").arg(i);

        const quint64 nAvant = hiveNameComparisons();
        const std::optional<Hive> ruche = parseHive(strTexte.toUtf8());
        const quint64 nComparaisons = hiveNameComparisons() - nAvant;
        ASSERT_TRUE(ruche.has_value()) << c.pNom;
        EXPECT_LT(nComparaisons, 3u * CENT_MILLE) << c.pNom;

        const RegistryKey* pDerniere = ruche->findKey(c.pDerniereCle);
        ASSERT_NE(pDerniere, nullptr) << c.pNom;
        EXPECT_EQ(std::get<QString>(findValue(*pDerniere, "valeur 99999")->donnee), "texte 99999");
    }
    // Within one key, the later line of a name replaces the value and keeps the first case.
    const std::optional<Hive> uneCle = parseHive("REGEDIT4\n[A]\n\"Valeur 7\"=\"x\"\n\"VALEUR 7\"=dword:00000007\n");
    ASSERT_TRUE(uneCle.has_value());
    ASSERT_EQ(uneCle->findKey("A")->values().size(), 1u);
    EXPECT_EQ(uneCle->findKey("A")->values().front(), (RegistryValue{"Valeur 7", qint32{7}}));
}

TEST(HiveLoadingTest, AHiveIsParsedAgainOnlyOnceItsFileChanged)
{
    test::DossierTemporaire dossier;
    const QString strRuche = registryHivePath(HKCU);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(writeRegistryText(HKCU, CLE, "v" + QString::number(i), "aaaa").ok());

    // What this process wrote is what it reads: no parsing at all.
    const quint64 nDepart = analyses();
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(lire("v" + QString::number(i % 20)), "aaaa");
    EXPECT_EQ(analyses(), nDepart);

    // Replaced by another program: parsed once again, then kept.
    QProcess autre;
    autre.start(KERVANE_HIVE_WRITER, {"w", "1", "1", "autre"});
    ASSERT_TRUE(autre.waitForFinished(30000) && autre.exitCode() == 0);
    EXPECT_EQ(lire("w0"), "autre:1");
    EXPECT_EQ(lire("v3"), "aaaa");
    EXPECT_EQ(analyses(), nDepart + 1);

    // Edited in place with the same size: seen through its dates.
    QFile fichier(strRuche);
    ASSERT_TRUE(fichier.open(QIODevice::ReadOnly));
    const QByteArray avant = fichier.readAll();
    fichier.close();
    QByteArray apres = avant;
    apres.replace("\"v3\"=\"aaaa\"", "\"v3\"=\"bbbb\"");
    ASSERT_EQ(apres.size(), avant.size());
    ecrireSurPlace(strRuche, apres, 1);
    EXPECT_EQ(lire("v3"), "bbbb");
    apres.replace("\"v3\"=\"bbbb\"", "\"v3\"=\"cccc\"");
    ecrireSurPlace(strRuche, apres, 2);  // the same second, one nanosecond later
    EXPECT_EQ(lire("v3"), "cccc");
    EXPECT_EQ(analyses(), nDepart + 3);

    // Gone: an empty hive, and nothing is kept of it.
    ASSERT_TRUE(QFile::remove(strRuche));
    EXPECT_EQ(lire("v3"), "-");
    EXPECT_EQ(openRegistryKey(HKCU, CLE).status, RegistryStatus::KeyNotFound);
}
