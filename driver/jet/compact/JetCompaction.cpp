#include "driver/jet/compact/JetCompaction.h"

#include "driver/jet/compact/JetCompactCatalogue.h"
#include "driver/jet/compact/JetCompactTables.h"
#include "driver/jet/file/JetFileIo.h"
#include "driver/jet/file/JetFileLocks.h"
#include "driver/jet/file/JetMemoryPages.h"
#include "driver/jet/file/JetPageStore.h"
#include "driver/jet/format/JetDatabasePassword.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetNewDatabase.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/SecretText.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace kervane::jet {
namespace compaction {

constexpr int kWesternCodePage = 1252;

std::string quoted(const std::string& path)
{
    return "« " + path + " »";
}

// The file to compact, held for this alone, its pages read within a transaction never committed.
struct SourceFile {
    std::unique_ptr<JetFileLocks> locks;
    std::unique_ptr<JetPageStore> pages;
    ~SourceFile()
    {
        if (pages != nullptr && pages->inTransaction())
            pages->rollback();
    }
};

bool openSource(const std::string& path, SourceFile& source, std::string& error)
{
    int failure = 0;
    source.locks = JetFileLocks::open(path, failure, true);
    if (source.locks == nullptr) {
        error = failure == ENOENT   ? "La base " + quoted(path) + " n'existe pas."
                : failure == EBUSY ? "La base " + quoted(path) +
                                         " est ouverte par une autre connexion ou un autre programme : elle ne peut "
                                         "être compactée que lorsque personne ne l'utilise."
                                   : "La base " + quoted(path) + " ne peut pas être ouverte : " +
                                         std::strerror(failure) + ".";
        return false;
    }
    // An encrypted file's pages are read only with its password, which no compaction request
    // carries.
    unsigned char header[0x100] = {};
    if (readAt(source.locks->fd(), header, sizeof header, 0) == 0 &&
        JetPageCipher::officeEncrypted(header, sizeof header)) {
        error = "La base " + quoted(path) + " est chiffrée par un mot de passe : ce pilote ne la compacte pas, "
                "Access le peut.";
        return false;
    }
    // Every page is read once and kept until the copy is written: no bound but the file's size.
    source.pages = JetPageStore::open(path, error, std::numeric_limits<std::size_t>::max(), source.locks.get());
    return source.pages != nullptr && source.pages->begin(error);
}

// The compacted copy keeps the database password of its source.
bool keepPassword(JetPages& source, JetMemoryPages& target, std::string& error)
{
    SecretText password;
    if (!databasePassword(source.read(0), source.pageSize(), password.text()) || password.text().empty())
        return true;
    return setDatabasePassword(target.change(0), target.pageSize(), password.text(), error);
}

// The copy of `source` laid into `target`, every table first, so that the relationships find
// their rows and the queries their tables.
bool compactInto(JetPages& source, JetMemoryPages& target, std::string& error)
{
    const JetFileFormat& format = fileFormatFor(source.pageSize());
    if (!checkWritableFile(source, error))
        return false;
    const std::optional<AccessVersion> version = accessVersionOf(source.read(0), source.pageSize());
    if (version && isAce(*version)) {
        error = "Le compactage d'un fichier Access 2007 ou postérieur (.accdb) n'est pas encore possible.";
        return false;
    }
    if (format.jet3 && fileTextSettings(source).codePage != kWesternCodePage) {
        error = "Les textes de cette base Access 97 sont dans la page de codes " +
                std::to_string(fileTextSettings(source).codePage) +
                " : seules les bases en page de codes 1252 peuvent être compactées.";
        return false;
    }
    CatalogueObjects objects;
    if (!newDatabasePages(format.jet3 ? JetVersion::Jet3 : JetVersion::Jet4, accessNow(), target, error) ||
        !objectsToCopy(source, objects, error))
        return false;
    PlacedTables placed;
    TableIds ids;
    JetTableWriter catalogue;
    for (const auto* list : {&objects.tables, &objects.systemTables}) {
        for (const CompactedObject& table : *list) {
            // The new file's own catalogue tables stay as it made them.
            std::optional<JetRowId> made;
            if (list == &objects.systemTables &&
                (!openCatalogue(target, catalogue, error) || !objectNamed(catalogue, table.name, made, error)))
                return false;
            if (made)
                continue;
            std::uint32_t page = 0;
            if (!copyTable(source, target, table, page, error))
                return false;
            placed[table.name] = page;
            ids[table.id] = page;
        }
    }
    return copyRelationships(source, target, placed, error) && copyOtherObjects(source, target, ids, error) &&
           keepPassword(source, target, error);
}

// An encoded source gives an encoded copy, under its own key; ENCRYPT encodes the copy of a
// plain one under a new key.
bool compactFile(const std::string& source, const std::string& destination, bool replacing, bool encrypt,
                 std::string& error)
{
    SourceFile file;
    if (!openSource(source, file, error))
        return false;
    JetMemoryPages target(file.pages->pageSize());
    if (!compactInto(*file.pages, target, error)) {
        error = "La base " + quoted(source) + " n'a pas été compactée : " + error;
        return false;
    }
    JetPageCipher cipher = JetPageCipher::ofHeader(file.pages->read(0), file.pages->pageSize());
    if (!cipher.active() && encrypt)
        cipher = JetPageCipher::withNewKey();
    return writeDatabaseFile(destination, target, replacing, error, cipher);
}

}  // namespace compaction

bool compactDatabase(const std::string& source, const std::string& destination, bool encrypt, std::string& error)
{
    struct stat existing {};
    if (::lstat(destination.c_str(), &existing) == 0) {
        error = "Le fichier " + compaction::quoted(destination) +
                " existe déjà : la copie compactée ne peut pas le remplacer.";
        return false;
    }
    return compaction::compactFile(source, destination, false, encrypt, error);
}

bool repairDatabase(const std::string& path, std::string& error)
{
    // The file itself is replaced, not a link that leads to it.
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    if (real == nullptr) {
        const int failure = errno;
        error = "La base " + compaction::quoted(path) +
                (failure == ENOENT ? " n'existe pas." : " ne peut pas être ouverte : " + std::string(std::strerror(failure)) + ".");
        return false;
    }
    return compaction::compactFile(real.get(), real.get(), true, false, error);
}

}  // namespace kervane::jet
