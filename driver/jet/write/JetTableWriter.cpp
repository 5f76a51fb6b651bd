#include "driver/jet/write/JetTableWriter.h"

#include "driver/jet/format/JetByteOrder.h"
#include "driver/jet/format/JetDataPage.h"
#include "driver/jet/format/JetPages.h"
#include "driver/jet/format/JetRowChecks.h"
#include "driver/jet/format/JetUsageMap.h"
#include "driver/jet/index/JetTableIndexes.h"
#include "driver/jet/rows/JetRowReading.h"
#include "driver/jet/rows/JetRowWalk.h"
#include "driver/jet/write/JetLongValueStore.h"

#include <algorithm>
#include <cstring>

namespace kervane::jet {

namespace {

constexpr unsigned char kSystemTable = 0x53;


bool replicated(const JetLayoutColumn& column)
{
    return column.replication() || column.name == "s_GUID" || column.name == "s_Lineage" ||
           column.name == "s_Generation";
}

}  // namespace

// A row as an update or a delete finds it: its header slot (where scans see it) and the slot
// that holds its data, the same unless the row was moved.
struct JetTableWriter::Located {
    JetRowId header;
    JetRowId home;
    datapage::Slot headerSlot;
    datapage::Slot homeSlot;
    std::vector<unsigned char> bytes;  // the row's data
};

bool JetTableWriter::open(JetPages& pages, std::uint32_t definitionPage, const std::string& name,
                          JetTableWriter& writer, std::string& error, JetRelatedRows* related, bool catalogue)
{
    if (!checkWritableFile(pages, error) || !readTableLayout(pages, definitionPage, writer.m_layout, error))
        return false;
    writer.m_pages = &pages;
    writer.m_name = name;
    writer.m_related = related;
    const JetTableLayout& layout = writer.m_layout;
    if (layout.tableType == kSystemTable && !catalogue) {
        error = "La table système " + writer.tableName() + " ne peut pas être modifiée.";
        return false;
    }
    if (!catalogue && std::any_of(layout.columns.begin(), layout.columns.end(), replicated)) {
        error = "La table " + writer.tableName() + " appartient à une base répliquée, qui ne peut pas être modifiée ici.";
        return false;
    }
    const bool indexed = layout.indexCount > 0 || layout.logicalIndexCount > 0;
    if (!checkTableMaps(pages, layout, name, error) ||
        (indexed && !JetTableIndexes::open(pages, layout, name, writer.m_indexes, error)))
        return false;
    return writer.m_indexes.setRelatedRows(related, error);
}

bool JetTableWriter::locate(JetRowId where, Located& row, std::string& error)
{
    const std::string gone = "La ligne " + std::to_string(where.page) + ":" + std::to_string(where.row) +
                             " de la table " + tableName() + " n'existe pas ou plus.";
    const unsigned char* page = m_pages->read(where.page);
    if (page == nullptr || !datapage::isDataPageOf(page, m_layout.definitionPage) ||
        !datapage::slot(page, where.row, row.headerSlot, format()) || row.headerSlot.deleted) {
        error = gone;
        return false;
    }
    row.header = where;
    row.home = where;
    row.homeSlot = row.headerSlot;
    if (!followMovedRow(*m_pages, m_layout, row.home, row.homeSlot)) {
        error = gone;
        return false;
    }
    page = m_pages->read(row.home.page);
    row.bytes.assign(page + row.homeSlot.start, page + row.homeSlot.end);
    return true;
}

bool JetTableWriter::rowBytes(JetRowId where, std::vector<unsigned char>& bytes)
{
    Located row;
    std::string gone;
    if (!locate(where, row, gone))
        return false;
    bytes = std::move(row.bytes);
    return true;
}

bool JetTableWriter::storedRow(JetRowId where, std::vector<JetFieldValue>& values)
{
    std::vector<unsigned char> bytes;
    return rowBytes(where, bytes) && storedValues(m_layout, bytes, values);
}

bool JetTableWriter::planLongValues(JetLongValueStore& longValues, const std::vector<JetFieldValue>& values,
                                    OutsideValues& outside,
                                    std::vector<std::vector<unsigned char>>& data, std::uint32_t& appends,
                                    std::string& error)
{
    data.assign(values.size(), {});
    for (std::size_t c = 0; c < values.size(); ++c) {
        const JetLayoutColumn& column = m_layout.columns[c];
        if (!storesLongValues(column) || values[c].kind == JetFieldValue::Kind::Null ||
            values[c].kind == JetFieldValue::Kind::Stored)
            continue;
        if (!longValueData(column, values[c], data[c], error))
            return false;
        if (data[c].size() <= static_cast<std::size_t>(kMaxInlineLongValue))
            continue;
        if (data[c].size() > static_cast<std::size_t>(kMaxLongValue)) {
            error = "L'écriture dans la colonne « " + column.name + " » d'une valeur de plus de " +
                    std::to_string(kMaxLongValue) + " octets n'est pas possible.";
            return false;
        }
        if (!longValues.plan(column, data[c].size(), appends, error))
            return false;
        outside[c] = 0;  // where it goes is known once stored
    }
    return true;
}

bool JetTableWriter::storeLongValues(JetLongValueStore& longValues, OutsideValues& outside,
                                     const std::vector<std::vector<unsigned char>>& data)
{
    for (auto& [column, pointer] : outside)
        if ((pointer = longValues.store(m_layout.columns[column], data[column])) == 0)
            return false;
    return true;
}

bool JetTableWriter::keepAutoNumbers(const Located& row, std::vector<JetFieldValue>& values, std::string& error)
{
    for (std::size_t c = 0; c < m_layout.columns.size(); ++c) {
        const JetLayoutColumn& column = m_layout.columns[c];
        if (!column.autoNumber())
            continue;
        std::int32_t old = 0;
        const bool present = fixedLong(row.bytes, column, old, format());
        if (values[c].kind == JetFieldValue::Kind::Null && present) {
            values[c] = JetFieldValue::of(std::int64_t{old});
        } else if (!(values[c].kind == JetFieldValue::Kind::Number && present && values[c].number == old)) {
            error = "La colonne NuméroAuto « " + column.name + " » ne peut pas être modifiée.";
            return false;
        }
    }
    return true;
}

bool JetTableWriter::giveAutoNumbers(std::vector<JetFieldValue>& values, std::uint32_t& counter, std::string& error)
{
    counter = m_layout.lastAutoNumber;
    for (std::size_t c = 0; c < m_layout.columns.size(); ++c) {
        if (!m_layout.columns[c].autoNumber())
            continue;
        if (values[c].kind == JetFieldValue::Kind::Null) {
            if (counter >= 0x7fffffffu) {
                error = "Le compteur NuméroAuto de la table " + tableName() + " est épuisé.";
                return false;
            }
            if (counter < m_layout.rowCount) {  // set back: the next number may be a row's already
                error = "Le compteur NuméroAuto de la table " + tableName() +
                        " est inférieur à son nombre de lignes : la table est endommagée.";
                return false;
            }
            values[c] = JetFieldValue::of(static_cast<std::int64_t>(++counter));
        } else if (values[c].kind == JetFieldValue::Kind::Number && values[c].number > 0 &&
                   values[c].number <= 0x7fffffff) {
            counter = std::max(counter, static_cast<std::uint32_t>(values[c].number));
        } else {
            error = "La valeur donnée à la colonne NuméroAuto « " + m_layout.columns[c].name +
                    " » n'est pas un entier positif.";
            return false;
        }
    }
    return true;
}

bool JetTableWriter::placeFor(int size, std::uint32_t appends, std::uint32_t& page, bool& append,
                              std::vector<std::uint32_t>& full, std::string& error)
{
    JetUsageMap owned;
    JetUsageMap free;
    if (!JetUsageMap::open(*m_pages, m_layout.ownedPages, owned, error) ||
        !JetUsageMap::open(*m_pages, m_layout.freeSpacePages, free, error))
        return false;
    // The table's pages with room, the last first, their deleted and moved rows' bytes counted:
    // those passed by are no longer listed with room once the change is made.
    const std::vector<std::uint32_t> pages = owned.pages();
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) {
        const unsigned char* bytes = m_pages->read(*it);
        if (!free.contains(*it) || bytes == nullptr || !datapage::isDataPageOf(bytes, m_layout.definitionPage))
            continue;
        if (datapage::fits(bytes, size, format())) {
            page = *it;
            append = false;
            return true;
        }
        full.push_back(*it);
    }
    append = true;
    // A page the file no longer uses is taken before one is added, as Access does.
    if ((page = reusablePage(*m_pages, {m_layout.ownedPages, m_layout.freeSpacePages})) != 0)
        return true;
    page = m_pages->pageCount() + appends;
    if (!mapsCover(*m_pages, m_layout.ownedPages, m_layout.freeSpacePages, page)) {
        error = "La carte des pages de la table " + tableName() +
                " ne peut pas encore recevoir une page de plus : la ligne n'a pas été écrite.";
        return false;
    }
    return true;
}

std::uint32_t JetTableWriter::firstIndexPage(std::uint32_t appends, bool append, std::uint32_t page) const
{
    return m_pages->pageCount() + appends + (append && page >= m_pages->pageCount() ? 1 : 0);
}

std::uint32_t JetTableWriter::newDataPage(std::uint32_t planned)
{
    const std::uint32_t page =
        planned < m_pages->pageCount()
            ? (takeMappedPage(*m_pages, {m_layout.ownedPages, m_layout.freeSpacePages}, planned) ? planned : 0)
            : appendOwnedPage(*m_pages, m_layout.ownedPages, m_layout.freeSpacePages);
    if (page != 0)
        datapage::initialise(m_pages->change(page), m_layout.definitionPage, format());
    return page;
}

void JetTableWriter::listWithRoom(const std::vector<std::uint32_t>& pages, bool room)
{
    JetUsageMap free;
    std::string unread;  // a map that cannot be read is left as it is
    if (!JetUsageMap::open(*m_pages, m_layout.freeSpacePages, free, unread))
        return;
    for (std::uint32_t page : pages)
        if (free.covers(page) && free.contains(page) != room)
            free.set(page, room);
}

bool JetTableWriter::noMorePages(std::string& error)
{
    m_indexes.discard();
    error = "La transaction ne peut pas recevoir de page de plus (la mémoire réservée à ses modifications est "
            "pleine) : la modification de la table " + tableName() + " n'a pas été faite.";
    return false;
}

void JetTableWriter::writeDefinition(std::uint32_t rowCount, std::uint32_t counter)
{
    unsigned char* definition = m_pages->change(m_layout.definitionPage);
    writeUInt32(definition, format().definitionRowCount, rowCount);
    writeUInt32(definition, format().definitionAutoNumber, counter);
    m_layout.rowCount = rowCount;
    m_layout.lastAutoNumber = counter;
}

bool JetTableWriter::prepareMaps(const std::vector<JetFieldValue>& values, std::string& error)
{
    // Room for a data page, index pages splitting on every level, and the long values' pages.
    std::size_t bytes = 0;
    for (const JetFieldValue& value : values)
        bytes += value.text.size() + value.bytes.size();
    const std::uint32_t pagesAdded = 64 + static_cast<std::uint32_t>(bytes / (m_pages->pageSize() / 2));
    std::vector<JetRowId> maps = m_indexes.pageMaps();
    maps.push_back(m_layout.ownedPages);
    maps.push_back(m_layout.freeSpacePages);
    for (const auto& column : m_layout.columns) {
        if (column.hasLongValueMaps) {
            maps.push_back(JetRowId::fromPointer(column.longValueOwned));
            maps.push_back(JetRowId::fromPointer(column.longValueFree));
        }
    }
    return jet::prepareMaps(*m_pages, maps, m_pages->pageCount() + pagesAdded, error);
}

bool JetTableWriter::calculationsKnown(std::string& error) const
{
    for (const JetLayoutColumn& column : m_layout.columns)
        if (column.calculated() && !column.resultType) {
            error = "La colonne « " + column.name + " » de la table " + tableName() +
                    " est calculée par Access : la modification de cette table n'est pas encore possible ici.";
            return false;
        }
    return true;
}

bool JetTableWriter::requiredGiven(const std::vector<JetFieldValue>& values, std::string& error) const
{
    for (std::size_t c = 0; c < m_required.size() && c < values.size(); ++c) {
        const JetLayoutColumn& column = m_layout.columns[c];
        if (m_required[c] && values[c].kind == JetFieldValue::Kind::Null && column.type != JetType::Boolean &&
            !column.autoNumber()) {
            error = "La colonne « " + column.name + " » de la table " + tableName() +
                    " exige une valeur : elle ne peut pas rester vide (Null).";
            return false;
        }
    }
    return true;
}

bool JetTableWriter::insert(std::vector<JetFieldValue> values, JetRowId& where, std::string& error)
{
    std::uint32_t counter = 0;
    std::uint32_t complexCounter = 0;
    std::uint32_t appends = 0;
    OutsideValues outside;
    std::vector<std::vector<unsigned char>> longData;
    std::vector<unsigned char> row;
    std::uint32_t page = 0;
    bool append = false;
    std::vector<std::uint32_t> full;
    if (values.size() != m_layout.columns.size()) {
        error = "Le nombre de valeurs données ne correspond pas au nombre de colonnes de la table " + tableName() + ".";
        return false;
    }
    if (!requiredGiven(values, error) || !calculationsKnown(error) || !prepareMaps(values, error))
        return false;
    JetLongValueStore longValues(*m_pages);
    if (!giveAutoNumbers(values, counter, error) || !giveComplexKeys(values, complexCounter, error) ||
        !planLongValues(longValues, values, outside, longData, appends, error) ||
        !encodeRow(m_layout, values, 0, row, error, outside) ||
        !placeFor(static_cast<int>(row.size()), appends, page, append, full, error))
        return false;
    // The row's place is known before it is written: the indexes are planned with it.
    where = {page, append ? 0 : datapage::rowCount(m_pages->read(page), format())};
    std::uint32_t nextNewPage = firstIndexPage(appends, append, page);
    if (!m_indexes.planInsert(row, where, nextNewPage, error))
        return false;
    // Every check made: the pages change from here on. Only a new page can still be refused,
    // when the transaction's memory is full: the change then fails and is undone whole.
    if (!storeLongValues(longValues, outside, longData) || (append && (page = newDataPage(page)) == 0))
        return noMorePages(error);
    encodeRow(m_layout, values, 0, row, error, outside);
    where = {page, datapage::add(m_pages->change(page), row, 0, format())};
    listWithRoom(full, false);
    writeDefinition(m_layout.rowCount + 1, counter);
    writeComplexCounter(complexCounter);
    return indexesWritten(error);
}

bool JetTableWriter::indexRows(std::size_t realIndex, std::string& error)
{
    JetUsageMap owned;
    if (!JetUsageMap::open(*m_pages, m_layout.ownedPages, owned, error))
        return false;
    for (std::uint32_t page : owned.pages()) {
        const unsigned char* bytes = m_pages->read(page);
        if (bytes == nullptr || !datapage::isDataPageOf(bytes, m_layout.definitionPage))
            continue;
        const int rows = datapage::rowCount(bytes, format());
        for (int r = 0; r < rows; ++r) {
            // Moved rows are found through their header slot; the data they moved to is hidden.
            if (datapage::storedSlot(m_pages->read(page), r, format()).deleted)
                continue;
            Located row;
            if (!locate({page, r}, row, error) || !prepareMaps({}, error))
                return false;
            std::uint32_t nextNewPage = m_pages->pageCount();
            if (!m_indexes.planInsertInto(realIndex, row.bytes, {page, r}, nextNewPage, error) || !indexesWritten(error))
                return false;
        }
    }
    return true;
}

bool JetTableWriter::indexesWritten(std::string& error)
{
    if (m_indexes.apply())
        return true;
    error = "Les pages d'index de la table " + tableName() + " n'ont pas pu être placées comme prévu.";
    return false;
}

bool JetTableWriter::remove(JetRowId where, std::string& error)
{
    Located row;
    std::vector<JetRowId> longValues;
    JetLongValueStore store(*m_pages);
    if (!prepareMaps({}, error))
        return false;
    std::uint32_t nextNewPage = m_pages->pageCount();
    if (!locate(where, row, error) || !store.referenced(m_layout, row.bytes, longValues, error) ||
        !m_indexes.planRemove(row.bytes, where, nextNewPage, error))
        return false;
    std::vector<JetCascade> cascades = m_indexes.takeCascades();
    // As Access does, the header slot is marked both deleted and moved.
    datapage::flag(m_pages->change(where.page), where.row, kRowDeleted | kRowMoved, format());
    releaseMovedData(row);
    listWithRoom({row.header.page, row.home.page}, true);
    store.release(longValues);
    writeDefinition(m_layout.rowCount > 0 ? m_layout.rowCount - 1 : 0, m_layout.lastAutoNumber);
    return indexesWritten(error) && cascaded(std::move(cascades), row.bytes, {}, {}, error);
}

bool JetTableWriter::update(JetRowId where, std::vector<JetFieldValue> values, std::string& error)
{
    Located row;
    std::vector<JetRowId> oldLongValues;
    JetLongValueStore store(*m_pages);
    std::uint32_t appends = 0;
    OutsideValues outside;
    std::vector<std::vector<unsigned char>> longData;
    std::vector<unsigned char> bytes;
    if (values.size() != m_layout.columns.size()) {
        error = "Le nombre de valeurs données ne correspond pas au nombre de colonnes de la table " + tableName() + ".";
        return false;
    }
    if (!requiredGiven(values, error) || !calculationsKnown(error) || !prepareMaps(values, error))
        return false;
    JetTableLayout kept;
    if (!locate(where, row, error) ||
        !store.referenced(replacedLongValues(values, kept), row.bytes, oldLongValues, error) ||
        !keepAutoNumbers(row, values, error) || !keepComplexKeys(row.bytes, values, error) ||
        !planLongValues(store, values, outside, longData, appends, error) ||
        !encodeRow(m_layout, values, row.homeSlot.size(), bytes, error, outside))
        return false;
    // A row that grew stays on its page when the page has room for it, once laid again.
    const bool inPlace = static_cast<int>(bytes.size()) == row.homeSlot.size();
    const bool grownInPlace =
        !inPlace && datapage::canRewrite(m_pages->read(row.home.page), row.home.row, static_cast<int>(bytes.size()), format());
    const bool moves = !inPlace && !grownInPlace;
    std::uint32_t page = 0;
    bool append = false;
    std::vector<std::uint32_t> full;
    if (moves && row.headerSlot.size() < datapage::kPointerSize) {
        error = "La ligne modifiée ne tient plus à sa place et ne peut pas être déplacée.";
        return false;
    }
    if (moves && !placeFor(static_cast<int>(bytes.size()), appends, page, append, full, error))
        return false;
    std::uint32_t nextNewPage = firstIndexPage(appends, append, page);
    if (!m_indexes.planUpdate(row.bytes, bytes, where, nextNewPage, error))
        return false;
    std::vector<JetCascade> cascades = m_indexes.takeCascades();
    // Every check made: the pages change from here on (a new page refused as for insert).
    if (!storeLongValues(store, outside, longData) || (append && (page = newDataPage(page)) == 0))
        return noMorePages(error);
    encodeRow(m_layout, values, row.homeSlot.size(), bytes, error, outside);
    if (inPlace) {
        std::copy(bytes.begin(), bytes.end(), m_pages->change(row.home.page) + row.homeSlot.start);
    } else if (grownInPlace) {
        datapage::rewrite(m_pages->change(row.home.page), row.home.row, bytes, format());
    } else {
        moveRow(row, bytes, page);
        listWithRoom(full, false);
        listWithRoom({row.header.page, row.home.page}, true);
    }
    store.release(oldLongValues);
    return indexesWritten(error) && cascaded(std::move(cascades), row.bytes, bytes, values, error);
}

const JetTableLayout& JetTableWriter::replacedLongValues(const std::vector<JetFieldValue>& values,
                                                         JetTableLayout& kept) const
{
    const auto stored = [](const JetFieldValue& value) { return value.kind == JetFieldValue::Kind::Stored; };
    if (std::none_of(values.begin(), values.end(), stored))
        return m_layout;
    kept = m_layout;
    kept.columns.clear();
    for (std::size_t c = 0; c < m_layout.columns.size(); ++c)
        if (c >= values.size() || !stored(values[c]))
            kept.columns.push_back(m_layout.columns[c]);
    return kept;
}

// The row goes to `page`, flagged so that scans pass it by; its header slot keeps a pointer to it.
// The data of a row moved earlier, left behind when the row is deleted or moves again: marked
// moved as well as deleted, so that no reader takes it for a row of its own (libmdb shows a slot
// flagged deleted only, as it shows the data of a moved row).
void JetTableWriter::releaseMovedData(const Located& row)
{
    if (row.home.page == row.header.page && row.home.row == row.header.row)
        return;
    datapage::flag(m_pages->change(row.home.page), row.home.row, kRowDeleted | kRowMoved, format());
}

void JetTableWriter::moveRow(const Located& row, const std::vector<unsigned char>& bytes, std::uint32_t page)
{
    releaseMovedData(row);
    const int moved = datapage::add(m_pages->change(page), bytes, kRowDeleted, format());
    // Read again: laid again for the row, the header's page may have moved its slot.
    unsigned char* header = m_pages->change(row.header.page);
    datapage::Slot place;
    if (!datapage::slot(header, row.header.row, place, format()))
        place = row.headerSlot;
    unsigned char* pointer = header + place.start;
    std::memset(pointer, 0, static_cast<std::size_t>(place.size()));
    pointer[0] = static_cast<unsigned char>(moved);
    writeLittleEndian(pointer + 1, page, 3);
    datapage::flag(header, row.header.row, kRowMoved, format());
}

}  // namespace kervane::jet
