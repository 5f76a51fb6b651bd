#pragma once
// Module_MSG: the trace log kept in debug mode (one file in the temporary folder).
#include <QString>

namespace kervane {

// Seconds since midnight, with fraction: the start time given to MSG_Tracer.
double MSG_Heure();
// Temporary folder + "/" + executable base name + ".LOG".
QString MSG_CheminTrace();
// Appends one line (with its elapsed column when dDebut is not 0). Writes only into a plain
// file of the user's own, never through a link. Silent on failure.
void MSG_Tracer(const QString& strTexte, double dDebut = 0);
// Deletes the log file (start-up in debug mode).
void MSG_InitialiserTrace();

// The 18-character elapsed column for a duration in seconds.
QString formatElapsedColumn(double dDuree);

}  // namespace kervane
