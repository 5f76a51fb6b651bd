#pragma once
// The print function of a grid: the page header (header codes of EnteteImpression.h), the job
// name, the print settings and the orientation, then the print action, which prints the whole
// grid on the printer given, on as many pages as it needs (PagesGrille.h).
//
// A page: the header lines at the top, the grid below them with its column titles (row 0) and
// row titles (column 0) repeated, its cells wrapped as the grid wraps them and clipped to the
// grid's row heights, and "Page n / N" at the foot. The grid's sizes are in screen pixels; the
// page is drawn in those units scaled to the printer's resolution, so the grid's font prints
// at its own point size and a column as wide as on the screen.
#include <QString>
#include <QtGlobal>

class QPrinter;

namespace kervane {

class vaSpread;

// Trapped-error number of a printer that cannot start a document.
constexpr qint32 ERREUR_IMPRIMANTE = 482;

struct ReglagesImpression {
    bool bTitresColonnes = true;  // row 0 on every page
    bool bTitresLignes = true;    // column 0 on every page
    bool bQuadrillage = true;     // grid lines between the cells
    bool bBordure = true;         // a frame around the printed cells
    bool bCouleur = true;         // the cells' text colours and the shaded titles; else black on white
    bool bOmbre = false;          // a shadow under the printed cells
};

class ImpressionGrille {
public:
    explicit ImpressionGrille(const vaSpread& grille) : m_grille(grille) {}

    void setEntete(const QString& strEntete) { m_strEntete = strEntete; }
    const QString& entete() const { return m_strEntete; }
    void setNomTravail(const QString& strNom) { m_strNomTravail = strNom; }
    const QString& nomTravail() const { return m_strNomTravail; }
    ReglagesImpression& reglages() { return m_reglages; }
    const ReglagesImpression& reglages() const { return m_reglages; }
    // 1 portrait, 2 landscape (any other value: landscape).
    void setOrientation(qint16 nOrientation) { m_nOrientation = nOrientation; }
    qint16 orientation() const { return m_nOrientation; }

    // Prints the grid on the printer with the job name and the orientation; returns the number
    // of pages. Raises ERREUR_IMPRIMANTE when the printer cannot start the document.
    qint32 imprimer(QPrinter& imprimante) const;

private:
    const vaSpread& m_grille;
    QString m_strEntete;
    QString m_strNomTravail;
    ReglagesImpression m_reglages;
    qint16 m_nOrientation = 2;
};

}  // namespace kervane
