#pragma once
// A file written beside its final place under a private name, then renamed over the final
// path once complete. Until then the final path is untouched; a provisional file that is
// not put in place is removed when the object goes.
//
// A final path that is a link stands for the file it leads to (the link stays). A character
// device (/dev/null, /dev/full) cannot be replaced by renaming: it is written to directly.
#include "messages/Erreur.h"

#include <QString>

namespace kervane {

// Why the existing file at strChemin must not be replaced, as Windows would refuse it: a
// read-only file (no write permission bit, whoever runs the program), a file the user may
// not write, a folder, or something else than a file. Number 0 when nothing stands in the
// way (the file may also be missing).
ErreurPiegee RefusDeRemplacement(const QString& strChemin);

class FichierProvisoire {
public:
    // Reserves a new, empty provisional file in the folder of strCheminFinal. Raises the
    // refusal of RefusDeRemplacement, or the system's file error when the folder does not
    // take a new file, in French.
    explicit FichierProvisoire(const QString& strCheminFinal);
    ~FichierProvisoire();
    FichierProvisoire(const FichierProvisoire&) = delete;
    FichierProvisoire& operator=(const FichierProvisoire&) = delete;

    // Where to write: the provisional file, or the device itself.
    const QString& chemin() const { return m_strChemin; }
    // The folder for scratch files of the writer; empty for a device (the system's place).
    const QString& dossier() const { return m_strDossier; }
    // Flushes the provisional file to disk and renames it over the final path (replacing
    // any file there, whose permissions it takes). Raises the system's file error on failure.
    void mettreEnPlace();

private:
    void reserver();

    QString m_strCheminFinal;  // the file replaced, links followed
    QString m_strDossier;
    QString m_strChemin;
    bool m_bDirect = false;
    bool m_bEnPlace = false;
    quint32 m_nDroits = 0;  // permissions of the file replaced, 0 when there was none
};

}  // namespace kervane
