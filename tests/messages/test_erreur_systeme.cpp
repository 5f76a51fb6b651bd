// System errors as the user reads them: French sentences and trapped-error numbers, never
// the C library's English texts.
#include "messages/Erreur.h"
#include "messages/ErreurSysteme.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <system_error>

using namespace kervane;

namespace {

ErreurPiegee erreurDe(const std::function<void()>& lancer)
{
    try {
        lancer();
    } catch (...) {
        return ErreurEnCours();
    }
    return {};
}

}  // namespace

TEST(ErreurSysteme, TheErrorsShownToTheUserInFrench)
{
    const struct {
        int nErrno;
        const char* szTexte;
        qint32 nNumero;
    } cas[] = {
        {ENOSPC, "Le disque est plein.", 61},
        {EACCES, "Permission refusée.", 70},
        {EPERM, "Permission refusée.", 70},
        {EROFS, "Le système de fichiers est en lecture seule.", 70},
        {EISDIR, "Le chemin désigne un répertoire.", 75},
        {ENOENT, "Le fichier ou le répertoire n'existe pas.", 53},
        {ENOTDIR, "Un élément du chemin n'est pas un répertoire.", 76},
    };
    for (const auto& c : cas) {
        EXPECT_EQ(TexteErreurSysteme(c.nErrno), QString::fromUtf8(c.szTexte)) << c.nErrno;
        EXPECT_EQ(NumeroErreurSysteme(c.nErrno), c.nNumero) << c.nErrno;
    }
}

TEST(ErreurSysteme, NoNumberGivesTheLibrarysEnglish)
{
    for (int n = 0; n < 140; ++n) {
        const QString strTexte = TexteErreurSysteme(n);
        EXPECT_NE(strTexte, QString::fromLocal8Bit(std::strerror(n))) << n;
        EXPECT_TRUE(strTexte.endsWith(QLatin1Char('.'))) << n;
    }
    EXPECT_EQ(TexteErreurSysteme(9999), QStringLiteral("Erreur système n° 9999."));
}

TEST(ErreurSysteme, RaisedWithItsContextAndCaughtAsTrappedError)
{
    const ErreurPiegee erreur =
        erreurDe([] { LeverErreurSysteme(ENOSPC, QStringLiteral("Le fichier [/a/b.xlsx] n'a pas pu être écrit.")); });
    EXPECT_EQ(erreur.nNumero, ERREUR_DISQUE_PLEIN);
    EXPECT_EQ(erreur.strDescription,
              QStringLiteral("Le fichier [/a/b.xlsx] n'a pas pu être écrit. Le disque est plein."));
}

TEST(ErreurSysteme, StandardLibraryExceptionsLoseTheirEnglish)
{
    const ErreurPiegee plein =
        erreurDe([] { throw std::system_error(ENOSPC, std::generic_category(), "write failed"); });
    EXPECT_EQ(plein.nNumero, 61);
    EXPECT_EQ(plein.strDescription, QStringLiteral("Le disque est plein."));

    const ErreurPiegee refus = erreurDe([] { throw std::system_error(EACCES, std::system_category()); });
    EXPECT_EQ(refus.nNumero, 70);
    EXPECT_FALSE(refus.strDescription.contains(QStringLiteral("denied")));

    const ErreurPiegee longueur = erreurDe([] { throw std::length_error("basic_string::_M_create"); });
    EXPECT_EQ(longueur.nNumero, ERREUR_DEPASSEMENT);
    EXPECT_EQ(longueur.strDescription, QStringLiteral("Dépassement de capacité"));

    const ErreurPiegee autre = erreurDe([] { throw std::runtime_error("something went wrong"); });
    EXPECT_EQ(autre.nNumero, ERREUR_ARGUMENT);
    EXPECT_EQ(autre.strDescription, QStringLiteral("Argument ou appel de procédure incorrect"));
}
