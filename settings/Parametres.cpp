#include "settings/Parametres.h"

#include "messages/Piege.h"
#include "messages/Programme.h"
#include "settings/Cles.h"
#include "settings/Registration.h"

#include <QDateTime>
#include <QLocale>
#include <QRandomGenerator>
#include <cmath>

namespace kervane {
namespace {

const QString MODE_DEBUG = QStringLiteral("Mode Debug");
const QString EDITEUR = QStringLiteral("Editeur utilisé");
const QString NUMERO = QStringLiteral("Number");

bool lireModeDebug()
{
    qint32 nValeur = 0;
    const bool bLu = SYS_LireLongRegistration(cleProgramme(), MODE_DEBUG, nValeur, false, true);
    Programme().nValeurDebug = bLu ? nValeur : 0;
    Programme().bModeDebug = Programme().nValeurDebug != 0;
    return bLu || SYS_EcrireLongRegistration(cleProgramme(), MODE_DEBUG, 0, true);
}

bool lireEditeur()
{
    QString strEditeur;
    const bool bLu = SYS_LireChaineRegistration(cleProgramme(), EDITEUR, strEditeur, false, true);
    // A blank value stays as it is in the store; only the program uses the default.
    Programme().strEditeur = bLu && !strEditeur.trimmed().isEmpty() ? strEditeur : editeurParDefaut();
    return bLu || SYS_EcrireChaineRegistration(cleProgramme(), EDITEUR, editeurParDefaut(), true);
}

bool lireNumeroUtilisateur()
{
    QString strNumero;
    if (SYS_LireChaineRegistration(cleUtilisateurSuite(), NUMERO, strNumero, false, false)) {
        Programme().strNumeroUtilisateur = strNumero;
        return true;
    }
    QRandomGenerator generateur(static_cast<quint32>(QDateTime::currentMSecsSinceEpoch()));
    strNumero = numeroUtilisateurDepuis(generateur.generateDouble());
    Programme().strNumeroUtilisateur = strNumero;
    return SYS_EcrireChaineRegistration(cleUtilisateurSuite(), NUMERO, strNumero, false);
}

}  // namespace

QString editeurParDefaut()
{
    return QStringLiteral("xdg-open");
}

QString numeroUtilisateurDepuis(double dTirage)
{
    const auto nNumero = static_cast<qint64>(std::floor(dTirage * 999999999.0 + 1.0));
    return QStringLiteral("%1").arg(nNumero, 10, 10, QLatin1Char('0'));
}

bool SYS_LireParametresUtilisateur()
{
    return Pieger(QStringLiteral("SYS_LireParametresUtilisateur"), [] {
        const bool bDebug = lireModeDebug();
        const bool bEditeur = lireEditeur();
        const bool bNumero = lireNumeroUtilisateur();
        return bDebug && bEditeur && bNumero;
    });
}

bool SYS_LireSeparateurDecimal()
{
    return Pieger(QStringLiteral("SYS_LireSeparateurDecimal"), [] {
        // The default locale is the user's, unless the program has chosen another one.
        const QString strSeparateur = QLocale().decimalPoint().left(1);
        Programme().strSeparateurDecimal = strSeparateur.isEmpty() ? QStringLiteral(".") : strSeparateur;
        return true;
    });
}

bool SYS_InitialiserCaracteresControle()
{
    return Pieger(QStringLiteral("SYS_InitialiserCaracteresControle"), [] {
        auto& tabCaracteres = Programme().tabCaracteresControle;
        for (char16_t nCode = 0; nCode < 32; ++nCode)
            tabCaracteres[nCode] = QString(QChar(nCode));
        tabCaracteres[32] = QString(QChar(char16_t{169}));
        return true;
    });
}

}  // namespace kervane
