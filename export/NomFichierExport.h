#pragma once
// The checks on the file name typed in the export dialog: folder, extension of the
// spreadsheet version, forbidden characters. A name without folder goes into the folder of
// the open database, and so does a relative folder.
#include <QString>
#include <QtGlobal>

namespace kervane {

constexpr qint32 VERSION_TABLEUR_ANCIENNE = 11;  // before the application answers
constexpr qint32 VERSION_TABLEUR = 16;           // what the workbook writer stands for

// The spreadsheet version the writer stands for.
qint32 LireVersionTableur();
// ".xls" below version 12, ".xlsx" from 12 on.
QString ExtensionTableur(qint32 nVersion);

enum class VerdictNom { Valide, DossierInexistant, NomInvalide };

struct NomExport {
    VerdictNom verdict = VerdictNom::NomInvalide;
    QString strDossier;  // the folder as typed (for the message)
    QString strFichier;  // the file part, extension added when it had none
    QString strChemin;   // the full path
};

// strTexte is the dialog's text, strBase the path of the open database.
NomExport AnalyserNomFichier(const QString& strTexte, qint32 nVersion, const QString& strBase);

}  // namespace kervane
