#include "driver/jet/JetWriteMessages.h"

#include "driver/jet/JetFileLocks.h"
#include "driver/jet/JetMessages.h"

namespace kervane::jet {

std::string messageWrittenElsewhere(const std::string& path, const std::string& why)
{
    return "Le fichier « " + path + " » est ouvert en écriture par un autre programme : " + why + ".";
}

std::string reasonOtherWriter()
{
    return "une autre modification y est en cours";
}

std::string reasonAccessLockFile(const std::string& lockFile)
{
    return "son fichier de verrouillage « " + lockFile + " » est utilisé";
}

std::string reasonCommitRunning()
{
    return "une modification y est en cours d'enregistrement";
}

std::string messageAccessLockUnknown(const std::string& lockFile, int error)
{
    return "Le fichier de verrouillage « " + lockFile + " » ne peut pas être examiné : " + systemReason(error) + ".";
}

std::string messageTooManyPages(const std::string& path, std::size_t limitBytes)
{
    const std::string limit = limitBytes >= (std::size_t(1) << 20) ? std::to_string(limitBytes >> 20) + " Mo"
                                                                    : std::to_string(limitBytes >> 10) + " Ko";
    return "La modification du fichier « " + path + " » touche trop de pages pour être préparée en mémoire (plus de " +
           limit + ") ; elle n'a pas été faite.";
}

std::string messageNotChanged(const std::string& path, int error)
{
    return "Le fichier « " + path + " » n'a pas pu être modifié : " + systemReason(error) + ". Il est resté inchangé.";
}

std::string messageBusy(const std::string& path)
{
    return "Le fichier « " + path + " » est verrouillé par un autre programme qui y enregistre des modifications "
           "depuis plus de " + std::to_string(JetFileLocks::kReaderPatience.count() / 1000) +
           " secondes : réessayez dans un instant.";
}

std::string messageReadersStayed(const std::string& path)
{
    return "Le fichier « " + path + " » est lu par un autre programme depuis plus de " +
           std::to_string(JetFileLocks::kReaderPatience.count() / 1000) +
           " secondes : les modifications n'ont pas été enregistrées et le fichier est resté inchangé. "
           "Réessayez quand la lecture sera terminée.";
}

std::string messageChangeOutsideTransaction(const std::string& path)
{
    return "Aucune transaction n'est ouverte sur le fichier « " + path + " ».";
}

std::string messageTransactionAlreadyOpen(const std::string& path)
{
    return "Une transaction est déjà ouverte sur le fichier « " + path + " ».";
}

std::string messageNotWritable(const std::string& path, int error)
{
    return "Le fichier « " + path + " » ne peut pas être ouvert en écriture : " + systemReason(error) + ".";
}

std::string messageRecoveryFailed(const std::string& path, int error)
{
    return "Le fichier « " + path + " » garde une modification interrompue qui n'a pas pu être annulée : " +
           systemReason(error) + ".";
}

std::string messageLeftForRecovery(const std::string& path, int error)
{
    return "Le fichier « " + path + " » n'a pas pu être modifié : " + systemReason(error) +
           ". La modification commencée sera annulée à sa prochaine ouverture.";
}

}  // namespace kervane::jet
