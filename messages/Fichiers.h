#pragma once
// Module_FIC: file-name check and the folders the system writes to.
#include <QString>

namespace kervane {

// True when the bare file name holds none of : * ? " < > |
bool FIC_VerifierNom(const QString& strNom);
// TEMP, else TMP, else the system folder; without a trailing separator.
QString FIC_LireDossierTemporaire();
// The system folder standing for the Windows folder: /tmp.
QString FIC_LireDossierWindows();

}  // namespace kervane
