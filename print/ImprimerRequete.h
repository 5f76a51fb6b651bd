#pragma once
// Printing the result grid of a query window: the page header (today's date at the right of
// the first line; on request the information line's text centred on the second; a blank line),
// the job name, the print settings, then the print of the whole grid.
#include <QString>

class QPrinter;

namespace kervane {

class ImpressionGrille;

// "Impression Kervane Vitrelle"
QString nomTravailImpression();

// The header codes for today's date and, when bLibelle, the information line's text (its line
// breaks shown as blanks, its "/" protected from the codes).
QString enteteImpression(const QString& strTexteResultat, bool bLibelle);

// Sets the header, the job name and the print settings of the grid's print function, then
// prints the grid on the printer in the orientation the print function holds. True when the
// print was handed to the printer; a failure is reported under "ImprimerRequete".
bool ImprimerRequete(ImpressionGrille& impression, const QString& strTexteResultat, bool bLibelle,
                     QPrinter& imprimante);

}  // namespace kervane
