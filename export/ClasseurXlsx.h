#pragma once
// Writes a sheet held in memory into a new .xlsx workbook through libxlsxwriter: one format
// per distinct attribute set, rows written in order so the library keeps little in memory.
#include "export/ErreurClasseur.h"
#include "export/FeuilleModele.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct lxw_workbook;

namespace kervane {

class ClasseurXlsx {
public:
    ClasseurXlsx();
    ~ClasseurXlsx();
    ClasseurXlsx(const ClasseurXlsx&) = delete;
    ClasseurXlsx& operator=(const ClasseurXlsx&) = delete;

    // The workbook object for that file, its working files in strDossierTravail (empty: the
    // library's own place); nothing is written yet. strNom is the file as messages name it.
    // False when the library cannot make one.
    bool creer(const QString& strChemin, const QString& strDossierTravail, const QString& strNom);
    // Writes the sheet and closes the workbook (the file is complete only then). Raises the
    // trapped error of any refusal of the library, in French (ErreurClasseur.h).
    void enregistrer(const FeuilleModele& feuille);

private:
    struct Liberation {
        void operator()(lxw_workbook* pClasseur) const;
    };
    void ecrire(const FeuilleModele& feuille);

    std::unique_ptr<lxw_workbook, Liberation> m_pClasseur;
    QByteArray m_dossierTravail;
    QString m_strNom;
};

}  // namespace kervane
