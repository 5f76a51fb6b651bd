#pragma once
// The workbook library's refusals as the user reads them: French, and for a failure of the
// file itself (a full disk, a refused permission) the system's reason and error number.
#include <QString>
#include <QtGlobal>

namespace kervane {

constexpr qint32 ERREUR_CLASSEUR = 1004;  // the library refused an operation on the workbook

// nCode: the library's error code (lxw_error); nErrno: errno just after the failed call, 0
// when unknown. One French sentence ending with a period.
QString TexteErreurClasseur(int nCode, int nErrno);
// The trapped-error number: the system's number for a file failure with a known errno,
// otherwise ERREUR_CLASSEUR.
qint32 NumeroErreurClasseur(int nCode, int nErrno);

}  // namespace kervane
