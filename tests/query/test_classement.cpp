// The kind of a statement: row-returning or a change, from its keywords outside quoted texts,
// bracketed names and comments.
#include "query/Requete.h"

#include <gtest/gtest.h>

namespace kervane::test {

namespace {

struct Cas {
    const char* szRequete;
    GenreRequete genre;
};

void verifier(std::initializer_list<Cas> cas)
{
    for (const Cas& c : cas)
        EXPECT_EQ(classerRequete(QString::fromUtf8(c.szRequete)), c.genre) << c.szRequete;
}

}  // namespace

TEST(Classement, KeywordsDecideInTheirOrder)
{
    verifier({
        {"   select * from t", GenreRequete::Selection},
        {"SELECT*FROM T", GenreRequete::Selection},
        {"SELECT * FROM RECALL", GenreRequete::Selection},
        {"{call PROC}", GenreRequete::Selection},
        {"CALL PROC", GenreRequete::Selection},
        {"{call PROC('DELETE')}", GenreRequete::Selection},
        {"insert into T values (1)", GenreRequete::Insertion},
        {"INSERT INTO T SELECT * FROM U", GenreRequete::Insertion},
        {"DELETE FROM T", GenreRequete::Suppression},
        {"DELETE FROM RECALL", GenreRequete::Suppression},
        {"UPDATE T SET A = 1", GenreRequete::MiseAJour},
        {"UPDATE T SET A = 1 WHERE ID IN (SELECT ID FROM U)", GenreRequete::MiseAJour},
        // A keyword still counts anywhere in the statement's own words, even inside a name.
        {"UPDATE T SET A = 1 WHERE DELETED = 0", GenreRequete::Suppression},
        {"WITH A AS (SELECT 1) SELECT * FROM A", GenreRequete::Autre},
        {"CREATE TABLE T (A LONG)", GenreRequete::Autre},
        {"EXEC CALL_LOG", GenreRequete::Autre},
        {"", GenreRequete::Autre},
        {"   ", GenreRequete::Autre},
    });
}

TEST(Classement, CrosstabParametersAndParenthesisedQueriesReturnRows)
{
    verifier({
        {"TRANSFORM Sum(QUANTITE) AS Q SELECT ID_ARTICLE FROM LIGNE_COMMANDE GROUP BY ID_ARTICLE "
         "PIVOT NUM_LIGNE",
         GenreRequete::Selection},
        {"  transform Count(*) select A from T group by A pivot B", GenreRequete::Selection},
        {"PARAMETERS [Ville] Text ( 255 ); SELECT * FROM CLIENT WHERE VILLE_CLIENT = [Ville]",
         GenreRequete::Selection},
        {"(SELECT A FROM T) UNION (SELECT A FROM U)", GenreRequete::Selection},
        {"  ( SELECT 1 )", GenreRequete::Selection},
        {"UPDATE TRANSFORM SET A = 1", GenreRequete::MiseAJour},
    });
}

TEST(Classement, MakeTableQueryIsAnInsertion)
{
    verifier({
        {"SELECT * INTO COPIE FROM ARTICLE", GenreRequete::Insertion},
        {"select a, b into [Copie des articles] from ARTICLE where a > 1", GenreRequete::Insertion},
        {"SELECT A INTO T IN 'autre.mdb' FROM U", GenreRequete::Insertion},
        {"SELECT (SELECT Max(A) FROM U) AS M INTO T FROM V", GenreRequete::Insertion},
        {"SELECT 1 AS A INTO T", GenreRequete::Insertion},
        {"SELECT A FROM T WHERE B IN (SELECT B FROM U) ORDER BY A", GenreRequete::Selection},
        {"SELECT A AS [INTO] FROM T", GenreRequete::Selection},
        {"SELECT 'INTO' AS A, \"INTO\" AS B FROM T", GenreRequete::Selection},
        {"SELECT INTO_T FROM T", GenreRequete::Selection},
        {"SELECT * /* INTO X */ FROM T", GenreRequete::Selection},
        {"SELECT A FROM T INTO", GenreRequete::Selection},
    });
    EXPECT_EQ(texteQuestion(classerRequete("SELECT * INTO COPIE FROM ARTICLE"), 3),
              "3 lignes créées.Acceptez-vous la transaction?");
}

TEST(Classement, QuotedTextsNamesAndCommentsDoNotClassify)
{
    verifier({
        {"SELECT * FROM T WHERE NOM = 'CALL'", GenreRequete::Selection},
        {"DELETE FROM ARTICLE WHERE NOM <> 'CALLUM'", GenreRequete::Suppression},
        {"DELETE FROM T WHERE A = 'it''s a CALL'", GenreRequete::Suppression},
        {"DELETE FROM T WHERE A = \"CALL\"", GenreRequete::Suppression},
        {"DELETE FROM T WHERE A = 'CALL", GenreRequete::Suppression},
        {"UPDATE T SET A = 'DELETE'", GenreRequete::MiseAJour},
        {"UPDATE T SET A = \"INSERT\"", GenreRequete::MiseAJour},
        {"UPDATE [DELETE] SET A = 1", GenreRequete::MiseAJour},
        {"UPDATE `DELETE` SET A = 1", GenreRequete::MiseAJour},
        {"UPDATE T SET A = 1 /* CALL DELETE */", GenreRequete::MiseAJour},
        {"DELETE FROM T -- CALL", GenreRequete::Suppression},
        {"/* SELECT */ DELETE FROM T", GenreRequete::Suppression},
        {"/* DELETE */ SELECT * FROM T", GenreRequete::Selection},
        {"CREATE TABLE [INSERT] ([UPDATE] LONG)", GenreRequete::Autre},
    });
}

}  // namespace kervane::test
