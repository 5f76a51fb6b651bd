#include "platform/spread/SpreadKeys.h"

#include <QHash>

namespace kervane {

namespace {

const QHash<int, qint32>& namedKeys()
{
    static const QHash<int, qint32> keys{
        {Qt::Key_Backspace, 8},  {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},   {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},     {Qt::Key_Shift, 16},    {Qt::Key_Control, 17},  {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},     {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},      {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},      {Qt::Key_Up, 38},       {Qt::Key_Right, 39},    {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},    {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93},
    };
    return keys;
}

}  // namespace

qint32 virtualKeyCode(int nQtKey)
{
    if ((nQtKey >= Qt::Key_0 && nQtKey <= Qt::Key_9) || (nQtKey >= Qt::Key_A && nQtKey <= Qt::Key_Z))
        return nQtKey;  // same numbers as the virtual keys
    if (nQtKey >= Qt::Key_F1 && nQtKey <= Qt::Key_F24)
        return 112 + (nQtKey - Qt::Key_F1);
    return namedKeys().value(nQtKey, 0);
}

}  // namespace kervane
