// The open dialog on a genuine Access 2000 file shaped as a Velmora database (made by Jackcess
// in the test's folder): its BASE table, primary key on ID_BASE, lacks its row 1; the check
// inserts it through the driver, and jetcheck (Jackcess) then finds the row and the index exact.
#include "tests/driver/jet/JetWriterSupport.h"
#include "tests/open/FixtureOuvrir.h"
#include "open/SaisieMotDePasse.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QTimer>
#include <QPushButton>

namespace kervane::test {
namespace {

class OuvertureJet : public FixtureOuvrir {
protected:
    void SetUp() override
    {
        FixtureOuvrir::SetUp();
        if (IsSkipped())
            return;
        m_base = dossier.fichier("Velmora Access.mdb");
        std::string why;
        if (!makeJackcessFile("VelmoraTables.java", m_base.toStdString(), why))
            GTEST_SKIP() << why;
    }
    std::string jetcheck(const std::vector<std::string>& arguments)
    {
        int status = 0;
        const std::string out = runTool(jetToolsFolder() + "/jetcheck", arguments, status);
        EXPECT_EQ(status, 0) << out;
        return out;
    }

    QString m_base;
};

TEST_F(OuvertureJet, TheMissingLabelRowIsInsertedIntoTheAccessFile)
{
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    EXPECT_EQ(valider(dlg, m_base), QString());
    EXPECT_EQ(dlg.staBase->text(), "<Sans libellé> - " + m_base);
    EXPECT_TRUE(dlg.btnOk->isEnabled());
    EXPECT_EQ(Programme().strLibelleBase, "<Sans libellé>");
    EXPECT_TRUE(repondeur.questions().empty());

    const std::string path = m_base.toStdString();
    // COURANT_BASE is True: jetcheck prints a Yes/No as 1.
    EXPECT_EQ(jetcheck({"dump", "--sorted", path, "BASE"}),
              "### TABLE BASE\nID_BASE:LONG\tCOURANT_BASE:BOOLEAN\tTYPE_BASE:LONG\tLIB_BASE:TEXT(50)\n"
              "1\t1\t1\t<Sans libellé>\n2\t1\t1\tAutre ligne\n");
    EXPECT_NE(jetcheck({"verify", "--user-only", path}).find("RESULT: OK"), std::string::npos);

    // Checked again, the row is there: nothing more is written.
    const QString strAvant = empreinte(m_base);
    EXPECT_EQ(valider(dlg, m_base), QString());
    EXPECT_EQ(dlg.staBase->text(), "<Sans libellé> - " + m_base);
    EXPECT_EQ(empreinte(m_base), strAvant);
}

// A file left beside the base under its journal's name that is no journal of this base (here,
// no journal at all) is never played into it: set aside, the user told, the opening goes on.
TEST_F(OuvertureJet, ACrashJournalNotMadeForTheBaseIsSetAsideAndTheUserTold)
{
    const QString strJournal = m_base + ".kvj";
    QFile journal(strJournal);
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly));
    journal.write(QByteArray(300, 'x'));
    journal.close();
    dlgOuvrir dlg;
    ASSERT_TRUE(dlg.charger());
    EXPECT_EQ(valider(dlg, m_base), QString());
    EXPECT_EQ(Programme().strLibelleBase, "<Sans libellé>");
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().nStyle, 64);
    EXPECT_TRUE(repondeur.derniere().strTexte.contains("« " + strJournal + ".etranger »")) << repondeur.derniere().strTexte.toStdString();
    EXPECT_FALSE(QFile::exists(strJournal));
    EXPECT_TRUE(QFile::exists(strJournal + ".etranger"));
}

// A protected base: the password typed when the dialog checks it serves the opening too, which
// asks nothing more; the prompt comes back only for another base.
TEST_F(OuvertureJet, ThePasswordTypedForTheCheckServesTheOpening)
{
    ASSERT_TRUE(poserMotDePasseAccess(m_base, QStringLiteral("Clé-42")));
    int nDemandes = 0;
    QTimer repondre;
    QObject::connect(&repondre, &QTimer::timeout, [&] {
        for (QWidget* p : QApplication::topLevelWidgets())
            if (auto* pSaisie = qobject_cast<QInputDialog*>(p); pSaisie != nullptr && pSaisie->isVisible()) {
                ++nDemandes;
                pSaisie->setTextValue(QStringLiteral("Clé-42"));
                pSaisie->accept();
            }
    });
    repondre.start(10);
    MotDePasseRetenu retenu;
    {
        dlgOuvrir dlg;
        dlg.retenirMotsDePasse(&retenu);
        ASSERT_TRUE(dlg.charger());
        EXPECT_EQ(valider(dlg, m_base), QString());
        EXPECT_TRUE(dlg.btnOk->isEnabled());
    }
    EXPECT_EQ(nDemandes, 1);
    odbc.ajouterDSN(QStringLiteral("Base ouverte"), m_base);
    qint16 nIndice = 0;
    ASSERT_TRUE(ODBC_Connecter({QString(), NUMERO_POSTE, QStringLiteral("Base ouverte"),
                                demandeMotDePasse(nullptr, m_base, &retenu)},
                               nIndice, m_base));
    EXPECT_EQ(nDemandes, 1);
    EXPECT_TRUE(ODBC_Deconnecter(nIndice));
    EXPECT_EQ(retenu.pour(dossier.fichier("autre.mdb")), std::nullopt);
}

}  // namespace
}  // namespace kervane::test
