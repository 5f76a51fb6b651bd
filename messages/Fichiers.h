#pragma once
// Module_FIC: file-name check and the folders the system writes to.
#include <QString>

namespace kervane {

// True when the bare file name holds none of : * ? " < > |
bool FIC_VerifierNom(const QString& strNom);
// TEMP, else TMP, else the user's own folder (FIC_LireDossierWindows); without a trailing
// separator.
QString FIC_LireDossierTemporaire();
// The user's own folder standing for the Windows folder: $XDG_RUNTIME_DIR when it is the
// user's and closed to others, else /tmp/kervane-<uid> (made with mode 0700, refused unless
// the user's), else <cache folder>/kervane. Never the shared /tmp itself.
QString FIC_LireDossierWindows();

// True when others than the user may write in the folder (not the user's, or writable by
// its group or by everyone, as /tmp is), or when it cannot be examined.
bool FIC_DossierPartage(const QString& strDossier);
// strParent + "/kervane-<uid>": made with mode 0700 when missing, narrowed to 0700 when it
// is the user's. Empty when that name is taken by a link, a file or another user's folder.
QString DossierPriveUtilisateur(const QString& strParent);

}  // namespace kervane
