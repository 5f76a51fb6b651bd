#pragma once
// The numbered message catalogue.
#include <QString>

namespace kervane {

// The catalogue text of that number, or nullptr when the number has no entry.
const QString* TexteCatalogue(qint32 nNumero);

}  // namespace kervane
