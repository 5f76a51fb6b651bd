#pragma once
// A new .xlsx workbook written through libxlsxwriter row by row, so the library keeps only
// the current row in memory: the column widths first, then each row in order, its own
// settings before its cells and its cells from left to right. Each distinct attribute set
// becomes one format, made when a cell first needs it.
//
// Rows and columns count from 1 (row 1, column 1 is A1). Every refusal of the library raises
// the trapped error, in French, naming the file (ErreurClasseur.h); a write to a row already
// left is one of them (the library refuses it as out of range).
#include "export/AttributsCellule.h"
#include "export/ErreurClasseur.h"
#include "export/FormatsXlsx.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <memory>
#include <optional>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace kervane {

class ClasseurXlsx {
public:
    using Format = lxw_format*;  // null: the default look

    ClasseurXlsx();
    ~ClasseurXlsx();
    ClasseurXlsx(const ClasseurXlsx&) = delete;
    ClasseurXlsx& operator=(const ClasseurXlsx&) = delete;

    // The workbook object for that file, its working files in strDossierTravail (empty: the
    // library's own place); nothing is written yet. strNom is the file as messages name it.
    // False when the library cannot make one.
    bool creer(const QString& strChemin, const QString& strDossierTravail, const QString& strNom);

    // The sheet the following calls write, named strNom.
    void ajouterFeuille(const QString& strNom);
    // The format of a set of attributes, made on first use.
    Format format(const AttributsCellule& attributs);
    // Width in characters of a column; before the first row.
    void definirLargeur(qint32 nColonne, double dLargeur);
    // The row's own settings, before its cells: height in points (0: the default height) and
    // the look of its cells without an entry of their own.
    void definirLigne(qint32 nLigne, double dHauteur, Format format);

    // A text (cut to the longest a cell holds; empty: a blank cell), a number, a date.
    void ecrireTexte(qint32 nLigne, qint32 nColonne, const QString& strTexte, Format format);
    void ecrireNombre(qint32 nLigne, qint32 nColonne, double dNombre, Format format);
    void ecrireDate(qint32 nLigne, qint32 nColonne, QDate date, Format format);
    // An empty cell with a look of its own.
    void ecrireVide(qint32 nLigne, qint32 nColonne, Format format);

    // Writes the file and frees the workbook, whatever the outcome; the file is complete
    // only then.
    void fermer();

private:
    struct Liberation {
        void operator()(lxw_workbook* pClasseur) const;
    };
    lxw_worksheet* feuille() const;
    void verifier(int nErreur) const;

    std::unique_ptr<lxw_workbook, Liberation> m_pClasseur;
    std::optional<FormatsXlsx> m_formats;
    lxw_worksheet* m_pFeuille = nullptr;
    QByteArray m_dossierTravail;
    QByteArray m_utf8;  // the text of the cell being written
    QString m_strNom;
};

}  // namespace kervane
