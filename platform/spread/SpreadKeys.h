#pragma once
// Key codes of the grid's KeyDown event: the Windows virtual-key numbers the callers test
// (13 Enter, 38 up, 40 down, ...), from Qt key values.
#include <QtGlobal>

namespace kervane {

// 0 for a key without a virtual-key number.
qint32 virtualKeyCode(int nQtKey);

}  // namespace kervane
