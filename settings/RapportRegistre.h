#pragma once
// The messages the registry procedures show: their failures, and a damaged hive put aside.
#include "platform/RegistryTypes.h"

#include <QString>
#include <functional>
#include <vector>

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

// While one lives, the messages above wait on its thread instead of showing, until
// afficher(): no message box stands while a batch holds the hives locked, and another
// program waits. One made while another lives on the same thread joins it.
class MessagesRegistreDifferes {
public:
    MessagesRegistreDifferes();
    ~MessagesRegistreDifferes();  // drops what was not shown
    MessagesRegistreDifferes(const MessagesRegistreDifferes&) = delete;
    MessagesRegistreDifferes& operator=(const MessagesRegistreDifferes&) = delete;

    // Shows the waiting messages in their order; those to come show at once.
    void afficher();
    // Shows the message now, or keeps it while one lives on this thread.
    static void afficherOuRetenir(std::function<void()> afficherMessage);

private:
    std::vector<std::function<void()>> m_messages;
};

}  // namespace kervane
