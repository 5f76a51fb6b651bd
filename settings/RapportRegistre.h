#pragma once
// The messages the registry procedures show: their failures, and a damaged hive put aside.
#include "platform/RegistryTypes.h"

#include <QString>

namespace kervane {

enum class EchecRegistre {
    CleInconnue,        // the key cannot be opened (or deleted)
    DonneeInconnue,     // the value is missing, of the other type, or cannot be deleted
    CleNonCreee,        // the key cannot be created
    DonneeNonAssociee,  // the value cannot be set
};

// The catalogue text of that failure for that root, with the key path in it, after the prefix.
void signalerEchecRegistre(EchecRegistre echec, bool bRacineUtilisateur, const QString& strCle,
                           const QString& strPrefixe, const QString& strProcedure);

// Tells the user, once, that a hive file could not be read and what became of it.
void signalerRucheEndommagee(const RegistryOutcome& resultat, const QString& strProcedure);

}  // namespace kervane
