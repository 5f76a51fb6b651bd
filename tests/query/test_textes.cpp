// The texts of a statement and the tree's words.
#include "query/ArbreTables.h"
#include "query/Requete.h"
#include "query/TextesUtf8.h"

#include <gtest/gtest.h>

namespace kervane::test {

namespace {

std::pair<QString, QString> aplatir(const QString& strTexte)
{
    QString strRequete;
    QString strPositions;
    EXPECT_TRUE(InterpreterRequete(strTexte, strRequete, strPositions));
    return {strRequete, strPositions};
}

}  // namespace

TEST(Requete, FlatteningGivesOneLineAndTheJoiningPositionsThatRebuildTheLines)
{
    EXPECT_EQ(aplatir("SELECT *\r\nFROM T\r\nWHERE x"), std::make_pair(QString("SELECT * FROM T WHERE x"), QString("9:16:")));
    EXPECT_EQ(aplatir("  select * from t  "), std::make_pair(QString("  select * from t  "), QString("0")));
    // Lines are trimmed; an empty line adds a space; a final line break leaves a trailing space.
    EXPECT_EQ(aplatir("  A  \r\n\r\nB "), std::make_pair(QString("A  B"), QString("2:3:")));
    EXPECT_EQ(aplatir("SELECT 1\r\n"), std::make_pair(QString("SELECT 1 "), QString("9:")));
    // A lone line feed is no line break for the system.
    EXPECT_EQ(aplatir("A\nB").second, "0");

    for (const QString& strTexte : {QString("SELECT *\r\nFROM T\r\nWHERE x"), QString("A\r\n\r\nB"),
                                    QString("SELECT 1\r\n"), QString("UPDATE T\r\nSET A = 'x  y'")}) {
        const auto [strRequete, strPositions] = aplatir(strTexte);
        EXPECT_EQ(reconstruireLignes(strRequete, strPositions), strTexte);
    }
    EXPECT_EQ(reconstruireLignes("SELECT * FROM T", "0"), "SELECT * FROM T");
    EXPECT_EQ(reconstruireLignes("SELECT * FROM T", ""), "SELECT * FROM T");
    EXPECT_EQ(reconstruireLignes("AB", "9:"), "AB");  // a position past the end is ignored
    // On one line, as the result tab shows it: each line break a blank.
    EXPECT_EQ(surUneLigne("A\r\nB\nC"), "A  B C");
}

TEST(ArbreTables, TypeLabelsAndQuotedNames)
{
    EXPECT_EQ(libelleType("SQL_VARCHAR"), "texte");
    EXPECT_EQ(libelleType("SQL_TINYINT"), "numerique");
    EXPECT_EQ(libelleType("SQL_TIMESTAMP"), "date\\heure");
    EXPECT_EQ(libelleType("SQL_LONGVARCHAR"), "memo");
    EXPECT_EQ(libelleType("SQL_LONGVARBINARY"), "objet ole");
    EXPECT_EQ(libelleType("SQL_BIT"), "(oui/non)");
    EXPECT_EQ(libelleType("sql_varchar"), "type inconnu");
    EXPECT_EQ(libelleType("type inconnu"), "type inconnu");
    EXPECT_EQ(nomTableCite("LIGNE_COMMANDE2"), "LIGNE_COMMANDE2");
    EXPECT_EQ(nomTableCite("Order Details"), "[Order Details]");
    EXPECT_EQ(nomTableCite("Employés"), "[Employés]");
}

}  // namespace kervane::test

namespace kervane::test {

// The questions the grid's fitting asks of a UTF-8 cell text, against what QString answers.
TEST(TextesUtf8, LongueursSautsDeLigneEtBornesCommeLesQString)
{
    for (const QString& str : {QStringLiteral("Crème"), QStringLiteral("𝄞 clé"), QString(), QStringLiteral("日本")})
        EXPECT_EQ(longueurUtf16(str.toUtf8()), str.size()) << qPrintable(str);

    EXPECT_TRUE(contientSautDeLigne("a\r\nb"));
    EXPECT_TRUE(contientSautDeLigne("fin\n"));
    EXPECT_TRUE(contientSautDeLigne(QStringLiteral("a\u2028b").toUtf8()));
    EXPECT_TRUE(contientSautDeLigne(QStringLiteral("a\u2029b").toUtf8()));
    EXPECT_FALSE(contientSautDeLigne(QStringLiteral("a\u2027b — é").toUtf8()));

    // Latin letters up to U+024F are bounded by the widest character; others are not.
    EXPECT_TRUE(largeurBornee(QStringLiteral("Crème ɏ").toUtf8(), 7.0 * 2.0, 2.0));
    EXPECT_FALSE(largeurBornee(QStringLiteral("Crème ɐ").toUtf8(), 100.0, 2.0));
    EXPECT_FALSE(largeurBornee(QStringLiteral("Ωmega").toUtf8(), 100.0, 2.0));
    EXPECT_FALSE(largeurBornee("abcdef", 11.9, 2.0));
    EXPECT_TRUE(largeurBornee(QStringLiteral("éééééé").toUtf8(), 12.0, 2.0)) << "6 characters in 12 bytes";

    const NomsUtf8 memos({QStringLiteral("NOTE"), QStringLiteral("Remarque")});
    EXPECT_TRUE(memos.contient("NOTE"));
    EXPECT_FALSE(memos.contient("note"));
    EXPECT_FALSE(memos.contient("NOTES"));
}

}  // namespace kervane::test
