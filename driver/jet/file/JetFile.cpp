#include "driver/jet/file/JetFile.h"

#include "driver/jet/file/JetFileIo.h"
#include "driver/jet/file/JetJournal.h"
#include "driver/jet/file/JetRecovery.h"
#include "driver/jet/file/JetWriteMessages.h"
#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetCodePage.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetDefinitionChecks.h"
#include "driver/jet/format/JetMessages.h"
#include "driver/jet/format/JetPageCipher.h"
#include "driver/jet/format/JetTableLayout.h"

#include <mdbtools.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace kervane::jet {

namespace {

constexpr std::size_t kHeaderSize = 0x100;  // the version, and what the masked part tells
// A definition continued on further pages: each starts with an 8-byte header.
constexpr std::size_t kDefinitionPageLimit = 64;

// Checks what can be seen before libmdb reads anything: a regular, non-empty file with the
// header of an Access version this reader knows (JetVersion.h) and a whole number of pages.
bool checkFile(const std::string& path, AccessVersion& version, std::uint32_t& pageCount, JetPageCipher& cipher,
               const JetPageCipher& given, std::string& error)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        error = errno == ENOENT ? messageMissing(path) : messageUnreadable(path, systemReason(errno));
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = messageUnreadable(path, "ce n'est pas un fichier");
        return false;
    }
    if (status.st_size == 0) {
        error = messageUnreadable(path, "le fichier est vide");
        return false;
    }
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    unsigned char header[kHeaderSize] = {};
    if (!file.valid() || ::pread(file.get(), header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        !hasAccessMagic(header, sizeof header)) {
        error = messageUnreadable(path);
        return false;
    }
    const std::optional<AccessVersion> stated = accessVersionOf(header, sizeof header);
    if (!stated) {
        error = messageUnreadable(path, "version d'Access non prise en charge");
        return false;
    }
    // An "encoded" Jet 3 or Jet 4 file is read through the page cipher its header states; an
    // Access 2007 or later file a password encrypts, through the one its password opened.
    if (JetPageCipher::officeEncrypted(header, sizeof header) && !given.active()) {
        error = messageUnreadable(path, "elle est chiffrée par un mot de passe, qu'il faut donner (PWD)");
        return false;
    }
    cipher = isAce(*stated) ? given : JetPageCipher::ofHeader(header, sizeof header);
    version = *stated;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    const auto pageSize = static_cast<std::uint64_t>(pageSizeOf(version));
    if (size % pageSize != 0 || size / pageSize < 3 || size / pageSize > UINT32_MAX) {
        error = messageUnreadable(path, "le fichier est tronqué");
        return false;
    }
    pageCount = static_cast<std::uint32_t>(size / pageSize);
    return true;
}

// Jet 3 text is in the code page the file names; libmdb's choice depends on the environment,
// so the conversion to UTF-8 is set here whatever MDBICONV says.
const char* jet3Charset(int codePage)
{
    if (const char* chosen = std::getenv("MDB_JET3_CHARSET"))
        return chosen;
    switch (codePage) {
    case 874: return "WINDOWS-874";
    case 932: return "SHIFT-JIS";
    case 936: return "WINDOWS-936";
    case 950: return "BIG-5";
    case 1250: return "WINDOWS-1250";
    case 1251: return "WINDOWS-1251";
    case 1253: return "WINDOWS-1253";
    case 1254: return "WINDOWS-1254";
    case 1255: return "WINDOWS-1255";
    case 1256: return "WINDOWS-1256";
    case 1257: return "WINDOWS-1257";
    case 1258: return "WINDOWS-1258";
    default: return "WINDOWS-1252";
    }
}

void convertToUtf8(MdbHandle* mdb)
{
    if (mdb->iconv_in != reinterpret_cast<iconv_t>(-1))
        iconv_close(mdb->iconv_in);
    const bool jet3 = mdb->f->jet_version == MDB_VER_JET3;
    mdb->iconv_in = iconv_open("UTF-8", jet3 ? jet3Charset(mdb->f->code_page) : "UTF-16LE");
    if (mdb->iconv_in == reinterpret_cast<iconv_t>(-1))
        mdb->iconv_in = iconv_open("UTF-8", jet3 ? "WINDOWS-1252" : "UTF-16LE");
}

bool columnFits(const MdbColumn& column, const JetFileFormat& format)
{
    if (column.col_size < 0 || column.name[0] == '\0')
        return false;
    if (!column.is_fixed)
        return true;
    return column.fixed_offset >= 0 && column.fixed_offset + column.col_size <= format.pageSize;
}

// A calculated column takes the type of its result, which its "ResultType" property gives; a
// text's stored length counts the 23 bytes each value is wrapped in, and a decimal result keeps
// the scale of each value.
void calculatedColumn(const ColumnProperties* properties, ColumnInfo& info)
{
    constexpr int kWrapping = 23;
    constexpr int kCalculatedPrecision = 28;
    info.calculated = true;
    if (properties != nullptr && properties->resultType)
        info.type = *properties->resultType;
    if (info.type == MDB_TEXT)
        info.size = std::max(0, info.size - kWrapping);
    if (info.type == MDB_NUMERIC) {
        info.precision = kCalculatedPrecision;
        info.scale = 0;
    }
}

}  // namespace

// While a transaction's pages are laid over the file, libmdb reads its pages through this stream
// instead of its own buffered one, so that a table the transaction created or changed reads as
// the transaction has it.
struct PageStream {
    JetFile* file = nullptr;
    std::int64_t position = 0;
    std::vector<unsigned char> page;
};

ssize_t readStream(void* cookie, char* buffer, std::size_t size)
{
    auto& stream = *static_cast<PageStream*>(cookie);
    const auto pageSize = static_cast<std::int64_t>(stream.page.size());
    const auto number = static_cast<std::uint32_t>(stream.position / pageSize);
    const std::int64_t offset = stream.position % pageSize;
    if (size == 0 || !stream.file->readStoredPage(number, stream.page.data()))
        return 0;
    const std::size_t length = std::min<std::size_t>(size, static_cast<std::size_t>(pageSize - offset));
    std::memcpy(buffer, stream.page.data() + offset, length);
    stream.position += static_cast<std::int64_t>(length);
    return static_cast<ssize_t>(length);
}

int seekStream(void* cookie, off64_t* offset, int whence)
{
    auto& stream = *static_cast<PageStream*>(cookie);
    const std::int64_t end = std::int64_t{stream.file->pageCount()} * static_cast<std::int64_t>(stream.page.size());
    const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? stream.position : end;
    if (base + *offset < 0)
        return -1;
    stream.position = base + *offset;
    *offset = stream.position;
    return 0;
}

int closeStream(void*)
{
    return 0;
}

// libmdb keeps a pointer to the catalogue entry a definition was read from.
struct JetFile::Handle {
    struct MdbCloser {
        void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
    };
    struct TableFreer {
        void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
    };
    ~Handle()
    {
        // mdb closes the stream it holds: its own, the page stream closed here.
        if (mdb && pageStream != nullptr) {
            mdb->f->stream = fileStream;
            std::fclose(pageStream);
        }
    }
    PageStream stream;  // outlives the page stream
    FILE* fileStream = nullptr;  // libmdb's own
    FILE* pageStream = nullptr;
    std::unique_ptr<MdbHandle, MdbCloser> mdb;
    std::vector<std::unique_ptr<MdbCatalogEntry>> entries;
    std::vector<std::unique_ptr<MdbTableDef, TableFreer>> definitions;
};

JetFile::JetFile(std::string path, AccessVersion version, std::uint32_t pageCount, std::unique_ptr<JetFileLocks> locks)
    : m_path(std::move(path)), m_version(version), m_format(&fileFormatOf(version == AccessVersion::Jet3)),
      m_pageCount(pageCount), m_handle(std::make_unique<Handle>()),
      m_locks(std::move(locks))
{
}

JetFile::~JetFile() = default;

std::unique_ptr<JetFile> JetFile::open(const std::string& path, std::string& error, const Catalogue* known,
                                       bool exclusive, const JetPageCipher& encryption)
{
    bool unlisted = false;
    return openWith(path, error, known, nullptr, unlisted, exclusive, encryption);
}

std::unique_ptr<JetFile> JetFile::openListing(const std::string& path, const CatalogueListing& list, bool& unlisted,
                                              std::string& error, bool exclusive, const JetPageCipher& encryption)
{
    unlisted = false;
    return openWith(path, error, nullptr, &list, unlisted, exclusive, encryption);
}

std::unique_ptr<JetFile> JetFile::openWith(const std::string& path, std::string& error, const Catalogue* known,
                                           const CatalogueListing* list, bool& unlisted, bool exclusive,
                                           const JetPageCipher& encryption)
{
    AccessVersion version = AccessVersion::Jet4;
    std::uint32_t pageCount = 0;
    JetPageCipher cipher;
    if (!checkFile(path, version, pageCount, cipher, encryption, error))
        return nullptr;
    int failure = 0;
    std::unique_ptr<JetFileLocks> locks = JetFileLocks::open(path, failure, exclusive);
    if (!locks) {
        error = failure == ENOENT  ? messageMissing(path)
                : failure == EBUSY ? messageOpenedElsewhere(path, exclusive)
                                   : messageUnreadable(path, systemReason(failure));
        return nullptr;
    }
    // The catalogue is read with no commit writing pages meanwhile.
    if (locks->beginRead({}, failure) != JetFileLocks::Outcome::Taken) {
        error = failure != 0 ? messageUnreadable(path, systemReason(failure)) : messageBusy(path);
        return nullptr;
    }
    std::unique_ptr<JetFile> file(new JetFile(path, version, pageCount, std::move(locks)));
    file->m_cipher = cipher;
    const struct StatementEnd {
        JetFile& file;
        ~StatementEnd() { file.endStatement(); }
    } end{*file};
    file->lookedChanged();
    std::optional<Catalogue> catalogue;
    if (known != nullptr)
        catalogue = *known;
    else if (list != nullptr && !(catalogue = (*list)(*file))) {
        unlisted = true;
        error.clear();
        return nullptr;
    }
    // Read-only: libmdb opens the file with mode "r" and never writes through this handle.
    file->m_handle->mdb.reset(mdb_open(path.c_str(), MDB_NOFLAGS));
    MdbHandle* mdb = file->m_handle->mdb.get();
    if (mdb == nullptr || mdb->fmt->pg_size != file->format().pageSize) {
        error = messageUnreadable(path);
        return nullptr;
    }
    convertToUtf8(mdb);
    file->readThroughFile(mdb);
    // libmdb would take the key of an encrypted file's header for an encoded file's: it reads
    // the pages deciphered here instead, always through the page stream.
    if (cipher.office()) {
        if (file->m_handle->pageStream == nullptr) {
            error = messageUnreadable(path);
            return nullptr;
        }
        mdb->f->db_key = 0;
        mdb->f->stream = file->m_handle->pageStream;
    }
    std::vector<unsigned char> page(static_cast<std::size_t>(file->format().pageSize));
    // The catalogue is the table defined on page 2.
    if (!file->readPage(2, page.data()) || page[0] != kDefinitionPage) {
        error = messageUnreadable(path, "catalogue illisible");
        return nullptr;
    }
    if (!catalogue && !readCatalogue(*file, catalogue.emplace(), error))
        return nullptr;
    file->listTables(std::move(*catalogue));
    return file;
}

void JetFile::readThroughFile(void* opaque)
{
    MdbHandle& mdb = *static_cast<MdbHandle*>(opaque);
    m_handle->stream.file = this;
    m_handle->stream.page.assign(static_cast<std::size_t>(m_format->pageSize), 0);
    const cookie_io_functions_t functions{readStream, nullptr, seekStream, closeStream};
    m_handle->fileStream = mdb.f->stream;
    if (FILE* stream = fopencookie(&m_handle->stream, "r", functions)) {
        std::setvbuf(stream, nullptr, _IONBF, 0);
        m_handle->pageStream = stream;
    }
}

std::size_t JetFile::addTable(const std::string& name, std::uint32_t definitionPage)
{
    JetTable table;
    table.name = name;
    table.definitionPage = definitionPage;
    m_tables.push_back(std::move(table));
    return m_tables.size() - 1;
}

void JetFile::setDropped(std::size_t index, bool dropped)
{
    if (index < m_tables.size())
        m_tables[index].dropped = dropped;
}

void JetFile::redefine(std::size_t index)
{
    if (index >= m_tables.size())
        return;
    // The definitions libmdb read stay with the handle: a cursor still open may use its own.
    m_tables[index].defined = false;
    ++m_tables[index].changes;
}

void JetFile::listTables(Catalogue catalogue)
{
    m_catalogue = std::move(catalogue);
    for (const CatalogueObject& object : m_catalogue) {
        if (!listedTable(object))
            continue;
        JetTable table;
        table.name = object.name;
        table.definitionPage = definitionPageOf(object);
        table.system = isSystemObject(object);
        m_tables.push_back(std::move(table));
    }
}

const JetTable* JetFile::define(std::size_t index, std::string& error)
{
    if (index >= m_tables.size() || m_tables[index].dropped) {
        error = messageUnreadable(m_path, "table inconnue");
        return nullptr;
    }
    JetTable& table = m_tables[index];
    if (table.defined)
        return &table;
    // Read when a statement is compiled, before it runs: no commit may write meanwhile.
    int failure = 0;
    const bool held = m_locks->readers() == 0;
    if (held && m_locks->beginRead({}, failure) != JetFileLocks::Outcome::Taken) {
        error = failure != 0 ? messageUnreadable(m_path, systemReason(failure)) : messageBusy(m_path);
        return nullptr;
    }
    const bool read = readDefinition(table, error);
    if (held)
        m_locks->endRead();
    return read ? &table : nullptr;
}

// The definition's pages are checked before libmdb reads them: inside the file, table
// definition pages, the descriptors and names of the columns within them.
bool JetFile::readDefinition(JetTable& table, std::string& error)
{
    std::vector<unsigned char> bytes;
    if (table.definitionPage == 0 || !readDefinitionBytes(table.definitionPage, bytes)) {
        error = messageDamagedTable(m_path, table.name, "définition hors du fichier");
        return false;
    }
    table.definitionHash = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    auto entry = std::make_unique<MdbCatalogEntry>();
    entry->mdb = m_handle->mdb.get();
    entry->object_type = MDB_TABLE;
    entry->table_pg = table.definitionPage;
    std::snprintf(entry->object_name, sizeof entry->object_name, "%s", table.name.c_str());
    std::unique_ptr<MdbTableDef, Handle::TableFreer> definition;
    // libmdb takes its current page as read already: a definition changed since is read afresh.
    m_handle->mdb->cur_pg = 0;
    m_currentPage = -1;
    if (definitionFits(*m_format, bytes))
        definition.reset(mdb_read_table(entry.get()));
    if (!definition || definition->num_cols == 0 || definition->num_cols > MDB_MAX_COLS ||
        mdb_read_columns(definition.get()) == nullptr || definition->columns->len != definition->num_cols ||
        definition->usage_map == nullptr || definition->map_sz == 0 ||
        definition->map_sz > static_cast<std::size_t>(m_format->pageSize)) {
        error = messageDamagedTable(m_path, table.name, "définition illisible");
        return false;
    }
    table.columns.clear();
    if (!readColumns(definition.get(), bytes, table, error)) {
        table.columns.clear();
        return false;
    }
    table.rowEstimate = definition->num_rows;
    table.hasVariableColumns = definition->num_var_cols > 0;
    table.usageMap.assign(definition->usage_map, definition->usage_map + definition->map_sz);
    table.definition = definition.get();
    table.defined = true;
    m_handle->entries.push_back(std::move(entry));
    m_handle->definitions.push_back(std::move(definition));
    return true;
}

bool JetFile::readColumns(const void* opaqueDefinition, const std::vector<unsigned char>& bytes, JetTable& table,
                          std::string& error)
{
    const auto* definition = static_cast<const MdbTableDef*>(opaqueDefinition);
    std::map<int, ColumnDetails> details;
    if (!readColumnDetails(*m_format, bytes, details)) {
        error = messageDamagedTable(m_path, table.name, "définition de colonne illisible");
        return false;
    }
    std::map<std::string, ColumnProperties> properties;
    if (std::any_of(details.begin(), details.end(), [](const auto& column) { return column.second.calculated; }) &&
        !calculatedResults(table, properties, error))
        return false;
    for (guint i = 0; i < definition->columns->len; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(definition->columns, i));
        const auto found = details.find(column->col_num);
        if (!columnFits(*column, *m_format) || found == details.end()) {
            error = messageDamagedTable(m_path, table.name, "définition de colonne illisible");
            return false;
        }
        ColumnInfo info{column->col_type, column->col_size, found->second.precision, found->second.scale,
                        column->is_long_auto != 0};
        info.complexId = found->second.complexId;
        if (found->second.calculated) {
            const auto named = properties.find(column->name);
            calculatedColumn(named != properties.end() ? &named->second : nullptr, info);
        }
        table.columns.push_back(JetColumn{column->name, info, static_cast<int>(i)});
    }
    return true;
}

bool JetFile::calculatedResults(const JetTable& table, std::map<std::string, ColumnProperties>& properties,
                                std::string& error)
{
    std::optional<std::vector<unsigned char>> listed =
        m_listProperties ? m_listProperties(*this, table.definitionPage) : std::nullopt;
    std::vector<unsigned char> bytes;
    if (listed)
        bytes = std::move(*listed);
    else if (!tablePropertyBytes(*this, table.definitionPage, bytes, error))
        return false;
    const PropertyTextDecoder decode = [this](const unsigned char* text, std::size_t size) {
        return decodeText(text, size);
    };
    if (!bytes.empty() && !readColumnProperties(bytes, decode, properties))
        properties.clear();
    return true;
}

bool JetFile::readDefinitionBytes(std::uint32_t page, std::vector<unsigned char>& bytes)
{
    std::vector<unsigned char> buffer(static_cast<std::size_t>(m_format->pageSize));
    std::set<std::uint32_t> seen;
    bytes.clear();
    while (page != 0) {
        if (!seen.insert(page).second || seen.size() > kDefinitionPageLimit || !readPage(page, buffer.data()) ||
            buffer[0] != kDefinitionPage)
            return false;
        bytes.insert(bytes.end(), buffer.begin() + (bytes.empty() ? 0 : kDefinitionPageHeader), buffer.end());
        page = readUInt32(buffer.data(), kDefinitionNextPage);
    }
    return true;
}

std::size_t JetFile::tableIndex(const std::string& name) const
{
    for (std::size_t i = 0; i < m_tables.size(); ++i)
        if (!m_tables[i].dropped && g_ascii_strcasecmp(m_tables[i].name.c_str(), name.c_str()) == 0)
            return i;
    return m_tables.size();
}

const JetTable* JetFile::table(const std::string& name)
{
    std::string ignored;
    const std::size_t index = tableIndex(name);
    return index < m_tables.size() ? define(index, ignored) : nullptr;
}

const JetTable* JetFile::tableOnPage(std::uint32_t page, std::string& error)
{
    for (std::size_t i = 0; i < m_tables.size(); ++i)
        if (!m_tables[i].dropped && m_tables[i].definitionPage == page)
            return define(i, error);
    error = messageUnreadable(m_path, "la table de la page " + std::to_string(page) + " est introuvable");
    return nullptr;
}

bool JetFile::definitionBytes(const JetTable& table, std::vector<unsigned char>& bytes)
{
    return table.definitionPage != 0 && readDefinitionBytes(table.definitionPage, bytes);
}

// Pages are read straight from the file, never from a buffer that could hold them as they were
// before another connection's commit.
bool JetFile::readPage(std::uint32_t page, unsigned char* buffer)
{
    if (m_overlay != nullptr)
        return readOverlaid(page, buffer);
    return readFromFile(page, buffer);
}

bool JetFile::readStoredPage(std::uint32_t page, unsigned char* buffer)
{
    if (!readPage(page, buffer))
        return false;
    if (m_cipher.libmdbDeciphers())
        m_cipher.encipher(page, buffer, static_cast<std::size_t>(m_format->pageSize));
    return true;
}

bool JetFile::readFromFile(std::uint32_t page, unsigned char* buffer)
{
    const auto size = static_cast<std::size_t>(m_format->pageSize);
    if (page >= m_pageCount)
        return false;
    // An encrypted file's pages are kept deciphered while the file does not move: libmdb reads
    // the same pages again and again, through the page stream.
    const bool kept = m_cipher.office();
    if (kept) {
        const auto found = m_deciphered.find(page);
        if (found != m_deciphered.end()) {
            std::memcpy(buffer, found->second.data(), size);
            return true;
        }
    }
    if (readAt(m_locks->fd(), buffer, size, off_t(page) * off_t(size)) != 0)
        return false;
    m_cipher.decipher(page, buffer, size);
    if (kept) {
        if (m_deciphered.size() >= kDecipheredPagesKept)
            m_deciphered.clear();
        m_deciphered.emplace(page, std::vector<unsigned char>(buffer, buffer + size));
    }
    return true;
}

bool JetFile::readOverlaid(std::uint32_t page, unsigned char* buffer)
{
    if (page >= m_overlay->pageCount())
        return false;
    const auto size = static_cast<std::size_t>(m_format->pageSize);
    if (const unsigned char* changed = m_overlay->changedPage(page)) {
        std::memcpy(buffer, changed, size);
        return true;
    }
    return readFromFile(page, buffer);
}

void JetFile::setOverlay(JetPageOverlay* overlay)
{
    m_overlay = overlay;
    // libmdb's current page may hold another version of its page now.
    m_currentPage = -1;
    if (MdbHandle* mdb = m_handle->mdb.get()) {
        mdb->cur_pg = 0;
        // The file's own stream, fast and buffered, serves when no transaction is laid over it;
        // what it buffered before may be stale.
        if (m_handle->pageStream != nullptr) {
            std::fflush(m_handle->fileStream);
            const bool ownStream = overlay == nullptr && !m_cipher.office();
            mdb->f->stream = ownStream ? m_handle->fileStream : m_handle->pageStream;
        }
    }
    if (overlay != nullptr)
        return;
    // A commit may have grown the file and rewritten pages libmdb's stream still buffers; once
    // the writer's lock is released another writer may have committed too, so every table is
    // read again when the file moved.
    const bool moved = lookedChanged();
    // The transaction is over: its tables are as the file now has them (committed or not).
    for (JetTable& table : m_tables) {
        if (m_changed.count(&table) == 0 && !(moved && table.defined))
            continue;
        ++table.changes;
        readPlacement(table);
    }
    m_changed.clear();
}

bool JetFile::tableChanged(const JetTable& changed, std::string& error)
{
    JetTable* table = nullptr;
    for (JetTable& candidate : m_tables)
        if (&candidate == &changed)
            table = &candidate;
    if (table == nullptr || !table->defined) {
        error = messageUnreadable(m_path, "table inconnue");
        return false;
    }
    m_changed.insert(table);
    ++table->changes;
    if (readPlacement(*table))
        return true;
    error = messageDamagedTable(m_path, table->name, "carte des pages illisible");
    return false;
}

// True when the file's stamp moved since the last look; then its page count is taken again
// (a commit grows the file, the rollback of an interrupted one cuts it back) and libmdb's stream
// forgets what it buffered.
bool JetFile::lookedChanged()
{
    const FileStamp now = stampOf(m_locks->fd());
    if (!now.known())
        return false;
    const bool moved = m_seen.known() && now != m_seen;
    m_seen = now;
    if (!moved)
        return false;
    m_pageCount = static_cast<std::uint32_t>(now.size / m_format->pageSize);
    m_deciphered.clear();
    if (MdbHandle* mdb = m_handle->mdb.get())
        std::fflush(mdb->f->stream);
    m_currentPage = -1;
    ++m_generation;
    return true;
}

void JetFile::followFile()
{
    if (m_overlay != nullptr || !lookedChanged())
        return;
    for (JetTable& table : m_tables) {
        if (!table.defined)
            continue;
        ++table.changes;
        readPlacement(table);
    }
}

bool JetFile::beginStatement(const JetFileLocks::StopCheck& stop, std::string& error, bool& stopped)
{
    stopped = false;
    if (m_locks->readers() > 0) {
        int ignored = 0;
        m_locks->beginRead(stop, ignored);  // counted only: the readers' byte is held already
        return true;
    }
    // One rollback of an interrupted commit at most: a journal that stays (Access has the file)
    // is read around, as the file was before that commit.
    for (int attempt = 0;; ++attempt) {
        int failure = 0;
        switch (m_locks->beginRead(stop, failure)) {
        case JetFileLocks::Outcome::Taken: break;
        case JetFileLocks::Outcome::Busy: error = messageBusy(m_path); return false;
        case JetFileLocks::Outcome::Stopped: stopped = true; return false;
        case JetFileLocks::Outcome::Failed: error = messageUnreadable(m_path, systemReason(failure)); return false;
        }
        // A file whose stamp has not moved since the last look was written by nobody meanwhile,
        // by no commit finished nor cut short: nothing to roll back, nothing to follow.
        if (stampOf(m_locks->fd()) == m_seen)
            return true;
        if (attempt > 0 || !hotJournal())
            break;
        m_locks->endRead();
        Recovery outcome = Recovery::Nothing;
        std::string message;
        if (!recoverWithLocks(m_path, *m_locks, outcome, message)) {
            error = message;
            return false;
        }
        if (outcome == Recovery::SetAside)
            m_notice = message;
    }
    followFile();
    return true;
}

void JetFile::endStatement()
{
    m_locks->endRead();
}

// A journal beside the file that no writer holds: a commit a crash cut short, which the file
// may hold half of. A journal is only ever a regular file; anything else there is not ours.
bool JetFile::hotJournal()
{
    struct stat status {};
    if (m_locks->holdsWriter() || ::lstat(journalPath(m_path).c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    return !m_locks->writerElsewhere();
}

bool JetFile::changedInTransaction(const JetTable& table) const
{
    return m_changed.count(&table) != 0;
}

// The row count and usage map of a defined table, read again through readPage: the count in
// its definition's first page, the map in the row the definition points to.
bool JetFile::readPlacement(JetTable& table)
{
    std::vector<unsigned char> page(static_cast<std::size_t>(m_format->pageSize));
    if (!readPage(table.definitionPage, page.data()) || page[0] != kDefinitionPage)
        return false;
    const std::uint32_t rows = readUInt32(page.data(), m_format->definitionRowCount);
    const std::uint32_t mapRow = readUInt32(page.data(), m_format->definitionOwnedPages);
    const int row = static_cast<int>(mapRow & 0xff);
    if (!readPage(mapRow >> 8, page.data()) || row >= checkedRowCount(*m_format, page.data()))
        return false;
    const datapage::Slot slot = datapage::storedSlot(page.data(), row, *m_format);
    if (slot.start < m_format->pageFirstSlot || slot.end <= slot.start || slot.end > m_format->pageSize)
        return false;
    table.rowEstimate = rows;
    table.usageMap.assign(page.begin() + slot.start, page.begin() + slot.end);
    return true;
}

void JetFile::makeCurrent(std::uint32_t page, const unsigned char* bytes)
{
    MdbHandle* mdb = m_handle->mdb.get();
    // libmdb's own reads of a page go through pg_buf and set cur_pg; either way pg_buf then
    // holds that page's bytes. Under an overlay the transaction may change a page between two
    // reads: it is copied every time.
    if (m_overlay == nullptr && m_currentPage == page && mdb->cur_pg == page)
        return;
    std::memcpy(mdb->pg_buf, bytes, static_cast<std::size_t>(m_format->pageSize));
    m_currentPage = page;
    mdb->cur_pg = page;
    mdb->cur_pos = 0;
}

void* JetFile::mdbHandle()
{
    return m_handle->mdb.get();
}

std::string JetFile::decodeText(const unsigned char* bytes, std::size_t size)
{
    if (size == 0)
        return {};
    MdbHandle* mdb = m_handle->mdb.get();
    // Access 97 texts of the Western code page keep every byte, its undefined ones too.
    if (mdb->f->jet_version == MDB_VER_JET3 && std::strcmp(jet3Charset(mdb->f->code_page), "WINDOWS-1252") == 0)
        return fromCodePage(kWesternCodePage, bytes, size);
    iconv(mdb->iconv_in, nullptr, nullptr, nullptr, nullptr);
    // Room enough that libmdb's converter never fills the buffer: any Jet character takes at
    // most three UTF-8 bytes per stored byte.
    std::string text(3 * size + 8, '\0');
    const int length = mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(bytes), size, text.data(), text.size());
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

}  // namespace kervane::jet
