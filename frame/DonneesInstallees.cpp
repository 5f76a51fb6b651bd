#include "frame/DonneesInstallees.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace kervane {
namespace {

const QString BASE_SOURCE = QStringLiteral("Base source Velmora.mdb");

QString cheminPresExecutable(const QString& strNom)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + strNom;
}

QString cheminInstalle(const QString& strNom)
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/kervane/") + strNom);
}

}  // namespace

QString cheminDonnee(const QString& strNom)
{
    const QString strPres = cheminPresExecutable(strNom);
    if (QFileInfo::exists(strPres))
        return strPres;
    const QString strInstalle = cheminInstalle(strNom);
    return QFileInfo::exists(strInstalle) ? strInstalle : strPres;
}

QString baseSourceParDefaut()
{
    const QString strBase = cheminDonnee(BASE_SOURCE);
    if (strBase != cheminInstalle(BASE_SOURCE))
        return strBase;
    const QString strDossier = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (strDossier.isEmpty() || !QDir().mkpath(strDossier))
        return strBase;
    const QString strCopie = strDossier + QLatin1Char('/') + BASE_SOURCE;
    if (QFileInfo::exists(strCopie))
        return strCopie;
    if (!QFile::copy(strBase, strCopie))
        return strBase;
    // The installed file is read-only to the user; the copy is theirs to change.
    QFile::setPermissions(strCopie, QFile::permissions(strCopie) | QFileDevice::WriteOwner);
    return strCopie;
}

}  // namespace kervane
