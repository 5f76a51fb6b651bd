#include "messages/Fichiers.h"

#include <QtGlobal>

namespace kervane {
namespace {

QString withoutTrailingSeparator(QString strDossier)
{
    if (strDossier.endsWith(QLatin1Char('/')))
        strDossier.chop(1);
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
    return withoutTrailingSeparator(QStringLiteral("/tmp").trimmed());
}

}  // namespace kervane
