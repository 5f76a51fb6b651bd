#pragma once

#include "driver/jet/JetLayout.h"
#include "driver/jet/JetValue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

typedef struct S_MdbTableDef MdbTableDef;

// An Access (Jet 3 or Jet 4) file opened read-only through libmdb, with the definitions of
// its tables read and checked: every user table, and the system tables (MSys...) that can be
// read whole.
namespace kervane::jet {

struct JetColumn {
    std::string name;
    ColumnInfo info;
    int index = 0;  // position in libmdb's column list, the order mdb_crack_row fills
};

struct JetTable {
    std::string name;
    std::uint32_t definitionPage = 0;
    std::uint32_t rowEstimate = 0;
    bool hasVariableColumns = false;
    bool system = false;  // MSys...: left out, not refused, when it cannot be read
    std::vector<JetColumn> columns;
    std::vector<unsigned char> usageMap;
    MdbTableDef* definition = nullptr;  // owned by the JetFile
};

class JetFile {
public:
    // Told how many table entries the catalogue holds once it has been checked, before libmdb
    // reads it and the table definitions (the opening probe widens its limits then).
    using CatalogueCounted = std::function<void(std::size_t tableEntries)>;

    // Checks the file, opens it and reads its table definitions; nullptr and a French
    // message when the file cannot be read.
    static std::unique_ptr<JetFile> open(const std::string& path, std::string& error,
                                         const CatalogueCounted& counted = {});
    ~JetFile();
    JetFile(const JetFile&) = delete;
    JetFile& operator=(const JetFile&) = delete;

    const std::string& path() const { return m_path; }
    const PageFormat& format() const { return m_format; }
    std::uint32_t pageCount() const { return m_pageCount; }
    const std::vector<JetTable>& tables() const { return m_tables; }

    // The table named `name` (case ignored), or nullptr.
    const JetTable* table(const std::string& name) const;

    // Copies page `page` (below pageCount) into `buffer` (one page long).
    bool readPage(std::uint32_t page, unsigned char* buffer);
    // Makes `bytes`, a copy of page `page`, libmdb's current page, for the calls that read it
    // (no copy when that page already is: the file never changes under the handle).
    void makeCurrent(std::uint32_t page, const unsigned char* bytes);
    // Jet text (code page or UCS-2, compressed or not) to UTF-8.
    std::string decodeText(const unsigned char* bytes, std::size_t size);
    // libmdb's MdbHandle (an unnamed struct in its header, so not declarable here).
    void* mdbHandle();

    struct Handle;

private:
    JetFile(std::string path, const PageFormat& format, std::uint32_t pageCount);
    bool readDefinitions(const CatalogueCounted& counted, std::string& error);
    bool readTable(void* entry, std::string& error);
    bool readColumns(const void* definition, JetTable& table, std::string& error);
    bool readDefinitionBytes(std::uint32_t page, std::vector<unsigned char>& bytes);
    void dropUnreadableSystemTables();

    std::string m_path;
    PageFormat m_format;
    std::uint32_t m_pageCount;
    std::unique_ptr<Handle> m_handle;
    std::vector<JetTable> m_tables;
    std::int64_t m_currentPage = -1;  // the page makeCurrent last copied
};

}  // namespace kervane::jet
