// The registry under the whole program: opening a database writes the hive once at most
// (one fsync of the file, one of its folder), and the program starts on a hive of
// 100,000 values, parsing it once.
#include "frame/Module_GES.h"
#include "frame/Point_entree_sortie.h"
#include "open/EntreeRecente.h"
#include "platform/HiveFile.h"
#include "platform/RegistryStore.h"
#include "query/CleHistorique.h"
#include "settings/Registration.h"
#include "tests/frame/FixtureFrame.h"

#include <QComboBox>
#include <QDir>

using namespace kervane;
using namespace kervane::test;

namespace {

constexpr int ENTREES = 30;

// A registry used for long: a full recent list, and a full history for each base.
void remplirRegistre(const QStringList& bases)
{
    for (int i = ENTREES; i > 0; --i)
        ASSERT_TRUE(StockerRegistration(nullptr, QString("Base %1").arg(i), QString("/bases/b%1.mdb").arg(i)));
    for (const QString& strBase : bases) {
        const QString strCle = CleRequetes(NomCleBase(strBase));
        for (int k = 0; k < ENTREES; ++k)
            ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, QString::number(k),
                                                     QString("SELECT * FROM ARTICLE WHERE ID = %1../..OCCURENCE: 0").arg(k),
                                                     true));
    }
}

}  // namespace

using OuvertureRegistre = FixtureFrame;

TEST_F(OuvertureRegistre, AnOpeningWritesTheHiveOnceAtMost)
{
    const QStringList bases = {copieDemo("a.mdb"), copieDemo("b.mdb")};
    remplirRegistre(bases);
    for (const QString& strBase : {bases[0], bases[1], bases[0], bases[0]}) {
        const quint64 nAvant = registryCounters().nFsync;
        ASSERT_TRUE(ouvrir(strBase));
        EXPECT_LE(registryCounters().nFsync - nAvant, 2u) << strBase.toStdString();
        ASSERT_FALSE(Programme().tabMenuRecentes.empty());
        EXPECT_EQ(Programme().tabMenuRecentes.front().strChemin, strBase);
        EXPECT_EQ(fenetre->fenetresRequetes().back()->cboRequetes->count(), ENTREES);
    }
}

TEST(DemarrageRegistre, TheProgramStartsOnAHiveOfAHundredThousandValues)
{
    DossierTemporaire dossier;
    OdbcPrive odbc(dossier);
    RepondeurScripte repondeur;
    constexpr int VALEURS = 100000;
    QString strTexte = "REGEDIT4\n\n[Software\\Brintek\\kervane]\n\"Mode Debug\"=dword:00000000\n";
    for (int i = 0; i < VALEURS; ++i)
        strTexte += QString("\"Valeur %1\"=\"Texte %1\"\n").arg(i);
    strTexte += "\n[Software\\Brintek\\kervane\\Bases récentes]\n\"1\"=\"Base|/bases/b.mdb\"\n";
    ASSERT_TRUE(QDir().mkpath(registryFolder()));
    QFile fichier(registryHivePath(RegistryRoot::CurrentUser));
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly) && fichier.write(strTexte.toUtf8()) > 0);
    fichier.close();

    const RegistryCounters avant = registryCounters();
    {
        Application application;
        ASSERT_TRUE(application.Main());
        ASSERT_NE(application.fenetrePrincipale(), nullptr);
        EXPECT_TRUE(repondeur.questions().empty());
        ASSERT_EQ(Programme().tabMenuRecentes.size(), 1u);
        EXPECT_EQ(Programme().tabMenuRecentes.front().strChemin, "/bases/b.mdb");
        // The user's hive parsed once for all the reads and the writes of the start.
        const RegistryCounters apres = registryCounters();
        EXPECT_EQ(apres.nAnalyses - avant.nAnalyses, 1u);
        EXPECT_LT(apres.nComparaisonsNoms - avant.nComparaisonsNoms, 3u * VALEURS);
        application.fenetrePrincipale()->close();
    }
    ODBC_Cloturer();
    Programme().tabMenuRecentes.clear();
}
