#include "print/Module_IMP.h"

#include "messages/Erreur.h"
#include "messages/Piege.h"
#include "print/DescriptionImprimante.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace kervane {
namespace {

// The installed printer of that name; raises when it is not installed.
QPrinterInfo installedPrinter(const QString& strNom)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(strNom);
    if (strNom.isEmpty() || info.isNull())
        LeverErreur(ERREUR_ARGUMENT, QStringLiteral("Imprimante introuvable : ") + strNom);
    return info;
}

void raiseInvalidDescription()
{
    LeverErreur(ERREUR_ARGUMENT, QStringLiteral("Description d'imprimante non valide"));
}

}  // namespace

bool IMP_LireDescription(const QString& strNom, QByteArray& description)
{
    return Pieger(QStringLiteral("IMP_LireDescription"), [&] {
        const QPrinter imprimante(installedPrinter(strNom), QPrinter::HighResolution);
        description = descriptionDepuisMiseEnPage(imprimante.pageLayout());
        return true;
    });
}

qint16 IMP_LireOrientation(const QByteArray& description)
{
    qint16 nOrientation = 0;
    Pieger(QStringLiteral("IMP_LireOrientation"), [&] {
        nOrientation = orientationDescription(description);
        if (nOrientation == 0)
            raiseInvalidDescription();
        return true;
    });
    return nOrientation;
}

bool IMP_EtablirOrientation(QByteArray& description, qint16 nOrientation)
{
    return Pieger(QStringLiteral("IMP_EtablirOrientation"), [&] {
        if (!changerOrientationDescription(description, nOrientation))
            raiseInvalidDescription();
        return true;
    });
}

bool IMP_EtablirCourante(const QString& strNom, const QString& strPilote, const QString& strPort)
{
    return Pieger(QStringLiteral("IMP_EtablirCourante"), [&] {
        if (strNom.isEmpty() || strPilote.isEmpty() || strPort.isEmpty())
            return true;
        const QByteArray nom = strNom.toLocal8Bit();
        if (!qputenv("PRINTER", nom) || !qputenv("LPDEST", nom))
            LeverErreur(ERREUR_MEMOIRE);
        return true;
    });
}

QStringList IMP_ListerImprimantes()
{
    return QPrinterInfo::availablePrinterNames();
}

QString IMP_ImprimanteParDefaut()
{
    return QPrinterInfo::defaultPrinterName();
}

QString IMP_PiloteImprimante(const QString& strNom)
{
    const QString strModele = QPrinterInfo::printerInfo(strNom).makeAndModel();
    return strModele.isEmpty() ? QStringLiteral("CUPS") : strModele;
}

QString IMP_PortImprimante(const QString& strNom)
{
    // The queue's resource on the CUPS server: the way jobs reach the printer.
    return QStringLiteral("/printers/") + strNom;
}

}  // namespace kervane
