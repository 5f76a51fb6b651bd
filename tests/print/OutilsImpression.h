#pragma once
// Helpers of the printing tests: a filled grid, the program's printer settings and the
// printing environment put back after each test, and a PDF read back with poppler's tools.
#include "messages/Programme.h"
#include "platform/spread/vaSpread.h"

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& strTexte, std::ostream* pSortie)
{
    *pSortie << '"' << strTexte.toStdString() << '"';
}

namespace kervane::test {

// Column titles in row 0, then the rows; column widths fitted to the widest text (at most
// 30 characters, longer texts wrap) and row heights to their texts, as the result grid does.
void remplirGrille(vaSpread& grille, const QStringList& titres, const std::vector<QStringList>& lignes);
// nLignes rows of nColonnes texts "L<row>C<col>".
void remplirGrilleNumerotee(vaSpread& grille, qint32 nColonnes, qint32 nLignes);

// Puts back the printer settings of Programme() and the variables PRINTER, LPDEST and
// CUPS_SERVER when the test ends.
class EtatImpressionSauve {
public:
    EtatImpressionSauve();
    ~EtatImpressionSauve();
    EtatImpressionSauve(const EtatImpressionSauve&) = delete;
    EtatImpressionSauve& operator=(const EtatImpressionSauve&) = delete;

private:
    EtatProgramme m_programme;
    std::optional<QByteArray> m_variables[3];
};

// A PDF read back: the text of every page (pdftotext -layout) and every page's size in points
// (pdfinfo). Empty when the tools are missing or the file cannot be read. Valid only when both
// tools read it: a file a queue is still writing may give its text before pdfinfo can read it.
struct PdfLu {
    QStringList pages;
    std::vector<QSizeF> tailles;
    QString strTitre;
    bool valide() const { return !pages.isEmpty() && !tailles.empty(); }
};
PdfLu lirePdf(const QString& strChemin);
bool outilsPopplerPresents();

}  // namespace kervane::test
