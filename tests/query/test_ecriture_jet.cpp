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
        if (!makeNoIndexFile(strBase.toStdString(), why))
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

}  // namespace
}  // namespace kervane::test
