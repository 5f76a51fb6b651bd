#include "driver/jet/schema/JetSystemCatalogue.h"

#include "driver/jet/format/JetPages.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/write/JetTableWriter.h"

#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

namespace kervane::jet {
namespace {

// Flags Access adds to every column of its system tables, and to those naming an account.
constexpr unsigned char kSystemColumn = 0x10;
constexpr unsigned char kAccountColumn = 0x30;
constexpr int kTextCharacters = 255;

// MSysObjects: the containers' Ids, MSysDb's, the kinds of object, and the flag of a system one.
constexpr std::int64_t kContainersParent = 0x0F000000;
constexpr std::int64_t kDatabasesContainer = 0x0F000002;
constexpr std::int64_t kRelationshipsContainer = 0x0F000003;
constexpr std::int64_t kDatabaseObject = 0x10000000;
constexpr std::int64_t kTableKind = 1;
constexpr std::int64_t kDatabaseKind = 2;
constexpr std::int64_t kContainerKind = 3;
constexpr std::int64_t kSystemObject = -2147483648LL;  // 0x80000000 in a Long

// The accounts empty files name: the owner of the containers and system tables, the owner of the
// database (MSysDb), and two more to which MSysACEs gives rights. Jet 3 and Jet 4 write them in
// two bytes each, differently.
enum Account { CatalogueOwner, DatabaseOwner, AccountA, AccountB };
std::vector<unsigned char> accountSid(Account account, bool jet3)
{
    static constexpr std::array<std::array<unsigned char, 2>, 4> jet3Sids{{{0x02, 0x03}, {0x03, 0x01}, {0x02, 0x04}, {0x02, 0x01}}};
    static constexpr std::array<std::array<unsigned char, 2>, 4> jet4Sids{{{0x06, 0xea}, {0x07, 0xe8}, {0x06, 0xed}, {0x06, 0xe8}}};
    const auto& sid = (jet3 ? jet3Sids : jet4Sids)[static_cast<std::size_t>(account)];
    return {sid.begin(), sid.end()};
}

JetNewColumn systemColumn(std::string name, JetType type, bool jet3, unsigned char flags = kSystemColumn)
{
    JetNewColumn c;
    c.name = std::move(name);
    c.type = type;
    // Texts of 255 characters; binaries of 255 bytes in Jet 3, of 510 in Jet 4.
    if (type == JetType::Text)
        c.characters = kTextCharacters;
    else if (type == JetType::Binary)
        c.characters = jet3 ? kTextCharacters : 2 * kTextCharacters;
    c.moreFlags = flags;
    return c;
}

JetNewIndex systemIndex(std::string name, std::vector<int> columns)
{
    JetNewIndex i;
    i.name = std::move(name);
    for (int c : columns)
        i.keys.emplace_back(c, false);
    return i;
}

JetNewTable msysObjects(bool jet3)
{
    JetNewTable t{"MSysObjects", {}, {}, true};
    for (const auto& [name, type] : std::initializer_list<std::pair<const char*, JetType>>{
             {"Id", JetType::Long}, {"ParentId", JetType::Long}, {"Name", JetType::Text},
             {"Type", JetType::Integer}, {"DateCreate", JetType::DateTime}, {"DateUpdate", JetType::DateTime},
             {"Owner", JetType::Binary}, {"Flags", JetType::Long}, {"Database", JetType::Memo},
             {"Connect", JetType::Memo}, {"ForeignName", JetType::Text}, {"RmtInfoShort", JetType::Binary},
             {"RmtInfoLong", JetType::Ole}, {"Lv", JetType::Ole}, {"LvProp", JetType::Ole},
             {"LvModule", JetType::Ole}, {"LvExtra", JetType::Ole}})
        t.columns.push_back(systemColumn(name, type, jet3, std::string_view(name) == "Owner" ? kAccountColumn : kSystemColumn));
    t.indexes.push_back(systemIndex("ParentIdName", {1, 2}));
    t.indexes.back().unique = true;
    t.indexes.push_back(systemIndex("Id", {0}));
    t.indexes.back().primary = true;
    return t;
}

JetNewTable msysAces(bool jet3)
{
    JetNewTable t{"MSysACEs", {}, {}, true};
    t.columns = {systemColumn("ObjectId", JetType::Long, jet3), systemColumn("SID", JetType::Binary, jet3, kAccountColumn),
                 systemColumn("ACM", JetType::Long, jet3), systemColumn("FInheritable", JetType::Boolean, jet3)};
    t.indexes.push_back(systemIndex("ObjectId", {0}));
    t.indexes.back().required = true;
    return t;
}

JetNewTable msysQueries(bool jet3)
{
    JetNewTable t{"MSysQueries", {}, {}, true};
    t.columns = {systemColumn("ObjectId", JetType::Long, jet3), systemColumn("Attribute", JetType::Byte, jet3),
                 systemColumn("Order", JetType::Binary, jet3),  systemColumn("Name1", JetType::Text, jet3),
                 systemColumn("Name2", JetType::Text, jet3),    systemColumn("Expression", JetType::Memo, jet3),
                 systemColumn("Flag", JetType::Integer, jet3)};
    if (!jet3)
        t.columns.push_back(systemColumn("LvExtra", JetType::Long, jet3));
    t.indexes.push_back(systemIndex("ObjectIdAttribute", {0, 1, 2}));
    t.indexes.back().primary = true;
    return t;
}

JetNewTable msysRelationships(bool jet3)
{
    JetNewTable t{"MSysRelationships", {}, {}, true};
    t.columns = {systemColumn("szRelationship", JetType::Text, jet3), systemColumn("grbit", JetType::Long, jet3),
                 systemColumn("ccolumn", JetType::Long, jet3),         systemColumn("icolumn", JetType::Long, jet3),
                 systemColumn("szObject", JetType::Text, jet3),        systemColumn("szColumn", JetType::Text, jet3),
                 systemColumn("szReferencedObject", JetType::Text, jet3), systemColumn("szReferencedColumn", JetType::Text, jet3)};
    for (const auto& [name, key] : std::initializer_list<std::pair<const char*, int>>{
             {"szRelationship", 0}, {"szObject", 4}, {"szReferencedObject", 6}}) {
        t.indexes.push_back(systemIndex(name, {key}));
        t.indexes.back().ignoreNulls = true;
    }
    return t;
}

struct CatalogueRow {
    std::int64_t id;
    std::int64_t parent;
    const char* name;
    std::int64_t kind;
    Account owner;
};

struct AceRow {
    std::int64_t object;
    Account account;
    std::int64_t rights;
    bool inheritable;
};

}  // namespace

std::vector<JetNewTable> systemTables(bool jet3)
{
    return {msysObjects(jet3), msysAces(jet3), msysQueries(jet3), msysRelationships(jet3)};
}

bool writeCatalogueRows(JetPages& pages, double created, std::string& error)
{
    const bool jet3 = fileFormatFor(pages.pageSize()).jet3;
    static constexpr CatalogueRow objects[] = {
        {kTablesContainer, kContainersParent, "Tables", kContainerKind, CatalogueOwner},
        {kDatabasesContainer, kContainersParent, "Databases", kContainerKind, CatalogueOwner},
        {kRelationshipsContainer, kContainersParent, "Relationships", kContainerKind, CatalogueOwner},
        {kDatabaseObject, kDatabasesContainer, "MSysDb", kDatabaseKind, DatabaseOwner},
        {2, kTablesContainer, "MSysObjects", kTableKind, CatalogueOwner},
        {3, kTablesContainer, "MSysACEs", kTableKind, CatalogueOwner},
        {4, kTablesContainer, "MSysQueries", kTableKind, CatalogueOwner},
        {5, kTablesContainer, "MSysRelationships", kTableKind, CatalogueOwner},
    };
    JetTableWriter catalogue;
    if (!openCatalogue(pages, catalogue, error))
        return false;
    for (const CatalogueRow& row : objects) {
        if (!insertNamed(catalogue,
                         {{"Id", JetFieldValue::of(row.id)},
                          {"ParentId", JetFieldValue::of(row.parent)},
                          {"Name", JetFieldValue::of(std::string(row.name))},
                          {"Type", JetFieldValue::of(row.kind)},
                          {"DateCreate", JetFieldValue::of(created)},
                          {"DateUpdate", JetFieldValue::of(created)},
                          {"Owner", JetFieldValue::of(accountSid(row.owner, jet3))},
                          {"Flags", JetFieldValue::of(kSystemObject)}},
                         error))
            return false;
    }
    // The rights (a mask of permissions) of each account on the system tables, the containers
    // and the database, in the order empty files list them.
    static constexpr AceRow aces[] = {
        {2, DatabaseOwner, 393216, false},
        {3, DatabaseOwner, 393216, false},
        {4, DatabaseOwner, 393216, false},
        {5, DatabaseOwner, 917504, false},
        {kTablesContainer, AccountA, 983294, true},
        {kTablesContainer, DatabaseOwner, 393217, false},
        {kRelationshipsContainer, AccountA, 983294, true},
        {kRelationshipsContainer, DatabaseOwner, 393217, false},
        {kDatabasesContainer, DatabaseOwner, 393216, false},
        {kDatabaseObject, DatabaseOwner, 393230, false},
        {kDatabaseObject, AccountB, 14, false},
        {4, AccountB, 20, false},
        {5, AccountB, 20, false},
        {2, AccountB, 20, false},
        {kTablesContainer, AccountB, 1048319, true},
        {kRelationshipsContainer, AccountB, 1048575, true},
    };
    JetTableWriter rights;
    if (!JetTableWriter::open(pages, 3, "MSysACEs", rights, error, nullptr, true))
        return false;
    for (const AceRow& row : aces) {
        if (!insertNamed(rights,
                         {{"ObjectId", JetFieldValue::of(row.object)},
                          {"SID", JetFieldValue::of(accountSid(row.account, jet3))},
                          {"ACM", JetFieldValue::of(row.rights)},
                          {"FInheritable", JetFieldValue::of(row.inheritable)}},
                         error))
            return false;
    }
    return true;
}

}  // namespace kervane::jet
