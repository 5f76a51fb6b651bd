#include "settings/GroupeRegistration.h"

#include "platform/RegistryStore.h"
#include "settings/RapportRegistre.h"

namespace kervane {

bool SYS_GrouperRegistration(const QString& strProcedure, const std::function<bool()>& travail)
{
    MessagesRegistreDifferes messages;
    bool bResultat = false;
    try {
        RegistryBatch lot;
        bResultat = travail();
        for (const BatchFailure& echec : lot.commit()) {
            signalerEchecRegistre(EchecRegistre::DonneeNonAssociee, echec.racine == RegistryRoot::CurrentUser,
                                  echec.strCle, {}, strProcedure);
            bResultat = false;
        }
    } catch (...) {
        messages.afficher();  // the batch has let the hives go, writing nothing
        throw;
    }
    messages.afficher();
    return bResultat;
}

}  // namespace kervane
