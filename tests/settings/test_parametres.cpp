// Start-up settings: first-run defaults written back, debug mode, the editor, the user
// identification kept across starts and the decimal separator.
#include "settings/Parametres.h"

#include "messages/Programme.h"
#include "platform/RegistryStore.h"
#include "settings/Cles.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QLocale>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace kervane;

namespace {

const RegistryRoot HKCU = RegistryRoot::CurrentUser;
const RegistryRoot HKLM = RegistryRoot::LocalMachine;

QString texte(RegistryRoot racine, const QString& strCle, const QString& strNom)
{
    QString strValeur = QStringLiteral("<absent>");
    readRegistryText(racine, strCle, strNom, strValeur);
    return strValeur;
}

class ParametresTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        demarrer();
        QLocale::setDefault(QLocale::system());
    }
    // The program-wide values as a new start finds them; the scripted answerer stays.
    static void demarrer()
    {
        RepondeurModal* pRepondeur = Programme().pRepondeur;
        Programme() = EtatProgramme();
        Programme().pRepondeur = pRepondeur;
    }

    test::DossierTemporaire dossier;
    test::RepondeurScripte repondeur;
};

}  // namespace

TEST_F(ParametresTest, FirstStartWritesTheDefaultsAndTheNextOneKeepsThem)
{
    EXPECT_EQ(cleProgramme(), "Software\\Brintek\\kervane");
    EXPECT_EQ(cleUtilisateurSuite(), "Software\\Brintek\\Velmora\\Utilisateur");
    Programme().bModeDebug = true;
    ASSERT_TRUE(SYS_LireParametresUtilisateur());
    EXPECT_FALSE(Programme().bModeDebug);
    EXPECT_EQ(Programme().strEditeur, "xdg-open");
    const QString strNumero = Programme().strNumeroUtilisateur;
    EXPECT_TRUE(QRegularExpression("^[0-9]{10}$").match(strNumero).hasMatch()) << strNumero.toStdString();

    qint32 nDebug = -1;
    EXPECT_TRUE(readRegistryInteger(HKCU, cleProgramme(), "Mode Debug", nDebug).ok());
    EXPECT_EQ(nDebug, 0);
    EXPECT_EQ(texte(HKCU, cleProgramme(), "Editeur utilisé"), "xdg-open");
    EXPECT_EQ(texte(HKLM, cleUtilisateurSuite(), "Number"), strNumero);
    EXPECT_EQ(texte(HKCU, cleUtilisateurSuite(), "Number"), "<absent>");

    demarrer();
    ASSERT_TRUE(SYS_LireParametresUtilisateur());
    EXPECT_EQ(Programme().strNumeroUtilisateur, strNumero);
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(ParametresTest, StoredValuesAreTakenAsTheyAre)
{
    ASSERT_TRUE(writeRegistryInteger(HKCU, cleProgramme(), "Mode Debug", 5).ok());
    ASSERT_TRUE(writeRegistryText(HKCU, cleProgramme(), "Editeur utilisé", "kate").ok());
    ASSERT_TRUE(writeRegistryText(HKLM, cleUtilisateurSuite(), "Number", "0000004242").ok());
    ASSERT_TRUE(SYS_LireParametresUtilisateur());
    EXPECT_TRUE(Programme().bModeDebug);
    EXPECT_EQ(Programme().nValeurDebug, 5);
    EXPECT_EQ(Programme().strEditeur, "kate");
    EXPECT_EQ(Programme().strNumeroUtilisateur, "0000004242");

    // Debug off again; a blank editor gives the default and stays blank in the store.
    ASSERT_TRUE(writeRegistryInteger(HKCU, cleProgramme(), "Mode Debug", 0).ok());
    ASSERT_TRUE(writeRegistryText(HKCU, cleProgramme(), "Editeur utilisé", "   ").ok());
    ASSERT_TRUE(SYS_LireParametresUtilisateur());
    EXPECT_FALSE(Programme().bModeDebug);
    EXPECT_EQ(Programme().strEditeur, "xdg-open");
    EXPECT_EQ(texte(HKCU, cleProgramme(), "Editeur utilisé"), "   ");
}

TEST_F(ParametresTest, IdentificationAndDecimalSeparator)
{
    EXPECT_EQ(numeroUtilisateurDepuis(0.0), "0000000001");
    EXPECT_EQ(numeroUtilisateurDepuis(0.123456789), "0123456789");
    EXPECT_EQ(numeroUtilisateurDepuis(0.99999999999), "0999999999");

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    ASSERT_TRUE(SYS_LireSeparateurDecimal());
    EXPECT_EQ(Programme().strSeparateurDecimal, ",");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(SYS_LireSeparateurDecimal());
    EXPECT_EQ(Programme().strSeparateurDecimal, ".");
}
