// Message display: every dispatch case, titles in and out of debug mode, error trace lines,
// the catalogue with its placeholder, and the trap that turns failures into False.
#include "messages/Afficher.h"
#include "messages/Piege.h"
#include "messages/Programme.h"
#include "messages/Trace.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QFile>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace kervane;

namespace {

class AfficherTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Programme().bModeDebug = false;
        Programme().pLecteurDiagnosticODBC = nullptr;
    }

    QString trace() const
    {
        QFile f(MSG_CheminTrace());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    test::DossierTemporaire dossier;
    test::RepondeurScripte repondeur;
};

bool diagnosticTableInconnue(QString& strTexte)
{
    strTexte = "La table « X » est introuvable. [SQLETAT=42S02]";
    return true;
}

}  // namespace

TEST_F(AfficherTest, ReadyTextsAndCatalogueNumbersUseTheCallerStyle)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    repondeur.repondre(IDNO);
    EXPECT_EQ(MSG_Afficher(QString("Voulez-vous valider ?"), 1, 292, "btnLancer_Click"), IDNO);
    EXPECT_EQ(repondeur.derniere().strTexte, "Voulez-vous valider ?");
    EXPECT_EQ(repondeur.derniere().nStyle, 292);
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
    EXPECT_EQ(trace(), "");  // texts are never logged, even as kind 1
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);  // the hourglass put back after the box

    EXPECT_EQ(MSG_Afficher(107, GENRE_CATALOGUE, 64, "ODBC_Deconnecter"), IDOK);
    EXPECT_EQ(repondeur.derniere().strTexte, "Indice de connexion invalide.");
    EXPECT_EQ(repondeur.derniere().nStyle, 64);
}

TEST_F(AfficherTest, DebugModeTitlesWithProcedureAndLogsErrors)
{
    Programme().bModeDebug = true;
    Programme().pLecteurDiagnosticODBC = diagnosticTableInconnue;
    MSG_Afficher(ErreurPiegee{ERREUR_ODBC, "Erreur ODBC"}, GENRE_ERREUR, 0, "ODBC_Executer");
    EXPECT_EQ(repondeur.derniere().strTexte, "La table « X » est introuvable. [SQLETAT=42S02]");
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [ODBC_Executer]");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);  // never the caller's style for an error

    MSG_Afficher(ErreurPiegee{11, "Division par zéro"}, GENRE_ERREUR, 4, "btnLancer_Click");
    EXPECT_EQ(repondeur.derniere().strTexte, "VB-00011  Division par zéro");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);

    MSG_Afficher(202, GENRE_CATALOGUE, 48, "Main");  // catalogue messages are not logged
    EXPECT_EQ(trace(), QString(18, ' ') + " |\tErreur         -> Kervane [ODBC_Executer] - La table « X » est "
                                           "introuvable. [SQLETAT=42S02]\r\n"
                           + QString(18, ' ')
                           + " |\tErreur         -> Kervane [btnLancer_Click] - VB-00011  Division par zéro\r\n");
}

TEST_F(AfficherTest, OdbcSignalWithoutDiagnosticReaderSaysSo)
{
    MSG_Afficher(ERREUR_ODBC, GENRE_ERREUR, 48, "ODBC_Executer");
    EXPECT_EQ(repondeur.derniere().strTexte, "Impossible de récupérer le message d'erreur ODBC.");
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
}

TEST_F(AfficherTest, UnknownKindsAndNumbersGiveNoButtonCode)
{
    EXPECT_EQ(MSG_Afficher(104, 3, 0, "x"), 0);
    EXPECT_EQ(repondeur.derniere().strTexte, "Message inconnu");
    EXPECT_EQ(repondeur.derniere().nStyle, 48);

    Programme().bModeDebug = true;
    EXPECT_EQ(MSG_Afficher(999, GENRE_CATALOGUE, 0, "x"), 0);  // no such entry: its own failure
    EXPECT_TRUE(repondeur.derniere().strTexte.startsWith("VB-00326  ")) << repondeur.derniere().strTexte.toStdString();
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [MSG_Afficher]");
    EXPECT_EQ(repondeur.questions().size(), 2u);
    EXPECT_EQ(trace(), "");  // its own failures are not logged
}

TEST(Formater, FillsEveryPlaceholderOrSaysUnknown)
{
    EXPECT_EQ(MSG_Formater(104, "BASE1"), "Connexion impossible avec le DSN [BASE1].");
    EXPECT_EQ(MSG_Formater(203, "Software\\Brintek\\kervane"),
              "La clé HKEY_CURRENT_USER [Software\\Brintek\\kervane] est inconnue dans la base de registration.");
    EXPECT_EQ(MSG_Formater(107, "inutile"), "Indice de connexion invalide.");
    EXPECT_EQ(MSG_Formater(999, "x"), "Message inconnue");
}

TEST_F(AfficherTest, TrapReportsOnceAndReturnsFalse)
{
    int nApres = 0;
    const bool bResultat = Pieger(
        "ODBC_Connecter", [&]() -> bool { throw std::out_of_range("slot"); },
        [&](const ErreurPiegee& e) { nApres = e.nNumero; });
    EXPECT_FALSE(bResultat);
    EXPECT_EQ(nApres, ERREUR_INDICE);
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, "VB-00009  L'indice n'appartient pas à la sélection");

    EXPECT_TRUE(Pieger("x", [] { return true; }));
    EXPECT_FALSE(Pieger("x", [] { return false; }));
    EXPECT_FALSE(Pieger("x", []() -> bool { LeverErreur(ERREUR_DIVISION_ZERO); }));
    EXPECT_EQ(repondeur.derniere().strTexte, "VB-00011  Division par zéro");
    EXPECT_EQ(repondeur.questions().size(), 2u);  // nothing reported for a plain False
}
