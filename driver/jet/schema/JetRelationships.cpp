#include "driver/jet/schema/JetRelationships.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetIndexRoots.h"
#include "driver/jet/schema/JetSchemaParts.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/Characters.h"

#include <algorithm>

namespace kervane::jet {
namespace {

constexpr unsigned char kRelationshipKind = 2;
constexpr unsigned char kReferencedSide = 1;
constexpr unsigned char kReferringSide = 2;
// MSysRelationships.grbit, as Access sets it.
constexpr std::int64_t kCascadeUpdatesFlag = 0x100;
constexpr std::int64_t kCascadeDeletesFlag = 0x1000;
constexpr std::int64_t kCascadeNullFlag = 0x2000;
constexpr std::int64_t kNotEnforcedFlag = 0x2;

std::string listed(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "« " : ", « ") + name + " »";
    return text;
}

// The columns (numbers) of the referenced table's unique stored index on `columns`, or of its
// primary key when none are given; the index's number, or -1.
int referencedIndex(JetPages& pages, const LoadedDefinition& referenced, std::uint32_t page,
                    std::vector<std::string>& columns, std::string& error)
{
    std::vector<JetRealIndex> indexes;
    if (!readRealIndexes(pages, page, indexes, error, *referenced.layout.format))
        return -1;
    const auto nameOfNumber = [&](int number) {
        for (const JetLayoutColumn& column : referenced.layout.columns)
            if (column.number == number)
                return column.name;
        return std::string();
    };
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        std::vector<std::string> keys;
        for (const JetRealIndexColumn& key : indexes[i].columns)
            keys.push_back(nameOfNumber(key.number));
        const bool same = columns.empty() ? indexes[i].primary
                                          : keys.size() == columns.size() &&
                                                std::equal(keys.begin(), keys.end(), columns.begin(),
                                                           [](const std::string& a, const std::string& b) {
                                                               return sql::equalIgnoringCase(a, b);
                                                           });
        if (same && indexes[i].unique()) {
            columns = keys;
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The logical index of the relationship on one side: `real` the stored index it uses, the other
// side's table and logical index, the cascades.
std::vector<unsigned char> sideBlock(const JetFileFormat& format, std::uint32_t number, std::uint32_t real,
                                     unsigned char side, std::uint32_t otherIndex, std::uint32_t otherTable,
                                     const JetRelationshipRequest& request)
{
    const LogicalIndexFields fields = logicalIndexFields(format);
    JetNewIndex plain;
    std::vector<unsigned char> block = logicalIndexBlock(plain, number, real, format);
    block[fields.relatedSide] = side;
    writeUInt32(block.data(), static_cast<int>(fields.relatedIndex), otherIndex);
    writeUInt32(block.data(), static_cast<int>(fields.relatedTable), otherTable);
    block[fields.cascadeUpdates] = request.cascadeUpdates ? 0x01 : 0x00;
    block[fields.cascadeDeletes] = request.cascadeDeletes ? 0x01 : request.cascadeNull ? 0x02 : 0x00;
    block[static_cast<std::size_t>(format.logicalIndexKind)] = kRelationshipKind;
    return block;
}

// A name for the referenced side's index, as Access names them: ".rC", then ".rC1", ….
std::string referencedSideName(const JetDefinitionImage& image, int codePage)
{
    for (int n = 0;; ++n) {
        const std::string name = ".rC" + (n == 0 ? std::string() : std::to_string(n));
        if (std::none_of(image.logicalIndexes.begin(), image.logicalIndexes.end(), [&](const auto& index) {
                return sql::equalIgnoringCase(nameText(index.name, *image.format, codePage), name);
            }))
            return name;
    }
}

bool recordRelationship(JetPages& pages, const JetRelationshipRequest& request, const std::string& name,
                        const std::vector<std::string>& referencedColumns, std::string& error)
{
    JetTableWriter catalogue;
    JetTableWriter table;
    if (!openCatalogue(pages, catalogue, error) ||
        !openSystemTable(pages, catalogue, "MSysRelationships", table, error))
        return false;
    const std::int64_t flags = request.moreFlags | (request.enforced ? 0 : kNotEnforcedFlag) |
                               (request.cascadeUpdates ? kCascadeUpdatesFlag : 0) |
                               (request.cascadeDeletes ? kCascadeDeletesFlag : 0) |
                               (request.cascadeNull ? kCascadeNullFlag : 0);
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        if (!insertNamed(table,
                         {{"ccolumn", JetFieldValue::of(static_cast<std::int64_t>(request.columns.size()))},
                          {"grbit", JetFieldValue::of(flags)},
                          {"icolumn", JetFieldValue::of(static_cast<std::int64_t>(i))},
                          {"szColumn", JetFieldValue::of(request.columns[i])},
                          {"szObject", JetFieldValue::of(request.table)},
                          {"szReferencedColumn", JetFieldValue::of(referencedColumns[i])},
                          {"szReferencedObject", JetFieldValue::of(request.referenced)},
                          {"szRelationship", JetFieldValue::of(name)}},
                         error))
            return false;
    }
    return true;
}

}  // namespace

void takeRelationshipFlags(std::int64_t grbit, JetRelationshipRequest& request)
{
    request.enforced = (grbit & kNotEnforcedFlag) == 0;
    request.cascadeUpdates = (grbit & kCascadeUpdatesFlag) != 0;
    request.cascadeDeletes = (grbit & kCascadeDeletesFlag) != 0;
    request.cascadeNull = (grbit & kCascadeNullFlag) != 0;
    request.moreFlags = grbit & ~(kNotEnforcedFlag | kCascadeUpdatesFlag | kCascadeDeletesFlag | kCascadeNullFlag);
}

bool createRelationship(JetPages& pages, std::uint32_t referringPage, std::uint32_t referencedPage,
                        const JetRelationshipRequest& request, JetRelatedRows* related, std::string& error)
{
    const std::string name = request.name.empty() ? request.referenced + request.table : request.name;
    if (!request.enforced) {
        if (request.columns.empty() || request.columns.size() != request.referencedColumns.size()) {
            error = "La relation « " + name + " » doit lier autant de colonnes de chaque côté.";
            return false;
        }
        return recordRelationship(pages, request, name, request.referencedColumns, error);
    }
    // A table related to itself (a column naming another row's key) has both sides.
    const bool self = referringPage == referencedPage;
    LoadedDefinition referring;
    LoadedDefinition second;  // the referenced table's, when it is another
    if (!loadDefinition(pages, referringPage, request.table, referring, error) ||
        (!self && !loadDefinition(pages, referencedPage, request.referenced, second, error)))
        return false;
    LoadedDefinition& referenced = self ? referring : second;
    const JetFileFormat& format = *referring.layout.format;
    const int codePage = fileTextSettings(pages).codePage;
    std::vector<std::string> referencedColumns = request.referencedColumns;
    const int referencedReal = referencedIndex(pages, referenced, referencedPage, referencedColumns, error);
    if (referencedReal < 0) {
        error = "La table « " + request.referenced + " » n'a pas d'index unique sur " +
                (request.referencedColumns.empty() ? std::string("une clé primaire") : listed(referencedColumns)) +
                " : la relation « " + name + " » ne peut pas être créée.";
        return false;
    }
    // The referring columns, of the referenced columns' types, one by one.
    JetNewIndex index{name, {}, false, false, false, false};
    if (request.columns.size() != referencedColumns.size()) {
        error = "La relation « " + name + " » doit lier autant de colonnes de chaque côté.";
        return false;
    }
    for (std::size_t i = 0; i < request.columns.size(); ++i) {
        const JetLayoutColumn* column = columnNamed(referring.layout, request.columns[i]);
        const JetLayoutColumn* other = columnNamed(referenced.layout, referencedColumns[i]);
        if (column == nullptr || other == nullptr || column->type != other->type) {
            error = "La colonne « " + request.columns[i] + " » de la table « " + request.table +
                    " » n'a pas le type de la colonne « " + referencedColumns[i] + " » de la table « " +
                    request.referenced + " » : la relation « " + name + " » ne peut pas être créée.";
            return false;
        }
        index.keys.emplace_back(static_cast<int>(positionOf(referring.layout, *column)), false);
    }
    if (std::any_of(referring.image.logicalIndexes.begin(), referring.image.logicalIndexes.end(), [&](const auto& existing) {
            return sql::equalIgnoringCase(nameText(existing.name, format, codePage), name);
        })) {
        error = "La table « " + request.table + " » a déjà un index ou une relation nommé « " + name + " ».";
        return false;
    }
    // The referenced side: an index naming the referring one, on its unique index.
    const auto referencedLogical = static_cast<std::uint32_t>(referenced.image.logicalIndexes.size());
    const auto referringLogical =
        self ? referencedLogical + 1 : static_cast<std::uint32_t>(referring.image.logicalIndexes.size());
    JetDefinitionImage::Named side{sideBlock(format, referencedLogical, static_cast<std::uint32_t>(referencedReal),
                                             kReferencedSide, referringLogical, referringPage, request),
                                   {}};
    if (!storedName(referencedSideName(referenced.image, codePage), format, codePage, side.name, error))
        return false;
    referenced.image.logicalIndexes.push_back(std::move(side));
    if (!self && !rewriteDefinition(pages, referencedPage, referenced.image.bytes(), error))
        return false;
    // The referring side: a stored index of its own on the referring columns.
    const auto referringReal = static_cast<std::uint32_t>(referring.image.realIndexes.size());
    if (!addStoredIndex(pages, referringPage, referring, index,
                        sideBlock(format, referringLogical, referringReal, kReferringSide, referencedLogical,
                                  referencedPage, request),
                        name, codePage, error))
        return false;
    if (!rewriteDefinition(pages, referringPage, referring.image.bytes(), error) ||
        !recordRelationship(pages, request, name, referencedColumns, error))
        return false;
    // The rows already there enter the new index, each checked against the referenced rows.
    JetTableWriter writer;
    return JetTableWriter::open(pages, referringPage, request.table, writer, error, related) &&
           writer.indexRows(referringReal, error);
}

}  // namespace kervane::jet
