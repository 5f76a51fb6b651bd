#include "messages/Programme.h"

namespace kervane {

EtatProgramme& Programme()
{
    static EtatProgramme etat;
    return etat;
}

}  // namespace kervane
