#pragma once
// The spreadsheet writer: copies a result grid into a new workbook with a heading block,
// framed grey column titles, the grid's column widths and a frame around each block of
// cells, then saves it. The sheet is written row by row as it is laid out (LignesGrille.h),
// so the workbook never holds more than the current row.
//
// Sheet layout: A1 the date (dd/mm/yy, bold, right-aligned); B3 the database label, " - "
// and its path (bold); B5 "Requête: " and the result text (bold); row 7 the column titles;
// grid cell (row r, column c) at sheet row r + 7, column c + 1.
#include "messages/Programme.h"

#include <QDate>
#include <QString>
#include <vector>

namespace kervane {

class ClasseurXlsx;
class vaSpread;

// What the query window shows of its database and its last result, for the heading block.
struct EnteteExport {
    QString strLibelleBase;
    QString strBase;
    QString strTexteResultat;  // the text of the result box
    QDate date = QDate::currentDate();
};

constexpr quint32 COULEUR_GRILLE_REMARQUEE = 0x0000C0;  // grid text colour shown in colour 41, bold
constexpr quint32 COULEUR_INDEX_41 = 0x3366FF;          // the spreadsheet palette's colour 41
constexpr quint32 COULEUR_TITRES = 0xC0C0C0;            // background of the title row
constexpr qint32 LIGNE_TITRES = 7;                      // sheet row of the grid's row 0
constexpr qint32 LIGNES_FEUILLE_MAX = 1048576;

// True when the sheet can hold the grid (at most 701 columns, so the last one is ZZ, and
// as many rows as a sheet has below the heading); otherwise shows why, under strProcedure.
bool TableauExportable(const vaSpread& grille, const QString& strProcedure);

// The whole export into strChemin (.xlsx content). Without blocks, every cell is framed on
// its own. On success the block list is emptied. The file appears complete or not at all:
// an existing file at strChemin is replaced only by a finished workbook, and a read-only
// one not at all (FichierProvisoire.h).
bool ExporterTableau(const QString& strChemin, const vaSpread& grille, std::vector<BlocCellules>& tabBlocs,
                     const EnteteExport& entete);

// Lays the grid out on a new sheet of classeur named strTitreFeuille, from the top row down.
// Without blocks, every data cell is framed on its own.
bool ExporterTableauDansFichierExcel(ClasseurXlsx& classeur, const QString& strTitreFeuille, const vaSpread& grille,
                                     const std::vector<BlocCellules>& tabBlocs, const EnteteExport& entete);

}  // namespace kervane
