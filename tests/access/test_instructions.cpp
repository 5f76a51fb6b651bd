// Statements: result arrays, value text forms, row counts, failures and trace lines.
#include "access/LectureValeurs.h"
#include "tests/access/FixtureAcces.h"

#include <QRegularExpression>

#include <cstring>
#include <string>

using namespace kervane;
using namespace kervane::test;

using Instructions = FixtureAcces;

TEST_F(Instructions, ResultArrayHoldsCountWidthsNamesAndRows)
{
    const qint16 n = connecter();
    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT ID, NOM, NOTE FROM CLIENT ORDER BY ID", tab, true));
    ASSERT_EQ(tab.lignes(), 5);
    ASSERT_EQ(tab.colonnes(), 4);
    EXPECT_EQ(tab.texte(0, 0), "3");
    EXPECT_EQ(tab.texte(1, 0), "");
    EXPECT_EQ(tab.texte(1, 1), "ID");
    EXPECT_EQ(tab.texte(1, 2), "NOM");
    EXPECT_EQ(tab.texte(0, 1), "3");   // name length + 1; values are shorter
    EXPECT_EQ(tab.texte(0, 2), "14");  // "Éloïse Müller": 13 characters + 1
    EXPECT_EQ(tab.texte(0, 3), "6");   // "court" + 1
    EXPECT_EQ(tab.texte(2, 0), "");
    EXPECT_EQ(tab.texte(3, 2), "Éloïse Müller");
    EXPECT_EQ(tab.texte(3, 3), "");    // NULL is an empty text
    EXPECT_EQ(tab.texte(4, 1), "3");
    EXPECT_THROW(tab.texte(5, 1), Echec);

    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT ID, NOM FROM CLIENT WHERE ID > 99", tab, true));
    ASSERT_EQ(tab.lignes(), 2);
    EXPECT_EQ(tab.texte(0, 0), "0");
    EXPECT_EQ(tab.texte(1, 2), "NOM");
    EXPECT_EQ(tab.texte(0, 2), "4");

    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT ID, NOM FROM CLIENT", tab, false));
    EXPECT_EQ(tab.texte(0, 0), "3");
    for (int c = 1; c <= 2; ++c) {
        EXPECT_EQ(tab.texte(0, c), "");
        EXPECT_EQ(tab.texte(1, c), "");
    }
    EXPECT_EQ(tab.texte(2, 2), "Dupont");

    // A width counts characters, whatever their bytes: "€" takes three.
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT 'Prix : 12 € à 15 €' AS P FROM CLIENT WHERE ID = 2", tab, true));
    EXPECT_EQ(tab.texte(0, 1), "19");  // 18 characters + 1
}

TEST_F(Instructions, LongMemoIsReadWholeAndSetsTheWidthFromItsLastPiece)
{
    const qint16 n = connecter();
    QString strMemo;
    for (int i = 0; i < 4500; ++i)
        strMemo += QChar(u'a' + i % 26);
    qint32 nLignes = 0;
    ASSERT_TRUE(ODBC_Executer(n, "UPDATE CLIENT SET NOTE = '" + strMemo + "' WHERE ID = 2", nLignes));
    EXPECT_EQ(nLignes, 1);
    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT NOTE FROM CLIENT WHERE ID = 2", tab, true));
    EXPECT_EQ(tab.texte(2, 1), strMemo);
    EXPECT_EQ(tab.texte(0, 1), "503");  // pieces of 1999, 1999 and 502 characters
}

TEST_F(Instructions, FloatingValuesFollowTheDecimalSeparatorAndDatesAreDayFirst)
{
    const qint16 n = connecter();
    TableauTextes tab;
    const QString strSQL = "SELECT SOLDE, TAUX, NE, JOUR FROM CLIENT ORDER BY ID";
    Programme().strSeparateurDecimal = ",";
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, strSQL, tab, true));
    EXPECT_EQ(tab.texte(2, 1), "12,5");
    EXPECT_EQ(tab.texte(2, 2), "2");
    EXPECT_EQ(tab.texte(3, 1), "3");
    EXPECT_EQ(tab.texte(3, 2), "2,25");
    EXPECT_EQ(tab.texte(4, 1), "");
    EXPECT_EQ(tab.texte(4, 2), "0,5");
    EXPECT_EQ(tab.texte(2, 3), "21/03/1970 08:05:09");
    EXPECT_EQ(tab.texte(2, 4), "31/12/2001 00:00:00");  // a DATE column is a timestamp to the driver
    EXPECT_EQ(tab.texte(3, 3), "");  // NULL date: empty, not a zero date
    EXPECT_EQ(tab.texte(4, 3), "05/12/2026 23:59:59");

    Programme().strSeparateurDecimal = ".";
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, strSQL, tab, true));
    EXPECT_EQ(tab.texte(2, 1), "12.5");
    EXPECT_EQ(tab.texte(2, 2), "2");
    EXPECT_EQ(tab.texte(3, 2), "2.25");
}

TEST_F(Instructions, AnUnreadableDateLeftInAnOldBaseIsShownAsItStands)
{
    // Written by another program straight into the file, as a text the driver would refuse.
    const QString strAutre = dossier.fichier("base2.mdb");
    creerBaseSQLite(strAutre, "CREATE TABLE T (ID LONG, D DATETIME);"
                              "INSERT INTO T VALUES (1, '05/17/2024'), (2, '2024-05-17 10:00:00');");
    odbc.ajouterDSN("BASE2", strAutre);
    const qint16 n = connecter("BASE2");
    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT D FROM T ORDER BY ID", tab, true));
    EXPECT_EQ(tab.texte(2, 1), "05/17/2024");
    EXPECT_EQ(tab.texte(3, 1), "17/05/2024 10:00:00");
}

TEST_F(Instructions, ChangesReturnTheirCountEvenZero)
{
    const qint16 n = connecter();
    qint32 nLignes = -5;
    ASSERT_TRUE(ODBC_Executer(n, "UPDATE CLIENT SET NOM = 'x' WHERE ID = 99", nLignes));
    EXPECT_EQ(nLignes, 0);
    ASSERT_TRUE(ODBC_Executer(n, "INSERT INTO CLIENT (ID, NOM) VALUES (4, 'Léa')", nLignes));
    EXPECT_EQ(nLignes, 1);
    ASSERT_TRUE(ODBC_Executer(n, "DELETE FROM CLIENT WHERE ID >= 3", nLignes));
    EXPECT_EQ(nLignes, 2);
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(Instructions, SuccessfulStatementsWriteThreeTraceLines)
{
    Programme().bModeDebug = true;
    const qint16 n = connecter();
    qint32 nLignes = 0;
    TableauTextes tab;
    ASSERT_TRUE(ODBC_Executer(n, "UPDATE CLIENT SET TAUX = 1 WHERE ID = 1", nLignes));
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT * FROM CLIENT", tab, true));
    const QStringList l = trace();
    ASSERT_EQ(l.size(), 6);
    EXPECT_EQ(l[0], QString(18, ' ') + " |\tExecuter       -> Indice = 1, DSN = BASE1, Nb ligne(s) = 1, Etat = exécuté");
    // Under a second: seconds with four decimals, or the zero form when the clock did not move.
    EXPECT_TRUE(QRegularExpression("^->( {8}0\\d\\.\\d{4}s| {14}0s) \\|\t").match(l[1]).hasMatch())
        << l[1].toStdString();
    EXPECT_EQ(sansColonne(l[1]), "Requete        -> UPDATE CLIENT SET TAUX = 1 WHERE ID = 1");
    EXPECT_EQ(l[2], "");
    EXPECT_EQ(sansColonne(l[3]), "Lecture        -> Indice = 1, DSN = BASE1, Nb ligne(s) = 3, Etat = exécuté");
    EXPECT_EQ(sansColonne(l[4]), "Requete        -> SELECT * FROM CLIENT");
}

TEST_F(Instructions, FailureShowsTheDriverTextThenLogsErrorStatusAndStatement)
{
    Programme().bModeDebug = true;
    const qint16 n = connecter();
    qint32 nLignes = 42;
    EXPECT_FALSE(ODBC_Executer(n, "DELETE FROM INCONNUE", nLignes));
    const QuestionPosee q = repondeur.derniere();
    EXPECT_TRUE(q.strTexte.contains("INCONNUE")) << q.strTexte.toStdString();
    EXPECT_TRUE(q.strTexte.endsWith(" [SQLETAT=S0002]")) << q.strTexte.toStdString();
    EXPECT_EQ(q.strTitre, "Kervane [ODBC_Executer]");
    EXPECT_EQ(q.nStyle, 48);

    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT 1 AS UN", tab, true));
    const TableauTextes avant = tab;
    EXPECT_FALSE(ODBC_SelectionnerDansTableau(n, "SELEC * FROM CLIENT", tab, true));
    EXPECT_TRUE(repondeur.derniere().strTexte.endsWith(" [SQLETAT=37000]"));
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [ODBC_SelectionnerDansTableau]");
    EXPECT_EQ(tab.texte(2, 1), avant.texte(2, 1));  // left as it was

    const QStringList l = trace();
    ASSERT_EQ(l.size(), 11);
    EXPECT_EQ(sansColonne(l[0]), "Erreur         -> Kervane [ODBC_Executer] - " + q.strTexte);
    EXPECT_EQ(sansColonne(l[1]), "ExecSQL        -> Indice = 1, DSN = BASE1, Nb ligne(s) = 42, Etat = non exécuté");
    EXPECT_EQ(l[2], QString(18, ' ') + " |\tRequete        -> DELETE FROM INCONNUE");  // no duration
    EXPECT_EQ(l[3], "");
    EXPECT_TRUE(sansColonne(l[7]).startsWith("Erreur         -> Kervane [ODBC_SelectionnerDansTableau] - "));
    EXPECT_EQ(sansColonne(l[8]), "Lecture        -> Indice = 1, DSN = BASE1, Nb ligne(s) = -1, Etat = non exécuté");
    EXPECT_EQ(sansColonne(l[9]), "Requete        -> SELEC * FROM CLIENT");
}

TEST_F(Instructions, StatementOnAnUnknownConnectionIsASubscriptError)
{
    TableauTextes tab;
    EXPECT_FALSE(ODBC_SelectionnerDansTableau(9, "SELECT 1", tab, true));
    EXPECT_EQ(repondeur.derniere().strTexte, "VB-00009  L'indice n'appartient pas à la sélection");
}

namespace {

// The text form of one value of that SQL type, with that decimal separator; the bytes past the
// value are not the form's.
std::string formeTexte(SQLSMALLINT nType, const std::string& texte, char cSeparateur)
{
    ValeurLue valeur;
    std::memset(valeur.tampon, 'x', sizeof valeur.tampon);
    std::memcpy(valeur.tampon, texte.data(), texte.size());
    valeur.nOctets = static_cast<qsizetype>(texte.size());
    convertirValeur(nType, valeur, cSeparateur);
    return std::string(valeur.pDebut, static_cast<std::size_t>(valeur.nOctets));
}

}  // namespace

// Forms the driver's own texts never call for (it writes neither "3.0" nor a date alone for a
// date and time), applied directly.
TEST(FormesTextes, NumbersAndDatesTakeTheSystemsForms)
{
    EXPECT_EQ(formeTexte(SQL_DOUBLE, "3.0", ','), "3");
    EXPECT_EQ(formeTexte(SQL_DOUBLE, "12,50", ','), "12,50");
    EXPECT_EQ(formeTexte(SQL_REAL, ".0", ','), "0");
    EXPECT_EQ(formeTexte(SQL_REAL, "2,25", '.'), "2.25");
    EXPECT_EQ(formeTexte(SQL_TIMESTAMP, "2001-12-31", '.'), "31/12/2001 00:00:00");
    EXPECT_EQ(formeTexte(SQL_DATE, "2001-12-31 10:00:00", '.'), "31/12/2001");
}
