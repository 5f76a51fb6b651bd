#pragma once
// Writes a sheet held in memory into a new .xlsx workbook through libxlsxwriter: one format
// per distinct attribute set, rows written in order so the library keeps little in memory.
#include "export/FeuilleModele.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct lxw_workbook;

namespace kervane {

constexpr qint32 ERREUR_CLASSEUR = 1004;  // the library refused an operation on the workbook

class ClasseurXlsx {
public:
    ClasseurXlsx();
    ~ClasseurXlsx();
    ClasseurXlsx(const ClasseurXlsx&) = delete;
    ClasseurXlsx& operator=(const ClasseurXlsx&) = delete;

    // The workbook object for that file, its working files in strDossierTravail; nothing is
    // written yet. False when the library cannot make one.
    bool creer(const QString& strChemin, const QString& strDossierTravail);
    // Writes the sheet and closes the workbook (the file is complete only then).
    // Raises ERREUR_CLASSEUR on any refusal of the library.
    void enregistrer(const FeuilleModele& feuille);

private:
    struct Liberation {
        void operator()(lxw_workbook* pClasseur) const;
    };
    std::unique_ptr<lxw_workbook, Liberation> m_pClasseur;
    QByteArray m_dossierTravail;
};

}  // namespace kervane
