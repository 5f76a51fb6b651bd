#include "open/FenetreCourante.h"

#include "messages/Programme.h"
#include "query/wndKervane.h"

namespace kervane {

QString cheminFenetreCourante()
{
    const wndKervane* pFenetre = Programme().pFenetreCourante.data();
    return pFenetre ? pFenetre->strBase : QString();
}

}  // namespace kervane
