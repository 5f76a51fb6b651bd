#include "driver/jet/module/JetDatabase.h"

#include "driver/jet/file/JetCatalogueFingerprint.h"
#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetProbe.h"
#include "driver/jet/file/JetProbedFiles.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/module/JetModule.h"
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

namespace {

// The bytes the probe read `catalogue` from, as they are after it: empty when they cannot be
// read or changed while it ran (`before`: those it starts with, read before it).
std::vector<unsigned char> readFrom(const std::string& path, const JetPageCipher& encryption,
                                    const Catalogue& catalogue, const std::optional<std::vector<unsigned char>>& before)
{
    std::optional<std::vector<unsigned char>> after =
        before ? catalogueFingerprint(path, encryption, &catalogue) : std::nullopt;
    if (!after || after->size() < before->size() || !std::equal(before->begin(), before->end(), after->begin()))
        return {};
    return std::move(*after);
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
    // The opening is tried in a child process first: libmdb may crash on a damaged catalogue.
    // The catalogue it read is not read again here, nor probed again while the file is unchanged.
    const std::optional<FileIdentity> identity = identify(path);
    std::optional<Catalogue> catalogue = identity ? probedCatalogue(*identity) : std::nullopt;
    // A file whose times moved, its catalogue's bytes unchanged, is not probed again either.
    // Otherwise the catalogue's own bytes as they are before the probe are kept from that read.
    std::optional<std::vector<unsigned char>> before;
    if (std::optional<ProbedCatalogue> earlier = !catalogue && identity ? probedEarlier(*identity) : std::nullopt) {
        std::size_t ownBytes = 0;
        before = catalogueFingerprint(path, encryption, &earlier->catalogue, &ownBytes);
        if (before == earlier->fingerprint)
            catalogue = std::move(earlier->catalogue);
        else if (before)
            before->resize(ownBytes);
    }
    EndingProbe ending;
    if (!catalogue) {
        if (!before && identity)
            before = catalogueFingerprint(path, encryption, nullptr);
        if (!probeOpening(path, catalogue, ending, errorMessage, encryption))
            return false;
        if (catalogue && identity)
            rememberProbed(*identity, *catalogue, readFrom(path, encryption, *catalogue, before));
    }
    // The probe's share of the file must be gone before the file is taken alone.
    if (exclusive)
        ending.wait();
    std::unique_ptr<JetFile> file = JetFile::open(path, errorMessage, catalogue ? &*catalogue : nullptr, exclusive, encryption);
    if (!file)
        return false;
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
