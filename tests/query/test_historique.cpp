// The history of statements: its size, its copy in the registry, and its sharing between
// the windows open on the same database.
#include "query/CleHistorique.h"
#include "tests/query/FixtureRequete.h"

#include <QSet>

#include <algorithm>
#include <map>

namespace kervane::test {

using namespace Qt::StringLiterals;

using Historique = FixtureRequete;

namespace {

const QString TAILLE = QStringLiteral("Dimension de la liste des requêtes stockées");

QString requete(int n)
{
    return QStringLiteral("SELECT ID FROM ARTICLE WHERE ID <> %1").arg(n);
}

// Windows on database files of their own, each reached through a data source of its own.
class HistoriqueParChemin : public FixtureRequete {
protected:
    wndKervane& ouvrirSur(const QString& strChemin)
    {
        QString& strSourceBase = sources[strChemin];
        if (strSourceBase.isEmpty()) {
            strSourceBase = DSN + QStringLiteral(" %1").arg(sources.size());
            creerBaseSQLite(strChemin, SCHEMA_REQUETES);
            odbc.ajouterDSN(strSourceBase, strChemin);
        }
        strSource = strSourceBase;
        strBase = strChemin;
        return *ouvrir();
    }

    static void fermer(wndKervane& f)
    {
        f.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    std::map<QString, QString> sources;  // data source by database path
};

}  // namespace

TEST(HistoryKeyName, ReadableAndExactForEachPath)
{
    // Without upper case nor marks, the name is the one earlier versions gave.
    EXPECT_EQ(NomCleBase("/home/jean/bases/ventes.mdb"), "|home|jean|bases|ventes.mdb");
    EXPECT_EQ(NomCleBase(u"/Bases/Été/Velmora.mdb"_s), u"|^Bases|^Été|^Velmora.mdb"_s);
    EXPECT_EQ(NomCleBase("/a\\b|c^d"), "|a^|b^!c^^d");
    // A control character and a final space, which a key name cannot keep, by their code.
    EXPECT_EQ(NomCleBase("/a\tb c "), "|a^#9;b c^#20;");
    // The Kelvin sign compares as K: its code tells it apart.
    EXPECT_EQ(NomCleBase(u"/\u212A"_s), "|^#212A;");
    EXPECT_EQ(NomCleBasePartagee("/Bases\\Velmora.mdb"), "|Bases|Velmora.mdb");
}

TEST(HistoryKeyName, DifferentPathsKeepNamesTheRegistryTellsApart)
{
    const QStringList chemins = {u"/x/Base.mdb"_s,  u"/x/base.mdb"_s,   u"/x/BASE.mdb"_s,   u"/X/base.mdb"_s,
                                 u"/x\\base.mdb"_s, u"/x|base.mdb"_s,   u"/x^|base.mdb"_s,  u"/x/^base.mdb"_s,
                                 u"/x/^Base.mdb"_s, u"/x/^!base.mdb"_s, u"/x/base.mdb "_s,  u"/x/base.mdb^#20;"_s,
                                 u"/x/K"_s,         u"/x/k"_s,          u"/x/\u212A"_s,    u"/x/ß"_s,
                                 u"/x/\u1E9E"_s,    u"/x/ss"_s,         u"/x/SS"_s,         u"/x/Σ"_s,
                                 u"/x/σ"_s,         u"/x/ς"_s,          u"/x/é"_s,          u"/x/É"_s,
                                 u"/x/\U00010400"_s, u"/x/\U00010428"_s, u"/x/a\nb"_s,      u"/x/a^#A;b"_s};
    QSet<QString> noms;
    for (const QString& strChemin : chemins) {
        const QString strNom = NomCleBase(strChemin);
        noms.insert(strNom.toCaseFolded());
        // A valid key name: no key separator, no control character, nothing a reader trims.
        EXPECT_FALSE(strNom.contains(u'\\')) << strNom.toStdString();
        EXPECT_EQ(strNom, strNom.trimmed()) << strNom.toStdString();
        EXPECT_FALSE(std::any_of(strNom.begin(), strNom.end(), [](QChar c) { return c.unicode() < 0x20; }))
            << strNom.toStdString();
    }
    EXPECT_EQ(noms.size(), chemins.size());
}

TEST_F(Historique, TheListSizeComesFromTheSettingsOrIs30)
{
    wndKervane f;
    Programme().nTailleListeRequetes = 7;
    f.LireParametres();
    EXPECT_EQ(Programme().nTailleListeRequetes, 30);
    ASSERT_TRUE(SYS_EcrireLongRegistration(cleProgramme(), TAILLE, 2, true));
    f.LireParametres();
    EXPECT_EQ(Programme().nTailleListeRequetes, 2);

    // With room for two, a third statement pushes the oldest out of the list and the registry.
    wndKervane& g = *ouvrir();
    for (int n = 1; n <= 3; ++n)
        lancer(g, requete(n));
    EXPECT_EQ(historique(g), QStringList({requete(3), requete(2)}));
    EXPECT_EQ(valeurStockee(1), requete(2) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(2), "<absente>");
}

TEST_F(Historique, AThirtyFirstStatementKeepsThirtyEntries)
{
    for (int k = 0; k < 30; ++k)
        ASSERT_TRUE(SYS_EcrireChaineRegistration(cleHistorique(), QString::number(k),
                                                 requete(100 + k) + "../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    ASSERT_EQ(f.cboRequetes->count(), 30);
    lancer(f, "SELECT NOM\r\nFROM ARTICLE");
    EXPECT_EQ(f.cboRequetes->count(), 30);
    EXPECT_EQ(historique(f).first(), "SELECT NOM FROM ARTICLE");
    EXPECT_EQ(historique(f).last(), requete(128));
    EXPECT_EQ(valeurStockee(0), "SELECT NOM FROM ARTICLE../..OCCURENCE: 11:");
    EXPECT_EQ(valeurStockee(29), requete(128) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(30), "<absente>");
}

TEST_F(Historique, AStatementRunAgainMovesToTheTopWithItsLatestText)
{
    wndKervane& f = *ouvrir();
    lancer(f, "SELECT * FROM ARTICLE");
    lancer(f, "SELECT NOM FROM ARTICLE");
    lancer(f, "select  *  from article");
    EXPECT_EQ(historique(f), QStringList({"select  *  from article", "SELECT NOM FROM ARTICLE"}));
    // Picked from the list and run again: it stays once, at the top, and stays shown.
    f.cboRequetes->setCurrentIndex(1);
    f.cboRequetes_Click();
    f.btnLancer_Click();
    EXPECT_EQ(historique(f), QStringList({"SELECT NOM FROM ARTICLE", "select  *  from article"}));
    EXPECT_EQ(f.cboRequetes->currentIndex(), 0);
}

TEST_F(Historique, AStatementIsRecordedInEveryWindowOnTheSameDatabase)
{
    wndKervane& f = *ouvrir();
    wndKervane& g = *ouvrir();
    wndKervane& autre = *ouvrir(QStringLiteral("autre connexion"));
    ASSERT_EQ(f.nIndBase, g.nIndBase);
    ASSERT_NE(f.nIndBase, autre.nIndBase);
    lancer(g, "SELECT ID FROM ARTICLE");
    lancer(f, "SELECT NOM\r\nFROM ARTICLE");
    EXPECT_EQ(historique(g), QStringList({"SELECT NOM FROM ARTICLE", "SELECT ID FROM ARTICLE"}));
    EXPECT_EQ(historique(f), historique(g));
    EXPECT_EQ(g.positionsRequete(0), "11:");
    EXPECT_EQ(g.cboRequetes->currentText(), "SELECT ID FROM ARTICLE");  // g keeps showing its own
    EXPECT_TRUE(historique(autre).isEmpty());
}

TEST_F(Historique, LoadingStopsAtAnInvalidValueAndSaysSo)
{
    const QString strCle = cleHistorique();
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "0", requete(1) + "../..OCCURENCE: 0", true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "1", requete(2), true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strCle, "2", requete(3) + "../..OCCURENCE: 0", true));
    wndKervane& f = *ouvrir();
    EXPECT_EQ(historique(f), QStringList{requete(1)});
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_TRUE(repondeur.derniere().strTexte.startsWith("VB-00005")) << repondeur.derniere().strTexte.toStdString();
    // Saving at the opening leaves one value.
    EXPECT_EQ(valeurStockee(1), "<absente>");
}


TEST_F(HistoriqueParChemin, TwoPathsDifferingByCaseKeepTwoHistories)
{
    const QString strMixte = dossier.fichier(QStringLiteral("Ventes.mdb"));
    const QString strMajuscules = dossier.fichier(QStringLiteral("VENTES.mdb"));
    wndKervane& f = ouvrirSur(strMixte);
    lancer(f, requete(1));
    wndKervane& g = ouvrirSur(strMajuscules);
    EXPECT_TRUE(historique(g).isEmpty());
    lancer(g, requete(2));
    fermer(f);
    fermer(g);
    EXPECT_EQ(historique(ouvrirSur(strMixte)), QStringList{requete(1)});
    EXPECT_EQ(historique(ouvrirSur(strMajuscules)), QStringList{requete(2)});
    EXPECT_EQ(valeurStockee(0, cleHistorique(strMixte)), requete(1) + "../..OCCURENCE: 0");
    EXPECT_EQ(valeurStockee(0, cleHistorique(strMajuscules)), requete(2) + "../..OCCURENCE: 0");
}

TEST_F(HistoriqueParChemin, AHistoryUnderTheSharedNameIsCopiedOnFirstOpening)
{
    const QString strMixte = dossier.fichier(QStringLiteral("Ventes.mdb"));
    const QString strMajuscules = dossier.fichier(QStringLiteral("VENTES.mdb"));
    // As earlier versions stored it: under the path with its separators turned into "|".
    const QString strPartagee = cleProgramme() + QStringLiteral("\\Requetes\\") + QString(strMixte).replace(u'/', u'|');
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strPartagee, "0", requete(1) + "../..OCCURENCE: 0", true));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strPartagee, "1", "SELECT NOM FROM ARTICLE../..OCCURENCE: 11:", true));

    wndKervane& f = ouvrirSur(strMixte);
    EXPECT_EQ(historique(f), QStringList({requete(1), "SELECT NOM FROM ARTICLE"}));
    EXPECT_EQ(f.positionsRequete(1), "11:");
    EXPECT_EQ(valeurStockee(1, cleHistorique(strMixte)), "SELECT NOM FROM ARTICLE../..OCCURENCE: 11:");
    // Copied, not moved: the other path that shared it finds it as well.
    EXPECT_EQ(valeurStockee(1, strPartagee), "SELECT NOM FROM ARTICLE../..OCCURENCE: 11:");
    wndKervane& g = ouvrirSur(strMajuscules);
    EXPECT_EQ(historique(g), historique(f));

    // Once a path has a history of its own, the shared one is not read again.
    lancer(f, requete(3));
    ASSERT_TRUE(SYS_EcrireChaineRegistration(strPartagee, "0", requete(9) + "../..OCCURENCE: 0", true));
    fermer(f);
    EXPECT_EQ(historique(ouvrirSur(strMixte)), QStringList({requete(3), requete(1), "SELECT NOM FROM ARTICLE"}));
    EXPECT_EQ(valeurStockee(0, cleHistorique(strMajuscules)), requete(1) + "../..OCCURENCE: 0");
    EXPECT_TRUE(repondeur.questions().empty());
}

}  // namespace kervane::test
