// A genuine Access file through the whole layer: catalogue, a join, value forms, refusal.
#include "tests/access/FixtureAcces.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace kervane;
using namespace kervane::test;

using BaseAccess = FixtureAcces;

TEST_F(BaseAccess, NwindIsBrowsedAndQueriedButNeverChanged)
{
    const QString strNwind = qEnvironmentVariable("KERVANE_TEST_DATA") + "/nwind.mdb";
    if (!QFileInfo::exists(strNwind))
        GTEST_SKIP() << "nwind.mdb absent : KERVANE_TEST_DATA ne désigne pas le dossier des bases de test";
    ASSERT_TRUE(ODBC_AjouterDSN(PILOTE_ACCESS, "Ouverture Base Velmora", "", strNwind));
    const qint16 n = connecter("Ouverture Base Velmora");

    TableauTextes tab;
    ASSERT_TRUE(ODBC_LireTables(n, tab));
    QStringList tables;
    for (qsizetype r = 1; r < tab.lignes(); ++r)
        if (tab.texte(r, 2) == "TABLE")
            tables << tab.texte(r, 1);
    EXPECT_TRUE(tables.contains("Umsätze")) << tables.join(", ").toStdString();
    EXPECT_TRUE(tables.contains("Order Details"));

    ASSERT_TRUE(ODBC_LireChampsTable(n, "[Order Details]", tab));  // quoted by the caller
    EXPECT_GE(tab.texte(0, 0).toInt(), 5);

    ASSERT_TRUE(ODBC_SelectionnerDansTableau(
        n,
        "SELECT O.OrderID, C.CompanyName, O.OrderDate FROM Orders O JOIN Customers C "
        "ON C.CustomerID = O.CustomerID ORDER BY O.OrderID",
        tab, true));
    EXPECT_EQ(tab.texte(0, 0), "830");
    EXPECT_EQ(tab.texte(1, 2), "CompanyName");
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d$").match(tab.texte(2, 3)).hasMatch())
        << tab.texte(2, 3).toStdString();

    qint32 nLignes = 0;
    EXPECT_FALSE(ODBC_Executer(n, "DELETE FROM Orders", nLignes));
    EXPECT_TRUE(repondeur.derniere().strTexte.contains("lecture seule")) << repondeur.derniere().strTexte.toStdString();
}
