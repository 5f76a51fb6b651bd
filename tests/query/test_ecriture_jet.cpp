// The query window changing a genuine Access 2000 file: the change runs in a transaction, the
// window asks the user to accept its row count, and the answer commits or rolls back through
// the ODBC 2 calls; jetcheck (Jackcess) then reads the file. The file is made in the test's
// own folder.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/query/FixtureRequete.h"

#include <QCryptographicHash>
#include <QFile>

namespace kervane::test {
namespace {

class EcritureJet : public FixtureRequete {
protected:
    void SetUp() override
    {
        FixtureRequete::SetUp();
        if (IsSkipped())
            return;
        strBase = dossier.fichier("mesures.mdb");
        std::string why;
        if (!makeJackcessFile("NoIndexTables.java", strBase.toStdString(), why))
            GTEST_SKIP() << why;
        odbc.ajouterDSN(DSN, strBase);
    }
    QByteArray empreinte() const
    {
        QFile fichier(strBase);
        EXPECT_TRUE(fichier.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(fichier.readAll(), QCryptographicHash::Sha256);
    }
    std::string jetcheck(const std::vector<std::string>& arguments)
    {
        int status = 0;
        const std::string out = runTool(jetToolsFolder() + "/jetcheck", arguments, status);
        EXPECT_EQ(status, 0) << out;
        return out;
    }
};

TEST_F(EcritureJet, AnAcceptedChangeIsWrittenARefusedOneLeavesTheFile)
{
    wndKervane& f = *ouvrir();
    const QByteArray avant = empreinte();
    repondeur.repondre(IDNO);
    lancer(f, QStringLiteral("UPDATE Mesures SET Texte = 'refusé'"));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("2 lignes modifiées.Acceptez-vous la transaction?"));
    EXPECT_EQ(empreinte(), avant);

    repondeur.oublier();
    repondeur.repondre(IDYES);
    lancer(f, QStringLiteral("UPDATE Mesures SET Texte = 'accepté', Long = 5 WHERE N = 2"));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("1 ligne modifiée.Acceptez-vous la transaction?"));
    repondeur.oublier();
    EXPECT_EQ(valeurs(f, QStringLiteral("SELECT Texte FROM Mesures ORDER BY N")),
              QStringList({QStringLiteral("déjà là"), QStringLiteral("accepté")}));

    const std::string verdict = jetcheck({"verify", "--user-only", strBase.toStdString()});
    EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << verdict;
    const std::string rows = jetcheck({"dump", "--sorted", strBase.toStdString(), "Mesures"});
    // N, Oui, Octet, Entier, Long, ... Texte: the second row Access's Jackcess wrote, changed.
    EXPECT_NE(rows.find("\n2\t0\t\\N\t\\N\t5\t\\N\t\\N\t\\N\t\\N\t\\N\t\\N\taccepté\t\\N\t\\N"), std::string::npos) << rows;
    EXPECT_NE(rows.find("\tdéjà là\t"), std::string::npos) << rows;
}

// On a copy of a genuine Access 2000 file: Table1 has a primary key on A and an index on B.
// A change the user accepts keeps both exact; one that would repeat a key is refused by the
// driver, its message shown, and the file is left as it was.
TEST_F(EcritureJet, ChangesToAnIndexedTableOfAGenuineFileKeepItsIndexes)
{
    const QString strOrigine = qEnvironmentVariable("KERVANE_TEST_DATA") + QStringLiteral("/jet/testV2000.mdb");
    if (!QFile::exists(strOrigine))
        GTEST_SKIP() << "KERVANE_TEST_DATA absent : jet/testV2000.mdb manque";
    strBase = dossier.fichier("testV2000.mdb");
    ASSERT_TRUE(QFile::copy(strOrigine, strBase));
    QFile(strBase).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    odbc.ajouterDSN(DSN, strBase);
    wndKervane& f = *ouvrir();

    const QByteArray avant = empreinte();
    lancer(f, QStringLiteral("INSERT INTO Table1 (A, B) VALUES ('abcdefg', 'doublon')"));
    ASSERT_FALSE(repondeur.questions().empty());
    EXPECT_TRUE(repondeur.derniere().strTexte.contains(QStringLiteral("doublons dans la clé primaire")))
        << repondeur.derniere().strTexte.toStdString();
    EXPECT_EQ(empreinte(), avant);

    repondeur.oublier();
    repondeur.repondre(IDYES);
    lancer(f, QStringLiteral("INSERT INTO Table1 (A, B, C) VALUES ('été', 'Œuvre', 3)"));
    ASSERT_FALSE(repondeur.questions().empty());
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("1 ligne créée.Acceptez-vous la transaction?"));
    repondeur.oublier();
    repondeur.repondre(IDYES);
    lancer(f, QStringLiteral("UPDATE Table1 SET B = 'zèbre' WHERE A = 'a'"));
    ASSERT_FALSE(repondeur.questions().empty());
    EXPECT_EQ(repondeur.derniere().strTexte, QStringLiteral("1 ligne modifiée.Acceptez-vous la transaction?"));
    repondeur.oublier();
    EXPECT_EQ(valeurs(f, QStringLiteral("SELECT B FROM Table1 ORDER BY A")),
              QStringList({QStringLiteral("zèbre"), QStringLiteral("hijklmnop"), QStringLiteral("Œuvre")}));
    const std::string verdict = jetcheck({"verify", "--user-only", strBase.toStdString()});
    EXPECT_NE(verdict.find("RESULT: OK"), std::string::npos) << verdict;
}

}  // namespace
}  // namespace kervane::test
