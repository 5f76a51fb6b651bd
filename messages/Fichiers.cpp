#include "messages/Fichiers.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace kervane {
namespace {

constexpr mode_t kDroitsAutres = S_IRWXG | S_IRWXO;

QString withoutTrailingSeparator(QString strDossier)
{
    if (strDossier.endsWith(QLatin1Char('/')))
        strDossier.chop(1);
    return strDossier;
}

// A folder (links not followed) that belongs to the user.
bool dossierDeLUtilisateur(const QByteArray& chemin, struct stat& etat)
{
    return ::lstat(chemin.constData(), &etat) == 0 && S_ISDIR(etat.st_mode) && etat.st_uid == ::geteuid();
}

// The session's runtime folder, when it is what the session promises: the user's, closed to others.
QString dossierExecution()
{
    const QString strDossier = qEnvironmentVariable("XDG_RUNTIME_DIR");
    struct stat etat {};
    if (strDossier.isEmpty() || ::stat(QFile::encodeName(strDossier).constData(), &etat) != 0)
        return QString();
    const bool bPrive = S_ISDIR(etat.st_mode) && etat.st_uid == ::geteuid() && (etat.st_mode & kDroitsAutres) == 0;
    return bPrive ? strDossier : QString();
}

// Last resort when /tmp/kervane-<uid> is taken: a folder in the user's own cache.
QString dossierCache()
{
    QString strCache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (strCache.isEmpty())
        strCache = QDir::homePath() + QStringLiteral("/.cache");
    const QString strDossier = strCache + QStringLiteral("/kervane");
    QDir().mkpath(strDossier);
    QFile::setPermissions(strDossier, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return strDossier;
}

}  // namespace

bool FIC_VerifierNom(const QString& strNom)
{
    static const QString strInterdits = QStringLiteral(":*?\"<>|");
    for (QChar c : strNom)
        if (strInterdits.contains(c))
            return false;
    return true;
}

QString FIC_LireDossierTemporaire()
{
    QString strDossier = qEnvironmentVariable("TEMP");
    if (strDossier.isEmpty())
        strDossier = qEnvironmentVariable("TMP");
    if (strDossier.isEmpty())
        strDossier = FIC_LireDossierWindows();
    return withoutTrailingSeparator(strDossier);
}

QString FIC_LireDossierWindows()
{
    QString strDossier = dossierExecution();
    if (strDossier.isEmpty())
        strDossier = DossierPriveUtilisateur(QStringLiteral("/tmp"));
    if (strDossier.isEmpty())
        strDossier = dossierCache();
    return withoutTrailingSeparator(strDossier.trimmed());
}

bool FIC_DossierPartage(const QString& strDossier)
{
    struct stat etat {};
    if (::stat(QFile::encodeName(strDossier).constData(), &etat) != 0)
        return true;
    return etat.st_uid != ::geteuid() || (etat.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

QString DossierPriveUtilisateur(const QString& strParent)
{
    const QString strDossier = withoutTrailingSeparator(strParent) + QStringLiteral("/kervane-")
                               + QString::number(::geteuid());
    const QByteArray chemin = QFile::encodeName(strDossier);
    ::mkdir(chemin.constData(), S_IRWXU);  // already there is fine: checked below
    struct stat etat {};
    if (!dossierDeLUtilisateur(chemin, etat))
        return QString();
    if ((etat.st_mode & kDroitsAutres) != 0 && ::chmod(chemin.constData(), S_IRWXU) != 0)
        return QString();
    return strDossier;
}

}  // namespace kervane
