#pragma once
// The typed hive store standing for the registry: two roots, hierarchical keys, text and
// 32-bit integer values. Every operation answers with a status, never an exception.
//
// Reads parse the current hive file. Writes re-read it under an exclusive lock, apply the
// change and replace the file atomically, so that a crash or another running program never
// leaves a half-written hive nor loses a change. A hive file that cannot be parsed is put
// aside under another name, the operation goes on with an empty hive, and the outcome says so.
#include "platform/RegistryTypes.h"

#include <QString>

namespace kervane {

// Ok when the key exists, KeyNotFound otherwise.
RegistryOutcome openRegistryKey(RegistryRoot racine, const QString& strCle);
// Creates the key and its missing parents; Ok when it already exists.
RegistryOutcome createRegistryKey(RegistryRoot racine, const QString& strCle);

RegistryOutcome readRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                 QString& strValeur);
RegistryOutcome readRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                    qint32& nValeur);

// Both create the key when missing and replace a value of either type.
RegistryOutcome writeRegistryText(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                  const QString& strValeur);
RegistryOutcome writeRegistryInteger(RegistryRoot racine, const QString& strCle, const QString& strNom,
                                     qint32 nValeur);

// Deletes the key with its values; refused (HasSubkeys) while it has subkeys.
RegistryOutcome deleteRegistryKey(RegistryRoot racine, const QString& strCle);
RegistryOutcome deleteRegistryValue(RegistryRoot racine, const QString& strCle, const QString& strNom);

}  // namespace kervane
