#pragma once
// Module_IMP: the printers of the platform (CUPS through Qt PrintSupport). A printer's
// description is the record of DescriptionImprimante.h. Every operation traps its failures,
// reports them under its own name and returns false (0 for the orientation).
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kervane {

// Reads the current document settings of the named printer into the description.
bool IMP_LireDescription(const QString& strNom, QByteArray& description);
// The orientation field of the description: 1 portrait, 2 landscape.
qint16 IMP_LireOrientation(const QByteArray& description);
// Writes the orientation (1 or 2) into the description.
bool IMP_EtablirOrientation(QByteArray& description, qint16 nOrientation);
// Makes the printer the default printer of this program (the variables PRINTER and LPDEST of
// the process, which CUPS reads before any user or server default); nothing is changed for
// other programs. Does nothing when one of the three texts is empty.
bool IMP_EtablirCourante(const QString& strNom, const QString& strPilote, const QString& strPort);

// The installed printers in the platform's order, and the default one (empty when none).
QStringList IMP_ListerImprimantes();
QString IMP_ImprimanteParDefaut();
// Driver and port of an installed printer, as IMP_EtablirCourante takes them.
QString IMP_PiloteImprimante(const QString& strNom);
QString IMP_PortImprimante(const QString& strNom);

}  // namespace kervane
