#pragma once
// The system's file errors (errno) as the user reads them: French sentences and the
// trapped-error numbers of file failures. The C library's own texts are English and never
// reach a message box.
#include <QString>
#include <QtGlobal>

namespace kervane {

// One French sentence ending with a period, for example "Le disque est plein." for ENOSPC.
QString TexteErreurSysteme(int nErrno);
// The trapped-error number of that failure: 61 disk full, 70 permission refused, 53 file
// not found, 76 path not found, 75 any other file access error.
qint32 NumeroErreurSysteme(int nErrno);
// Raises the trapped error of nErrno with strContexte (a sentence naming the file) followed
// by the system's reason.
[[noreturn]] void LeverErreurSysteme(int nErrno, const QString& strContexte);

}  // namespace kervane
