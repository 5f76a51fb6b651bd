// The statement editor: the keys that run the statement, the status-bar summary after a run,
// the colours of Access SQL, and the faulty piece selected after a syntax error.
#include "query/BilanExecution.h"
#include "query/ColorationSql.h"
#include "tests/query/FixtureRequete.h"

#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

namespace kervane::test {

namespace {

// A count and a duration as French writes them: "9 000" (no-break space, narrow or not),
// two decimals after a comma, then " s".
QRegularExpression summary(const QString& strDebut, const QString& strSuite)
{
    return QRegularExpression(QStringLiteral("^") + strDebut + strSuite + QStringLiteral(" en \\d+,\\d\\d s$"));
}

const QString MILLIER = QStringLiteral("[\u00A0\u202F]");

struct Plage {
    int nDebut;
    int nLongueur;
    GenreJeton genre;
    bool operator==(const Plage&) const = default;
};

void PrintTo(const Plage& p, std::ostream* pFlux)
{
    *pFlux << "{" << p.nDebut << ", " << p.nLongueur << ", " << static_cast<int>(p.genre) << "}";
}

// The coloured ranges of the editor, in document positions, by the kind whose format they wear.
std::vector<Plage> colouredRanges(const QTextDocument& document)
{
    const GenreJeton genres[] = {GenreJeton::MotCle, GenreJeton::Texte,  GenreJeton::Nombre,
                                 GenreJeton::Date,   GenreJeton::Nom,    GenreJeton::Commentaire};
    std::vector<Plage> plages;
    for (QTextBlock bloc = document.begin(); bloc.isValid(); bloc = bloc.next())
        for (const QTextLayout::FormatRange& r : bloc.layout()->formats()) {
            Plage plage{bloc.position() + r.start, r.length, GenreJeton::Signe};
            for (GenreJeton genre : genres)
                if (r.format == ColorationSql::format(genre))
                    plage.genre = genre;
            plages.push_back(plage);
        }
    return plages;
}

}  // namespace

class Editeur : public FixtureRequete {
protected:
    // The window active with the editor focused, so that its keys reach it as a user's do.
    wndKervane& ouvrirActive()
    {
        wndKervane& f = *ouvrir();
        f.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&f));
        f.ediRequete->setFocus();
        return f;
    }
};

TEST_F(Editeur, F5AndCtrlEnterRunTheStatementLikeLancerAndNothingWhenItIsDisabled)
{
    wndKervane& f = ouvrirActive();
    struct Cas {
        Qt::Key nTouche;
        Qt::KeyboardModifiers modificateurs;
        const char* szRequete;
        qint32 nLignes;
    };
    const Cas cas[] = {
        {Qt::Key_F5, Qt::NoModifier, "SELECT ID FROM ARTICLE", 4},
        {Qt::Key_Return, Qt::ControlModifier, "SELECT ID FROM ARTICLE WHERE ID < 3", 2},
        {Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier, "SELECT ID, NOM FROM ARTICLE WHERE ID = 4", 1},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.szRequete);
        f.definirTexteRequete(c.szRequete);
        QTest::keyClick(f.ediRequete, c.nTouche, c.modificateurs);
        EXPECT_EQ(f.griRequetes->MaxRows(), c.nLignes);
        EXPECT_EQ(f.ongletCourant(), "resultat");
        EXPECT_EQ(historique(f).value(0), c.szRequete);
        EXPECT_EQ(f.ediRequete->toPlainText(), c.szRequete);  // no line break typed
    }
    EXPECT_EQ(cellule(f, 2, 1), "Râteau");

    // From elsewhere in the window too.
    f.definirTexteRequete("SELECT NOM FROM ARTICLE WHERE ID > 1");
    f.griRequetes->setFocus();
    QTest::keyClick(f.griRequetes, Qt::Key_F5);
    EXPECT_EQ(f.griRequetes->MaxRows(), 3);

    // Blanks only: "Lancer" is disabled and the keys run nothing (the driver would have
    // answered that the statement is empty).
    f.definirTexteRequete("  ");
    ASSERT_FALSE(f.btnLancer->isEnabled());
    const QStringList avant = historique(f);
    const std::size_t nMessages = principale.messagesStatus.size();
    repondeur.oublier();
    f.ediRequete->setFocus();
    QTest::keyClick(f.ediRequete, Qt::Key_F5);
    QTest::keyClick(f.ediRequete, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(repondeur.questions().empty());
    EXPECT_EQ(historique(f), avant);
    EXPECT_EQ(f.griRequetes->MaxRows(), 3);
    EXPECT_EQ(principale.messagesStatus.size(), nMessages);
}

TEST(BilanExecution, RowsAndTimeInFrench)
{
    EXPECT_TRUE(summary("9" + MILLIER + "000", " lignes").match(texteBilan(GenreRequete::Selection, 9000, 310)).hasMatch());
    EXPECT_TRUE(texteBilan(GenreRequete::Selection, 9000, 310).endsWith(" en 0,31 s"));
    EXPECT_EQ(texteBilan(GenreRequete::MiseAJour, 3, 20), "3 lignes modifiées en 0,02 s");
    EXPECT_EQ(texteBilan(GenreRequete::Selection, 0, 1500), "0 ligne en 1,50 s");
    EXPECT_EQ(texteBilan(GenreRequete::Selection, 1, 40), "1 ligne en 0,04 s");
    EXPECT_EQ(texteBilan(GenreRequete::MiseAJour, 1, 0), "1 ligne modifiée en 0,00 s");
    EXPECT_EQ(texteBilan(GenreRequete::Insertion, 2, 70), "2 lignes créées en 0,07 s");
    EXPECT_EQ(texteBilan(GenreRequete::Suppression, 0, 70), "0 ligne détruite en 0,07 s");
}

TEST_F(Editeur, StatusBarTellsRowsAndTimeForAMomentAfterEachStatement)
{
    creerBaseSQLite(strBase, TABLE_NOMBRE);
    wndKervane& f = *ouvrir();
    struct Cas {
        const char* szRequete;
        qint16 nReponse;
        QRegularExpression attendu;  // empty: no summary, the change was refused
    };
    const Cas cas[] = {
        {"SELECT A.N FROM NOMBRE AS A, NOMBRE AS B WHERE B.N <= 60", 0, summary("9" + MILLIER + "000", " lignes")},
        {"SELECT ID FROM ARTICLE WHERE ID = 2", 0, summary("1", " ligne")},
        {"SELECT ID FROM ARTICLE WHERE ID = 99", 0, summary("0", " ligne")},
        {"UPDATE ARTICLE SET PRIX = 1 WHERE ID > 1", IDYES, summary("3", " lignes modifiées")},
        {"UPDATE ARTICLE SET PRIX = 2 WHERE ID = 1", IDYES, summary("1", " ligne modifiée")},
        {"UPDATE ARTICLE SET PRIX = 3 WHERE ID = 99", IDOK, summary("0", " ligne modifiée")},
        {"DELETE FROM ARTICLE WHERE ID = 1", IDNO, {}},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.szRequete);
        if (c.nReponse != 0)
            repondeur.repondre(c.nReponse);
        const std::size_t nAvant = principale.messagesStatus.size();
        lancer(f, c.szRequete);
        if (c.attendu.pattern().isEmpty()) {
            EXPECT_EQ(principale.messagesStatus.size(), nAvant);
            continue;
        }
        ASSERT_GT(principale.messagesStatus.size(), nAvant);
        EXPECT_TRUE(c.attendu.match(principale.messagesStatus.back()).hasMatch())
            << principale.messagesStatus.back().toStdString();
        EXPECT_TRUE(principale.temporaires.back());
    }
}

TEST_F(Editeur, KeywordsTextsNumbersDatesNamesAndCommentsHaveTheirColours)
{
    wndKervane& f = *ouvrir();
    // A "--" comment runs to the end of the statement sent on one line: the third line too.
    f.definirTexteRequete("SELECT [N° client], 'l''x' & \"y\" /* deux\r\n"
                          "lignes */ FROM T WHERE D > #2024-01-31# AND P = 12.5 -- fin\r\n"
                          "ORDER BY 1");
    const std::vector<Plage> attendu = {
        {0, 6, GenreJeton::MotCle},        {7, 11, GenreJeton::Nom},          {20, 6, GenreJeton::Texte},
        {29, 3, GenreJeton::Texte},        {33, 7, GenreJeton::Commentaire},  {41, 9, GenreJeton::Commentaire},
        {51, 4, GenreJeton::MotCle},       {58, 5, GenreJeton::MotCle},       {68, 12, GenreJeton::Date},
        {81, 3, GenreJeton::MotCle},       {89, 4, GenreJeton::Nombre},       {94, 6, GenreJeton::Commentaire},
        {101, 10, GenreJeton::Commentaire},
    };
    EXPECT_EQ(colouredRanges(*f.ediRequete->document()), attendu);

    // Case does not matter; a function with "$", a name starting with digits and &H numbers.
    f.definirTexteRequete("select Left$(x, 2), 2eTrimestre, &H1F from t");
    const std::vector<Plage> attenduBis = {
        {0, 6, GenreJeton::MotCle}, {16, 1, GenreJeton::Nombre}, {33, 4, GenreJeton::Nombre},
        {38, 4, GenreJeton::MotCle}};
    EXPECT_EQ(colouredRanges(*f.ediRequete->document()), attenduBis);
}

TEST_F(Editeur, SyntaxErrorSelectsTheFaultyPieceInTheEditorOnceTheBoxIsClosed)
{
    wndKervane& f = *ouvrir();
    struct Cas {
        const char* szTexte;
        int nDebut;
        int nFin;
        const char* szChoisi;
        const char* szMessage;  // what the driver's message says of it
    };
    // Counted in the editor: the second line's leading blanks are not sent, and the emoji
    // counts once for the driver but twice in the editor.
    const Cas cas[] = {
        {"SELECT NOM, 'é😀' AS Libellé\r\n   FROM ARTICLE WHERE PRIX > 10 10", 61, 63, "10", "près de « 10 » (caractère "},
        {"SELECT ID\r\n\r\nFROM ARTICLE WHERE NOM = 'abc", 36, 40, "'abc", "texte non terminé (caractère "},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.szTexte);
        repondeur.oublier();
        lancer(f, QString::fromUtf8(c.szTexte));
        ASSERT_EQ(repondeur.questions().size(), 1u);
        EXPECT_TRUE(repondeur.derniere().strTexte.contains(QString::fromUtf8(c.szMessage)))
            << repondeur.derniere().strTexte.toStdString();
        const QTextCursor curseur = f.ediRequete->textCursor();
        EXPECT_EQ(curseur.selectionStart(), c.nDebut);
        EXPECT_EQ(curseur.selectionEnd(), c.nFin);
        EXPECT_EQ(curseur.selectedText(), QString::fromUtf8(c.szChoisi));
    }
}

}  // namespace kervane::test
