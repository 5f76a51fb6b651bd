// Registry procedures: the exact failure texts for both roots and when they are shown, the
// silent test of a key, the trimmed and buffered texts, a damaged hive reported once, and
// groups of writes.
#include "settings/Registration.h"

#include "messages/Programme.h"
#include "platform/HiveFile.h"
#include "platform/RegistryStore.h"
#include "settings/GroupeRegistration.h"
#include "tests/support/DossierTemporaire.h"
#include "tests/support/RepondeurScripte.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace kervane;

namespace {

const QString CLE = QStringLiteral("Software\\Brintek\\essai");
const QString ABSENTE = CLE + QStringLiteral("\\Absente");

struct Racine {
    bool b;
    QString strNom;
    QString texte(const char* pModele, const QString& strCle) const { return QString(pModele).arg(strNom, strCle); }
    QString cleInconnue(const QString& strCle) const
    {
        return texte("La clé %1 [%2] est inconnue dans la base de registration.", strCle);
    }
    QString donneeInconnue(const QString& strCle) const
    {
        return texte("Une donnée est inconnue ou de type incohérent dans la clé %1 [%2] de la base de registration.",
                     strCle);
    }
};
const Racine RACINES[] = {{true, "HKEY_CURRENT_USER"}, {false, "HKEY_LOCAL_MACHINE"}};

class RegistrationTest : public ::testing::Test {
protected:
    void SetUp() override { Programme().bModeDebug = true; }
    void TearDown() override { Programme().bModeDebug = false; }

    // Exactly one message since the last check, with that text, style 48 and the procedure in the title.
    void attendre(const QString& strTexte, const QString& strProcedure)
    {
        ASSERT_EQ(repondeur.questions().size(), 1u) << strTexte.toStdString();
        EXPECT_EQ(repondeur.derniere().strTexte, strTexte);
        EXPECT_EQ(repondeur.derniere().nStyle, 48);
        EXPECT_EQ(repondeur.derniere().strTitre, "Kervane [" + strProcedure + "]");
        repondeur.oublier();
    }

    test::DossierTemporaire dossier;
    test::RepondeurScripte repondeur;
};

}  // namespace

TEST_F(RegistrationTest, ReadAndDeleteFailuresShowTheirText)
{
    for (const Racine& r : RACINES) {
        ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE + "\\Fille", "Texte", "abc", r.b));
        ASSERT_TRUE(SYS_EcrireLongRegistration(CLE, "Nombre", 42, r.b));
        QString strValeur = "inchangé";
        qint32 nValeur = -7;

        // Silent unless asked; the out values stay as they were.
        EXPECT_FALSE(SYS_LireChaineRegistration(ABSENTE, "Texte", strValeur, false, r.b));
        EXPECT_FALSE(SYS_LireChaineRegistration(CLE, "Nombre", strValeur, false, r.b));
        EXPECT_FALSE(SYS_LireLongRegistration(CLE + "\\Fille", "Texte", nValeur, false, r.b));
        // Whether a key exists is asked silently, its name compared without regard to case.
        EXPECT_TRUE(SYS_ExisteCleRegistration(CLE + "\\FILLE", r.b));
        EXPECT_FALSE(SYS_ExisteCleRegistration(ABSENTE, r.b));
        EXPECT_TRUE(repondeur.questions().empty());
        EXPECT_EQ(strValeur, "inchangé");
        EXPECT_EQ(nValeur, -7);

        EXPECT_FALSE(SYS_LireChaineRegistration(ABSENTE, "Texte", strValeur, true, r.b));
        attendre(r.cleInconnue(ABSENTE), "SYS_LireChaineRegistration");
        EXPECT_FALSE(SYS_LireLongRegistration(ABSENTE, "Nombre", nValeur, true, r.b));
        attendre(r.cleInconnue(ABSENTE), "SYS_LireLongRegistration");
        EXPECT_FALSE(SYS_LireChaineRegistration(CLE, "Absente", strValeur, true, r.b));
        attendre("[Absente] : " + r.donneeInconnue(CLE), "SYS_LireChaineRegistration");
        EXPECT_FALSE(SYS_LireChaineRegistration(CLE, "Nombre", strValeur, true, r.b));
        attendre("[Nombre] : " + r.donneeInconnue(CLE), "SYS_LireChaineRegistration");
        EXPECT_FALSE(SYS_LireLongRegistration(CLE + "\\Fille", "Texte", nValeur, true, r.b));
        attendre("[Texte] : " + r.donneeInconnue(CLE + "\\Fille"), "SYS_LireLongRegistration");

        EXPECT_FALSE(SYS_DetruireCleRegistration(ABSENTE, r.b));
        attendre(r.cleInconnue(ABSENTE), "SYS_DetruireCleRegistration");
        EXPECT_FALSE(SYS_DetruireCleRegistration(CLE, r.b));  // it has a subkey
        attendre(r.cleInconnue(CLE), "SYS_DetruireCleRegistration");
        EXPECT_FALSE(SYS_DetruireDonneeRegistration(ABSENTE, "Texte", r.b));
        attendre(r.cleInconnue(ABSENTE), "SYS_DetruireDonneeRegistration");
        EXPECT_FALSE(SYS_DetruireDonneeRegistration(CLE, "Absente", r.b));
        attendre(r.donneeInconnue(CLE), "SYS_DetruireDonneeRegistration");

        EXPECT_TRUE(SYS_LireLongRegistration(CLE, "nombre", nValeur, true, r.b));
        EXPECT_EQ(nValeur, 42);
        EXPECT_TRUE(SYS_DetruireCleRegistration(CLE + "\\Fille", r.b) && SYS_DetruireCleRegistration(CLE, r.b));
        EXPECT_TRUE(repondeur.questions().empty());
    }
}

TEST_F(RegistrationTest, WriteFailuresTellTheKeyFromTheValue)
{
    for (const Racine& r : RACINES) {
        const QString strTemporaire =
            registryHivePath(r.b ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine) + ".tmp";
        const QString strNonAssociee = r.texte("Une donnée ne peut pas être associée à la clé %1 [%2] de la base "
                                               "de registration.", CLE);
        // The key exists but the hive cannot be replaced (a folder stands where its new copy goes).
        ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE, "Texte", "abc", r.b));
        ASSERT_TRUE(QDir().mkpath(strTemporaire));
        EXPECT_FALSE(SYS_EcrireChaineRegistration(CLE, "Texte", "def", r.b));
        attendre(strNonAssociee, "SYS_EcrireChaineRegistration");
        EXPECT_FALSE(SYS_EcrireLongRegistration(CLE, "Nombre", 1, r.b));
        attendre(strNonAssociee, "SYS_EcrireLongRegistration");
        EXPECT_FALSE(SYS_EcrireLongRegistration(ABSENTE, "Nombre", 1, r.b));
        attendre(r.texte("La clé %1 [%2] ne peut être créée dans la base de registration.", ABSENTE),
                 "SYS_EcrireLongRegistration");
        ASSERT_TRUE(QDir(strTemporaire).removeRecursively());
    }
    // A hive folder that cannot be made; outside debug mode the title is the application's alone.
    qputenv("KERVANE_REGISTRY_DIR", registryHivePath(RegistryRoot::CurrentUser).toUtf8());
    Programme().bModeDebug = false;
    EXPECT_FALSE(SYS_EcrireChaineRegistration(CLE, "Texte", "abc", false));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    EXPECT_EQ(repondeur.derniere().strTexte, RACINES[1].texte("La clé %1 [%2] ne peut être créée dans la base de "
                                                              "registration.", CLE));
    EXPECT_EQ(repondeur.derniere().strTitre, "Kervane");
}

TEST_F(RegistrationTest, TextsAreStoredTrimmedAndReadThroughTheBuffer)
{
    QString strValeur;
    ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE, "Editeur utilisé", "   xdg-open  ", true));
    ASSERT_TRUE(SYS_LireChaineRegistration(CLE, "Editeur utilisé", strValeur, true, true));
    EXPECT_EQ(strValeur, "xdg-open");
    // Only spaces are trimmed: a statement keeps its line breaks.
    ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE, "Requete", " SELECT *\r\nFROM BASE\r\n ", false));
    ASSERT_TRUE(SYS_LireChaineRegistration(CLE, "Requete", strValeur, true, false));
    EXPECT_EQ(strValeur, "SELECT *\r\nFROM BASE\r\n");

    ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE, "Long", QString(1998, u'a') + "bc" + QString(3000, u'z'), true));
    ASSERT_TRUE(SYS_LireChaineRegistration(CLE, "Long", strValeur, true, true));
    EXPECT_EQ(strValeur, QString(1998, u'a') + "b");
    ASSERT_TRUE(SYS_EcrireChaineRegistration(CLE, "Juste", QString(1999, u'j'), true));
    ASSERT_TRUE(SYS_LireChaineRegistration(CLE, "Juste", strValeur, true, true));
    EXPECT_EQ(strValeur, QString(1999, u'j'));
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(RegistrationTest, ADamagedHiveIsReportedOnceAndTheWorkGoesOn)
{
    const QString strRuche = registryHivePath(RegistryRoot::CurrentUser);
    ASSERT_TRUE(QDir().mkpath(registryFolder()));
    QFile fichier(strRuche);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly) && fichier.write("pas un registre\n") > 0);
    fichier.close();

    QString strValeur;
    EXPECT_FALSE(SYS_LireChaineRegistration(CLE, "Texte", strValeur, false, true));
    ASSERT_EQ(repondeur.questions().size(), 1u);
    const QString strTexte = repondeur.derniere().strTexte;
    EXPECT_TRUE(strTexte.startsWith("Le fichier de registre " + strRuche +
                                    " était illisible ; il a été mis de côté sous le nom " + strRuche + ".endommagé-"))
        << strTexte.toStdString();
    EXPECT_TRUE(strTexte.endsWith(" et un registre vide le remplace."));
    attendre(strTexte, "SYS_LireChaineRegistration");

    EXPECT_TRUE(SYS_EcrireChaineRegistration(CLE, "Texte", "abc", true));
    EXPECT_TRUE(SYS_LireChaineRegistration(CLE, "Texte", strValeur, true, true));
    EXPECT_EQ(strValeur, "abc");
    EXPECT_TRUE(repondeur.questions().empty());
}

TEST_F(RegistrationTest, AGroupWritesOnceAndShowsItsFailuresAfterwards)
{
    const QString strRecentes = CLE + "\\Bases récentes";
    const auto ecrireListe = [&](const QString& strMarque) {
        return SYS_GrouperRegistration("StockerRegistration", [&] {
            for (int i = 1; i <= 30; ++i)
                if (!SYS_EcrireChaineRegistration(strRecentes, QString::number(i), strMarque + QString::number(i), true))
                    return false;
            return true;
        });
    };
    const quint64 nAvant = registryCounters().nFsync;
    ASSERT_TRUE(ecrireListe("a"));
    EXPECT_EQ(registryCounters().nFsync, nAvant + 2);  // the hive file and its folder, once

    // A failure inside the group shows once the group is over, with its usual text.
    QString strValeur;
    EXPECT_TRUE(SYS_GrouperRegistration("Essai", [&] {
        EXPECT_FALSE(SYS_LireChaineRegistration(ABSENTE, "Texte", strValeur, true, true));
        EXPECT_TRUE(repondeur.questions().empty());
        return true;
    }));
    attendre(RACINES[0].cleInconnue(ABSENTE), "SYS_LireChaineRegistration");

    // The hive cannot be replaced: nothing of the group is written, and the first key changed is named.
    const QString strTemporaire = registryHivePath(RegistryRoot::CurrentUser) + ".tmp";
    ASSERT_TRUE(QDir().mkpath(strTemporaire));
    EXPECT_FALSE(ecrireListe("b"));
    attendre(RACINES[0].texte("Une donnée ne peut pas être associée à la clé %1 [%2] de la base de registration.",
                              strRecentes),
             "StockerRegistration");
    ASSERT_TRUE(QDir(strTemporaire).removeRecursively());
    for (int i = 1; i <= 30; ++i) {
        ASSERT_TRUE(SYS_LireChaineRegistration(strRecentes, QString::number(i), strValeur, true, true));
        EXPECT_EQ(strValeur, "a" + QString::number(i));
    }
}
