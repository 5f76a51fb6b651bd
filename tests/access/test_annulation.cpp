// Statements run in the background: the same outcome as in place, the interface waiting with
// the user's input held back but for the ways to cancel, and Échap stopping a long statement.
#include "access/ExecutionEnFond.h"
#include "tests/access/FixtureAcces.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QtTest/qtestspontaneevent.h>
#include <sqlite3.h>

#include <optional>

using namespace kervane;
using namespace kervane::test;

namespace {


// Records each message box with the thread it was shown on, in one journal with the tracking.
class RepondeurTemoin final : public RepondeurModal {
public:
    explicit RepondeurTemoin(QStringList& journal) : m_journal(journal) {}
    qint16 afficherMessage(const QString& strTexte, qint32, const QString&) override
    {
        m_journal << QStringLiteral("message ") + strTexte;
        bHorsInterface = bHorsInterface || QThread::currentThread() != qApp->thread();
        return IDOK;
    }
    QString choisirFichier(const QString&, const QString&, const QString&) override { return {}; }
    QString choisirFichierAEnregistrer(const QString&, const QString&, const QString&) override { return {}; }
    bool proprietesImprimante(QPrinter&) override { return false; }

    bool bHorsInterface = false;

private:
    QStringList& m_journal;
};

// A button that counts its clicks.
struct Bouton {
    QPushButton bouton;
    int nClics = 0;
    Bouton() { QObject::connect(&bouton, &QPushButton::clicked, [this] { ++nClics; }); }
};

// A second program holding the base's write lock until told to let it go.
class VerrouEcriture {
public:
    explicit VerrouEcriture(const QString& strBase)
    {
        sqlite3_open(strBase.toUtf8().constData(), &m_db);
        bTenu = sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~VerrouEcriture() { sqlite3_close(m_db); }
    void liberer() { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); }

    bool bTenu = false;

private:
    sqlite3* m_db = nullptr;
};

}  // namespace

using Annulation = FixtureAcces;

TEST_F(Annulation, StatementsInTheBackgroundEndAsInPlaceAndReportOnTheInterfaceThread)
{
    const qint16 n = connecter();
    struct Cas {
        const char* szSQL;
        bool bSelection;
    };
    const Cas cas[] = {
        {"SELECT ID, NOM, NE, TAUX FROM CLIENT ORDER BY ID", true},
        {"SELECT * FROM ABSENTE", true},
        {"UPDATE CLIENT SET NOM = NOM WHERE ID > 1", false},
        {"UPDATE ABSENTE SET A = 1", false},
    };
    // Rows are announced, on the interface thread, only for a statement that ran and has rows.
    const auto annonce = [](QStringList& journal) {
        return [&journal] { journal << (QThread::currentThread() == qApp->thread() ? "lignes" : "lignes hors interface"); };
    };
    Programme().strSeparateurDecimal = ",";
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.szSQL);
        QStringList journaux[2];
        TableauTextes tableaux[2];
        qint32 nLignes[2] = {-7, -7};
        bool bReussi[2] = {};
        for (int i = 0; i < 2; ++i) {
            RepondeurTemoin temoin(journaux[i]);
            const RemplacementRepondeur remplacement(temoin);
            std::optional<ExecutionEnFond> enFond;
            if (i == 1)
                enFond.emplace(n, [&](bool bEnCours) { journaux[i] << (bEnCours ? "début" : "fin"); },
                               annonce(journaux[i]));
            bReussi[i] = c.bSelection ? ODBC_SelectionnerDansTableau(n, c.szSQL, tableaux[i], true)
                                      : ODBC_Executer(n, c.szSQL, nLignes[i]);
            EXPECT_FALSE(temoin.bHorsInterface);
            EXPECT_FALSE(ODBC_InstructionAnnulee(n));
        }
        EXPECT_EQ(bReussi[1], bReussi[0]);
        EXPECT_EQ(nLignes[1], nLignes[0]);
        ASSERT_EQ(tableaux[1].lignes(), tableaux[0].lignes());
        for (qsizetype r = 0; r < tableaux[0].lignes(); ++r)
            for (qsizetype k = 0; k < tableaux[0].colonnes(); ++k)
                EXPECT_EQ(tableaux[1].texte(r, k), tableaux[0].texte(r, k)) << r << "," << k;
        // The tracking ends before the outcome is told.
        const QStringList suivi = bReussi[0] && c.bSelection ? QStringList{"début", "lignes", "fin"}
                                                             : QStringList{"début", "fin"};
        EXPECT_EQ(journaux[1], suivi + journaux[0]);
    }
    EXPECT_FALSE(ODBC_Annuler(n));  // nothing runs
}

TEST_F(Annulation, WhileTheInterfaceWaitsOnlyTheWaysToCancelGetInput)
{
    const qint16 n = connecter();
    VerrouEcriture verrou(strBase);
    ASSERT_TRUE(verrou.bTenu);
    Bouton ordinaire, annulation;
    annulation.bouton.setProperty(PROPRIETE_ANNULATION, true);
    QWidget fenetre;
    for (QWidget* p : {static_cast<QWidget*>(&ordinaire.bouton), static_cast<QWidget*>(&annulation.bouton), &fenetre})
        p->show();

    bool bPendant = false;
    Qt::CursorShape nPointeur = Qt::ArrowCursor;
    QTimer::singleShot(0, [&] {
        // The update waits for the other program's lock: it is surely running now.
        bPendant = true;
        nPointeur = QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor;
        QTest::mouseClick(&ordinaire.bouton, Qt::LeftButton);
        QTest::keyClick(&ordinaire.bouton, Qt::Key_Space);
        QTest::mouseClick(&annulation.bouton, Qt::LeftButton);
        QCloseEvent fermeture;
        QSpontaneKeyEvent::setSpontaneous(&fermeture);
        QApplication::sendEvent(&fenetre, &fermeture);
        verrou.liberer();
    });
    const ExecutionEnFond enFond(n);
    qint32 nLignes = 0;
    EXPECT_TRUE(ODBC_Executer(n, "UPDATE CLIENT SET NOM = NOM", nLignes));
    EXPECT_EQ(nLignes, 3);
    EXPECT_TRUE(bPendant);
    EXPECT_EQ(nPointeur, Qt::WaitCursor);
    EXPECT_EQ(ordinaire.nClics, 0);
    EXPECT_EQ(annulation.nClics, 1);
    EXPECT_TRUE(fenetre.isVisible());
    EXPECT_TRUE(repondeur.questions().empty());
    // Once the statement is over, input flows again.
    QTest::mouseClick(&ordinaire.bouton, Qt::LeftButton);
    EXPECT_EQ(ordinaire.nClics, 1);
}

// Needs a driver whose SQLCancel interrupts the running statement.
TEST_F(Annulation, EscapeStopsALongStatementAndNothingChanges)
{
    creerBaseSQLite(strBase, TABLE_NOMBRE);
    const qint16 n = connecter();
    QPushButton editeur;
    editeur.show();
    struct Cas {
        QString strSQL;
        bool bSelection;
    };
    const Cas cas[] = {
        {JOINTURE_LONGUE, true},
        {QStringLiteral("DELETE FROM CLIENT WHERE 0 < (%1)").arg(JOINTURE_LONGUE), false},
    };
    for (const Cas& c : cas) {
        SCOPED_TRACE(c.strSQL.toStdString());
        repondeur.oublier();
        // Échap again and again: one of them lands while the statement runs.
        QTimer echap;
        QObject::connect(&echap, &QTimer::timeout, [&] { QTest::keyClick(&editeur, Qt::Key_Escape); });
        echap.start(50);
        TableauTextes tab(3, 2);
        tab.definir(2, 1, QStringLiteral("avant"));
        qint32 nLignes = -7;
        bool bReussi = false;
        {
            const ExecutionEnFond enFond(n);
            bReussi = c.bSelection ? ODBC_SelectionnerDansTableau(n, c.strSQL, tab, true)
                                   : ODBC_Executer(n, c.strSQL, nLignes);
        }
        echap.stop();
        EXPECT_FALSE(bReussi);
        EXPECT_TRUE(ODBC_InstructionAnnulee(n));
        ASSERT_EQ(repondeur.questions().size(), 1u);
        // HY008, "operation canceled", in its ODBC 2 form: the access layer is an ODBC 2 application.
        EXPECT_TRUE(repondeur.derniere().strTexte.endsWith(" [SQLETAT=S1008]"))
            << repondeur.derniere().strTexte.toStdString();
        EXPECT_EQ(tab.texte(2, 1), "avant");
        EXPECT_EQ(nLignes, -7);
    }
    TableauTextes tab;
    ASSERT_TRUE(ODBC_SelectionnerDansTableau(n, "SELECT Count(*) FROM CLIENT", tab, false));
    EXPECT_EQ(tab.texte(2, 1), "3");
    EXPECT_FALSE(ODBC_InstructionAnnulee(n));
}
