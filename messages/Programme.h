#pragma once
// The values the whole program shares. They are filled at start-up (settings, main window)
// and read everywhere; this is the one place where program-wide state lives.
#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <array>
#include <vector>

namespace kervane {

class FenetrePrincipale;
class RepondeurModal;
class wndKervane;

// A block of grid cells framed by the grouped display: first column, first row, last
// column, last row.
struct BlocCellules {
    qint32 nColonne1 = 0;
    qint32 nLigne1 = 0;
    qint32 nColonne2 = 0;
    qint32 nLigne2 = 0;
};

// A recent database as the File menus show it.
struct BaseRecente {
    QString strLibelle;
    QString strChemin;
};
using LecteurDiagnosticODBC = bool (*)(QString& strTexte);

struct EtatProgramme {
    bool bModeDebug = false;
    qint32 nValeurDebug = 0;
    QString strEditeur;
    QString strNumeroUtilisateur;                 // "Number": the workstation user's identification
    QString strSeparateurDecimal = QStringLiteral(".");
    std::array<QString, 33> tabCaracteresControle;  // codes 0..31, then code 169
    QString strTitreApplication = QStringLiteral("Kervane");
    QString strNomExecutable = QStringLiteral("kervane");  // executable base name
    QString strPiloteAccess;                      // "Microsoft Access Driver (*.mdb)", set by the main window
    QString strBaseSource;                        // "Base source": the suite's reference database

    // Opening a database: what the open dialog or a recent entry chose, and the dialog flags.
    QString strCheminBase;                        // chosen base path
    QString strLibelleBase;                       // database label
    bool bDialogueCharge = false;                 // the dialog is loaded and may be shown
    bool bDialogueValide = false;                 // the dialog was closed with OK
    QPointer<wndKervane> pFenetreCourante;        // the query window last opened or activated
    FenetrePrincipale* pFenetrePrincipale = nullptr;  // the main window, while it exists
    std::vector<BaseRecente> tabMenuRecentes;     // the first recent entries, as the menus show them

    // Query windows
    qint16 nTailleListeRequetes = 30;             // most statements kept in a window's history
    std::vector<BlocCellules> tabBlocs;           // blocks framed by the last grouped display

    // Export to a spreadsheet
    bool bExportDisponible = false;               // the export dialog loaded and may be shown
    bool bExportEffectue = false;                 // the last export went through
    bool bExportEnCours = false;                  // the writer is at work

    // Printing: the printer chosen, its settings and the orientation, kept until the end
    QString strImprimante;                        // empty until the print dialog first opens
    QByteArray descriptionImprimante;             // the printer's document settings
    qint16 nOrientationImpression = 2;            // 1 portrait, 2 landscape
    bool bImpressionPrete = false;                // the print dialog finished loading
    bool bImpressionEnCours = false;
    bool bImprime = false;                        // the last print run went through

    RepondeurModal* pRepondeur = nullptr;         // null: real message boxes
    LecteurDiagnosticODBC pLecteurDiagnosticODBC = nullptr;  // set by the access layer
};

EtatProgramme& Programme();

}  // namespace kervane
