#pragma once
// A recent-database entry as stored: label + "|" + path.
#include <QString>

namespace kervane {

struct EntreeRecente {
    QString strLibelle;
    QString strChemin;
};

// Splits at the first "|". With no "|", or one in first place, the label is empty and the
// path is the entry from its second character.
EntreeRecente decouperEntreeRecente(const QString& strEntree);

// The registry key of the recent list (current-user root).
QString cleBasesRecentes();

}  // namespace kervane
