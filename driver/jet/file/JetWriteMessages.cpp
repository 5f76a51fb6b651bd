#include "driver/jet/file/JetWriteMessages.h"

#include "driver/jet/file/JetFileLocks.h"
#include "driver/jet/format/JetMessages.h"

#include <sys/stat.h>

namespace kervane::jet {
namespace {

std::string quoted(const std::string& name)
{
    return "« " + name + " »";
}

std::string kindOf(mode_t mode)
{
    if (S_ISLNK(mode))
        return "un lien symbolique";
    if (S_ISDIR(mode))
        return "un dossier";
    if (S_ISFIFO(mode))
        return "un tube nommé";
    if (S_ISSOCK(mode))
        return "une prise de communication (socket)";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "un périphérique";
    return "un fichier spécial";
}

// "Le journal « J » trouvé à côté du fichier « F »"
std::string journalBeside(const std::string& path, const std::string& journal)
{
    return "Le journal " + quoted(journal) + " trouvé à côté du fichier " + quoted(path);
}

}  // namespace

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

std::string messageLeftForRecovery(const std::string& path, int error)
{
    return "Le fichier « " + path + " » n'a pas pu être modifié : " + systemReason(error) +
           ". La modification commencée sera annulée à sa prochaine ouverture.";
}

std::string messageJournalNotCreated(const std::string& path, const std::string& journal, int error)
{
    return "Le journal " + quoted(journal) + " de la modification du fichier " + quoted(path) +
           " n'a pas pu être créé : " + systemReason(error) + ". Le fichier est resté inchangé.";
}

std::string messageJournalNotWritten(const std::string& path, const std::string& journal, int error)
{
    return "Le journal " + quoted(journal) + " de la modification du fichier " + quoted(path) +
           " n'a pas pu être écrit : " + systemReason(error) + ". Le fichier est resté inchangé.";
}

std::string messageJournalNotAFile(const std::string& path, const std::string& journal, mode_t mode)
{
    return quoted(journal) + ", à l'emplacement du journal du fichier " + quoted(path) + ", est " + kindOf(mode) +
           " et non un journal : aucune modification de la base ne peut être enregistrée tant qu'il est là. "
           "Supprimez-le ou déplacez-le, puis recommencez.";
}

std::string messageJournalUnreadable(const std::string& path, const std::string& journal, int error)
{
    return journalBeside(path, journal) + " ne peut pas être lu : " + systemReason(error) +
           ". La base n'a pas été modifiée.";
}

std::string messageJournalNotExamined(const std::string& path, const std::string& journal, int error)
{
    return "Le fichier " + quoted(path) + " a près de lui le journal " + quoted(journal) +
           " d'une modification interrompue, mais il ne peut pas être ouvert en écriture pour l'examiner : " +
           systemReason(error) + ". La base n'a pas été modifiée.";
}

std::string messageRecoveryFailed(const std::string& path, const std::string& journal, int error)
{
    return "La dernière modification du fichier " + quoted(path) +
           ", interrompue, n'a pas pu être annulée d'après son journal " + quoted(journal) + " : " +
           systemReason(error) + ". Le journal est gardé pour la prochaine ouverture.";
}

std::string messageJournalNotRemoved(const std::string& path, const std::string& journal, int error)
{
    return "Le journal " + quoted(journal) + " de la dernière modification du fichier " + quoted(path) +
           ", qui n'est plus utile, n'a pas pu être supprimé : " + systemReason(error) +
           ". Supprimez-le, puis recommencez.";
}

std::string messageJournalDamaged(const std::string& path, const std::string& journal)
{
    return "La dernière modification du fichier " + quoted(path) + " a été interrompue et son journal " +
           quoted(journal) +
           " est endommagé : la base peut contenir cette modification à moitié écrite, qui ne peut pas être annulée. "
           "La base n'a pas été ouverte ; ni elle ni son journal n'ont été modifiés. Restaurez une sauvegarde de la "
           "base ; ou bien, en sachant qu'elle peut être incohérente, déplacez le journal ailleurs pour l'ouvrir telle "
           "qu'elle est.";
}

std::string messageJournalFirstFormat(const std::string& path, const std::string& journal)
{
    return "Le fichier " + quoted(path) + " a près de lui le journal " + quoted(journal) +
           " d'une modification interrompue, laissé par une version précédente de Kervane : il ne permet pas de "
           "vérifier qu'il a été écrit pour cette base dans son état actuel, et n'a pas été appliqué. La base n'a pas "
           "été ouverte ; ni elle ni son journal n'ont été modifiés. Si la dernière modification de cette base a été "
           "interrompue, restaurez une sauvegarde ; sinon, déplacez le journal ailleurs pour ouvrir la base telle "
           "qu'elle est.";
}

std::string messageJournalForeign(const std::string& path, const std::string& journal, const std::string& aside)
{
    return journalBeside(path, journal) +
           " n'a pas été écrit pour cette base (il vient d'une autre base, ou n'est pas un journal) : il n'a pas été "
           "appliqué et a été mis de côté sous le nom " + quoted(aside) +
           ". La base n'a pas été modifiée. Vous pouvez supprimer " + quoted(aside) + " si vous n'en avez pas l'usage.";
}

std::string messageJournalStale(const std::string& path, const std::string& journal, const std::string& aside)
{
    return journalBeside(path, journal) +
           " ne correspond pas à l'état actuel de la base (il est plus ancien qu'elle, ou vient d'une copie) : il n'a "
           "pas été appliqué et a été mis de côté sous le nom " + quoted(aside) +
           ". La base n'a pas été modifiée. Vérifiez qu'elle contient bien vos dernières modifications ; vous pourrez "
           "ensuite supprimer " + quoted(aside) + ".";
}

std::string messageJournalNotSetAside(const std::string& path, const std::string& journal, int error)
{
    return journalBeside(path, journal) +
           " n'a pas été écrit pour cette base dans son état actuel et n'a pas pu être mis de côté : " +
           systemReason(error) + ". La base n'a pas été modifiée ; déplacez ce journal ailleurs, puis recommencez.";
}

}  // namespace kervane::jet
