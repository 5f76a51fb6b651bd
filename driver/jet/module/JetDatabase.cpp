#include "driver/jet/module/JetDatabase.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetProbe.h"
#include "driver/jet/file/JetKnownCatalogues.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/module/JetModule.h"
#include "driver/jet/module/JetReadOnlyPages.h"
#include "driver/jet/schema/JetCatalogueListing.h"
#include "driver/semantics/SortOrder.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace kervane::jet {

bool isJetFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    char header[19] = {};
    return file.read(header, sizeof header) && hasAccessMagic(reinterpret_cast<unsigned char*>(header), sizeof header);
}

std::optional<Catalogue> listedCatalogue(JetFile& file)
{
    ReadOnlyPages pages(file);
    return listCatalogue(pages);
}

namespace {

std::optional<std::vector<unsigned char>> listedProperties(JetFile& file, std::uint32_t definitionPage)
{
    ReadOnlyPages pages(file);
    return listedTableProperties(pages, definitionPage);
}

}  // namespace

bool attachJetDatabase(sqlite3* db, const std::string& path, std::string& errorMessage,
                       std::vector<StoredQuery>* queries, JetFile** opened, bool exclusive,
                       const JetPageCipher& encryption)
{
    if (db == nullptr) {
        errorMessage = "Aucune connexion SQLite pour le fichier « " + path + " ».";
        return false;
    }
    // An unchanged file opened again is taken with the catalogue read the last time.
    const std::optional<FileIdentity> identity = identify(path);
    std::optional<Catalogue> catalogue = identity ? knownCatalogue(*identity) : std::nullopt;
    // Otherwise the driver's own checked code lists it.
    std::unique_ptr<JetFile> file;
    if (!catalogue) {
        bool unlisted = false;
        file = JetFile::openListing(path, listedCatalogue, unlisted, errorMessage, exclusive, encryption);
        if (!file && !unlisted)
            return false;
        if (file && identity)
            rememberCatalogue(*identity, file->catalogue());
    }
    // A catalogue that code could not vouch for is read by libmdb, which may crash on a
    // damaged one: in a child process first, then here, with what the child read.
    EndingProbe ending;
    if (!file && !catalogue) {
        if (!probeOpening(path, catalogue, ending, errorMessage, encryption))
            return false;
        if (catalogue && identity)
            rememberCatalogue(*identity, *catalogue);
        // The probe's share of the file must be gone before the file is taken alone.
        if (exclusive)
            ending.wait();
    }
    if (!file)
        file = JetFile::open(path, errorMessage, catalogue ? &*catalogue : nullptr, exclusive, encryption);
    if (!file)
        return false;
    file->listPropertiesWith(listedProperties);
    std::vector<StoredQuery> found;
    if (queries != nullptr)
        found = readStoredQueries(*file);
    // The text columns are declared with this collation, which must exist before them.
    sql::registerAccessCollation(db);
    JetFile* const owned = file.get();
    if (!declareJetTables(db, std::move(file), errorMessage))
        return false;
    if (opened != nullptr)
        *opened = owned;
    if (queries != nullptr)
        *queries = std::move(found);
    return true;
}

}  // namespace kervane::jet
