#include "open/FenetreCourante.h"

#include "messages/Programme.h"
#include "query/wndKervane.h"

namespace kervane {

QString cheminFenetreCourante()
{
    const wndKervane* pFenetre = Programme().pFenetreCourante.data();
    if (pFenetre)
        return pFenetre->strBase;
    // No query window yet: start on the suite's reference database.
    return Programme().strBaseSource;
}

}  // namespace kervane
