#include "driver/jet/schema/JetNewDatabase.h"

#include "driver/jet/file/JetFileIo.h"
#include "driver/jet/file/JetMemoryPages.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetFileFormat.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetTableLayout.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/schema/JetCatalogueRows.h"
#include "driver/jet/schema/JetDefinitionImage.h"
#include "driver/jet/schema/JetSystemCatalogue.h"
#include "driver/jet/schema/JetTableCreation.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {
namespace {

constexpr int kGeneralSortOrder = 1033;
constexpr int kWesternCodePage = 1252;
constexpr std::uint32_t kFirstDefinitionPage = 2;

// Page 0. Its fields, and the values Access gives those whose meaning is not known, are those of
// the empty files Access writes; the part from 0x18 is then masked.
void writeHeader(unsigned char* h, std::size_t size, bool jet3, double created)
{
    h[1] = 0x01;
    std::memcpy(h + 4, "Standard Jet DB", 15);
    h[0x14] = jet3 ? 0x00 : 0x01;  // the version
    static constexpr unsigned char opening[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::memcpy(h + 0x18, opening, sizeof opening);
    writeUInt16(h, 0x3c, kWesternCodePage);
    if (jet3) {
        writeUInt16(h, 0x38, 0x0001);
        writeUInt16(h, 0x3a, kGeneralSortOrder);
        writeUInt16(h, 0x56, 0x251e);
    } else {
        // No password: its 40 bytes from 0x42 hold only the mask that hides it, the creation
        // day's number (four bytes) repeated.
        const auto day = static_cast<std::uint32_t>(created);
        for (int i = 0; i < 40; ++i)
            h[0x42 + i] = static_cast<unsigned char>(day >> (8 * (i % 4)));
        writeUInt16(h, 0x6e, kGeneralSortOrder);  // its version, at 0x70, 0
        std::uint64_t date = 0;
        std::memcpy(&date, &created, sizeof date);
        writeUInt64(h, 0x72, date);
        writeUInt32(h, 0x98, 0x0654);
        std::memcpy(h + 0x9c, "4.0", 4);
    }
    maskHeader(h, jet3);
    // The page's last part: two bytes a pair, the second 1, the first 0 but in the first pair.
    const std::size_t tail = jet3 ? 0x600 : 0xe00;
    for (std::size_t at = tail; at + 1 < size; at += 2)
        h[at + 1] = 0x01;
    h[tail] = 0x01;
}

// Page 1: the map of the pages no table owns (every page of the file in use, those past its end
// that the row covers free), and a second map of none.
void writeUnownedPages(JetPages& pages, const JetFileFormat& format)
{
    unsigned char* page = pages.change(kUnownedPagesMap.page);
    datapage::initialise(page, kUnownedPagesMap.page, format);
    std::vector<unsigned char> map = inlineUsageMap(format, 0, false);
    const std::size_t bits = (map.size() - usagemap::kInlineHeader) * 8;
    for (std::size_t p = pages.pageCount(); p < bits; ++p)
        map[usagemap::kInlineHeader + p / 8] |= static_cast<unsigned char>(1u << (p % 8));
    datapage::add(page, map, 0, format);
    datapage::add(page, std::vector<unsigned char>(map.size(), 0), 0, format);
}

// Puts a usage-map row on page `current`, or on a new page when there is none yet, it has no
// room, or `fresh` asks for one; where it lies.
JetRowId putMapRow(JetPages& pages, std::uint32_t& current, const std::vector<unsigned char>& row, bool fresh)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    if (current == 0 || fresh || !datapage::fits(pages.read(current), static_cast<int>(row.size()), format)) {
        current = pages.append();
        datapage::initialise(pages.change(current), 0, format);
    }
    return {current, datapage::add(pages.change(current), row, 0, format)};
}

// The map rows of `table` (its index maps marking their roots), those of its indexes left out
// when `withIndexes` is false, put from page `current` on.
void putMapRows(JetPages& pages, const JetNewTable& table, JetNewTablePages& placed, std::uint32_t& current,
                bool withIndexes)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    placed.mapRows.resize(static_cast<std::size_t>(usageMapRows(table)));
    const int firstIndex = indexMapRow(table, 0);
    const int indexes = static_cast<int>(table.indexes.size());
    for (int row = 0; row < usageMapRows(table); ++row) {
        const bool index = row >= firstIndex && row < firstIndex + indexes;
        if (index && !withIndexes)
            continue;
        std::vector<unsigned char> map = inlineUsageMap(format, 0, false);
        if (index) {
            const std::uint32_t root = placed.roots[static_cast<std::size_t>(row - firstIndex)];
            map[usagemap::kInlineHeader + root / 8] |= static_cast<unsigned char>(1u << (root % 8));
        }
        placed.mapRows[static_cast<std::size_t>(row)] = putMapRow(pages, current, map, false);
    }
}

// Where the system tables' maps and index roots lie, as in the empty files of each version. Jet 4:
// for each table a page of its maps, then its roots. Jet 3: MSysObjects' own maps and those of
// its long values from page 6 on, then for each of its indexes a page of its map before its root;
// the other tables' maps on one page shared, their roots after it.
std::vector<JetNewTablePages> placeSystemTables(JetPages& pages, const std::vector<JetNewTable>& tables)
{
    const bool jet3 = fileFormatFor(pages.pageSize()).jet3;
    std::vector<JetNewTablePages> placed(tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t)
        placed[t].definition = kFirstDefinitionPage + static_cast<std::uint32_t>(t);
    const auto appendRoots = [&pages](const JetNewTable& table, JetNewTablePages& where) {
        for (std::size_t i = 0; i < table.indexes.size(); ++i)
            where.roots.push_back(pages.append());
    };
    if (!jet3) {
        for (std::size_t t = 0; t < tables.size(); ++t) {
            std::uint32_t current = pages.append();
            datapage::initialise(pages.change(current), 0, fileFormatFor(pages.pageSize()));
            appendRoots(tables[t], placed[t]);
            putMapRows(pages, tables[t], placed[t], current, true);
        }
        return placed;
    }
    std::uint32_t current = 0;
    putMapRows(pages, tables[0], placed[0], current, false);
    for (std::size_t i = 0; i < tables[0].indexes.size(); ++i) {
        std::vector<unsigned char> map = inlineUsageMap(fileFormatFor(pages.pageSize()), 0, false);
        current = pages.append();
        datapage::initialise(pages.change(current), 0, fileFormatFor(pages.pageSize()));
        const std::uint32_t root = pages.append();
        placed[0].roots.push_back(root);
        map[usagemap::kInlineHeader + root / 8] |= static_cast<unsigned char>(1u << (root % 8));
        placed[0].mapRows[static_cast<std::size_t>(indexMapRow(tables[0], static_cast<int>(i)))] =
            putMapRow(pages, current, map, false);
    }
    current = pages.append();
    datapage::initialise(pages.change(current), 0, fileFormatFor(pages.pageSize()));
    for (std::size_t t = 1; t < tables.size(); ++t)
        appendRoots(tables[t], placed[t]);
    for (std::size_t t = 1; t < tables.size(); ++t)
        putMapRows(pages, tables[t], placed[t], current, true);
    return placed;
}

// The system tables: their definitions on pages 2 to 5, their maps and roots after them.
bool writeSystemTables(JetPages& pages, const std::vector<JetNewTable>& tables, std::string& error)
{
    const JetFileFormat& format = fileFormatFor(pages.pageSize());
    const JetTextSettings text{kGeneralSortOrder, 0, format.jet3 ? kWesternCodePage : 0};
    const std::vector<JetNewTablePages> placed = placeSystemTables(pages, tables);
    for (std::size_t t = 0; t < tables.size(); ++t) {
        std::vector<unsigned char> bytes;
        if (!buildDefinition(tables[t], format, text, placed[t], bytes, error) ||
            !rewriteDefinition(pages, placed[t].definition, bytes, error))
            return false;
        if (!writeRoots(pages, placed[t])) {
            error = "Les pages d'index de la table " + tables[t].name + " ne peuvent pas être écrites.";
            return false;
        }
    }
    return true;
}

std::string quoted(const std::string& path)
{
    return "« " + path + " »";
}

// Gives `temporary` the name `path` unless a file has it already (then false, errno EEXIST).
bool renameWithoutReplacing(const std::string& temporary, const std::string& path)
{
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system that cannot rename so: a second name made, then the first taken away.
    if (::link(temporary.c_str(), path.c_str()) != 0)
        return false;
    ::unlink(temporary.c_str());
    return true;
}

}  // namespace

bool newDatabasePages(JetVersion version, double created, JetMemoryPages& pages, std::string& error)
{
    const bool jet3 = version == JetVersion::Jet3;
    const JetFileFormat& format = jet3 ? jet3FileFormat() : jet4FileFormat();
    if (pages.pageSize() != static_cast<std::size_t>(format.pageSize) || pages.pageCount() != 0) {
        error = "Les pages d'une nouvelle base doivent être vides et de " + std::to_string(format.pageSize) + " octets.";
        return false;
    }
    const std::vector<JetNewTable> tables = systemTables(jet3);
    while (pages.pageCount() < kFirstDefinitionPage + tables.size())
        pages.append();
    writeHeader(pages.change(0), pages.pageSize(), jet3, created);
    // The map of unowned pages is written once every page of the structure is there.
    if (!writeSystemTables(pages, tables, error))
        return false;
    writeUnownedPages(pages, format);
    return writeCatalogueRows(pages, created, error);
}

bool writeDatabaseFile(const std::string& path, const JetMemoryPages& pages, bool replacing, std::string& error,
                       const JetPageCipher& cipher)
{
    struct stat existing {};
    if (path.empty()) {
        error = "Le chemin de la nouvelle base est vide.";
        return false;
    }
    if (!replacing && ::lstat(path.c_str(), &existing) == 0) {
        error = "Le fichier " + quoted(path) + " existe déjà : la nouvelle base ne peut pas le remplacer.";
        return false;
    }
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string cannot = "La base " + quoted(path) + " ne peut pas être écrite : ";
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = folder + "/." + name + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        error = cannot + "son dossier n'existe pas ou n'accepte pas de nouveau fichier.";
        return false;
    }
    // A file replaced keeps its permissions.
    bool written = !replacing || ::lstat(path.c_str(), &existing) != 0 || ::fchmod(fd, existing.st_mode & 07777) == 0;
    std::vector<unsigned char> stored(pages.pageSize());
    for (std::uint32_t p = 0; written && p < pages.pageCount(); ++p) {
        std::copy(pages.page(p), pages.page(p) + pages.pageSize(), stored.begin());
        if (cipher.active() && p == 0)
            cipher.writeKeyInto(stored.data());
        cipher.encipher(p, stored.data(), stored.size());
        written = writeAt(fd, stored.data(), stored.size(), static_cast<off_t>(p) * pages.pageSize()) == 0;
    }
    written = written && syncFile(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        ::unlink(temporary.c_str());
        error = cannot + "l'écriture a échoué (disque plein ?).";
        return false;
    }
    const bool named = replacing ? ::rename(temporary.c_str(), path.c_str()) == 0
                                 : renameWithoutReplacing(temporary, path);
    if (!named) {
        const bool taken = errno == EEXIST;
        ::unlink(temporary.c_str());
        error = taken ? "Le fichier " + quoted(path) + " existe déjà : la nouvelle base ne peut pas le remplacer."
                      : cannot + "le fichier ne peut pas recevoir son nom.";
        return false;
    }
    // The new name itself made durable.
    syncFolderOf(path);
    return true;
}

bool createDatabase(const std::string& path, JetVersion version, bool encrypt, std::string& error)
{
    struct stat existing {};
    if (!path.empty() && ::lstat(path.c_str(), &existing) == 0) {
        error = "Le fichier " + quoted(path) + " existe déjà : la nouvelle base ne peut pas le remplacer.";
        return false;
    }
    JetMemoryPages pages(static_cast<std::size_t>(
        (version == JetVersion::Jet3 ? jet3FileFormat() : jet4FileFormat()).pageSize));
    return newDatabasePages(version, accessNow(), pages, error) &&
           writeDatabaseFile(path, pages, false, error, encrypt ? JetPageCipher::withNewKey() : JetPageCipher());
}

}  // namespace kervane::jet
