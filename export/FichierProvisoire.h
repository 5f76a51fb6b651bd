#pragma once
// A file written beside its final place under a private name, then renamed over the final
// path once complete. Until then the final path is untouched; a provisional file that is
// not put in place is removed when the object goes.
#include <QString>

namespace kervane {

class FichierProvisoire {
public:
    // Reserves a new, empty provisional file in the folder of strCheminFinal.
    // Raises the file-access error when the folder does not take it.
    explicit FichierProvisoire(const QString& strCheminFinal);
    ~FichierProvisoire();
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;

    const QString& chemin() const { return m_strChemin; }
    const QString& dossier() const { return m_strDossier; }
    // Flushes the provisional file to disk and renames it over the final path (replacing
    // any file there). Raises the file-access error on failure.
    void mettreEnPlace();

private:
    QString m_strCheminFinal;
    QString m_strDossier;
    QString m_strChemin;
    bool m_bEnPlace = false;
};

}  // namespace kervane
