#include "driver/catalogue/TypeInfoCatalogue.h"

#include "driver/catalogue/CatalogueRows.h"
#include "driver/values/AccessTypes.h"

#include <algorithm>
#include <array>

namespace kervane::odbc {
namespace {

const CatalogueColumn TYPE_COLUMNS[] = {
    {"TYPE_NAME", nullptr, SQL_VARCHAR},        {"DATA_TYPE", nullptr, SQL_SMALLINT},
    {"COLUMN_SIZE", "PRECISION", SQL_INTEGER},  {"LITERAL_PREFIX", nullptr, SQL_VARCHAR},
    {"LITERAL_SUFFIX", nullptr, SQL_VARCHAR},   {"CREATE_PARAMS", nullptr, SQL_VARCHAR},
    {"NULLABLE", nullptr, SQL_SMALLINT},        {"CASE_SENSITIVE", nullptr, SQL_SMALLINT},
    {"SEARCHABLE", nullptr, SQL_SMALLINT},      {"UNSIGNED_ATTRIBUTE", nullptr, SQL_SMALLINT},
    {"FIXED_PREC_SCALE", "MONEY", SQL_SMALLINT}, {"AUTO_UNIQUE_VALUE", "AUTO_INCREMENT", SQL_SMALLINT},
    {"LOCAL_TYPE_NAME", nullptr, SQL_VARCHAR},  {"MINIMUM_SCALE", nullptr, SQL_SMALLINT},
    {"MAXIMUM_SCALE", nullptr, SQL_SMALLINT},   {"SQL_DATA_TYPE", nullptr, SQL_SMALLINT},
    {"SQL_DATETIME_SUB", nullptr, SQL_SMALLINT}, {"NUM_PREC_RADIX", nullptr, SQL_INTEGER},
    {"INTERVAL_PRECISION", nullptr, SQL_SMALLINT},
};

enum class TypeFamily { Text, Number, Other };

// One type as a client sees it; within one SQL type the first listed is the closest.
struct AccessTypeRow {
    const char* name;
    SQLSMALLINT sqlType;  // ODBC 2 code for dates
    long long size;
    const char* prefix;
    const char* suffix;
    const char* createParams;
    bool nullable;
    SQLSMALLINT searchable;
    TypeFamily kind;
    bool isUnsigned;
    bool fixedScale;
    bool autoUnique;
    int minScale;
    int maxScale;
};

// The names are those the driver reports as TYPE_NAME in SQLColumns and accepts in CREATE
// TABLE; sizes are the precisions it reports for columns of the type.
constexpr std::array<AccessTypeRow, 14> TYPES = {{
    {"GUID", SQL_GUID, 38, nullptr, nullptr, nullptr, true, SQL_PRED_BASIC, TypeFamily::Other, false, false, false, 0, 0},
    {"BIT", SQL_BIT, 1, nullptr, nullptr, nullptr, false, SQL_PRED_BASIC, TypeFamily::Other, false, false, false, 0, 0},
    {"BYTE", SQL_TINYINT, 3, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, true, false, false, 0, 0},
    {"LONGBINARY", SQL_LONGVARBINARY, LONG_COLUMN_SIZE, nullptr, nullptr, nullptr, true, SQL_PRED_NONE, TypeFamily::Other, false,
     false, false, 0, 0},
    {"LONGCHAR", SQL_LONGVARCHAR, LONG_COLUMN_SIZE, "'", "'", nullptr, true, SQL_LIKE_ONLY, TypeFamily::Text, false, false, false,
     0, 0},
    {"DECIMAL", SQL_NUMERIC, 28, nullptr, nullptr, "precision,scale", true, SQL_SEARCHABLE, TypeFamily::Number, false,
     false, false, 0, 28},
    {"CURRENCY", SQL_NUMERIC, 19, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, false, true, false,
     4, 4},
    {"INTEGER", SQL_INTEGER, 10, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, false, false, false,
     0, 0},
    {"COUNTER", SQL_INTEGER, 10, nullptr, nullptr, nullptr, false, SQL_SEARCHABLE, TypeFamily::Number, false, false, true,
     0, 0},
    {"SMALLINT", SQL_SMALLINT, 5, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, false, false, false,
     0, 0},
    {"REAL", SQL_REAL, 7, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, false, false, false, 0, 0},
    {"DOUBLE", SQL_DOUBLE, 15, nullptr, nullptr, nullptr, true, SQL_SEARCHABLE, TypeFamily::Number, false, false, false,
     0, 0},
    {"VARCHAR", SQL_VARCHAR, 255, "'", "'", "max length", true, SQL_SEARCHABLE, TypeFamily::Text, false, false, false, 0,
     0},
    {"DATETIME", SQL_TIMESTAMP, 19, "#", "#", nullptr, true, SQL_SEARCHABLE, TypeFamily::Other, false, false, false, 0, 0},
}};

CatalogueValue text(const char* value)
{
    return value ? CatalogueValue{std::string(value)} : CatalogueValue{};
}

CatalogueValue flag(bool applies, bool value)
{
    return applies ? CatalogueValue{value ? 1LL : 0LL} : CatalogueValue{};
}

CatalogueRow rowFor(const AccessTypeRow& type, bool odbc3)
{
    const bool date = type.sqlType == SQL_TIMESTAMP;
    const bool number = type.kind == TypeFamily::Number;
    const long long code = date && odbc3 ? SQL_TYPE_TIMESTAMP : type.sqlType;
    const bool scaled = number || date;
    return CatalogueRow{
        std::string(type.name),
        code,
        type.size,
        text(type.prefix),
        text(type.suffix),
        text(type.createParams),
        type.nullable ? 1LL : 0LL,
        0LL,  // no type compares case-sensitively: texts compare without regard to case
        static_cast<long long>(type.searchable),
        flag(number, type.isUnsigned),
        flag(true, type.fixedScale),
        flag(number, type.autoUnique),
        CatalogueValue{},
        scaled ? CatalogueValue{static_cast<long long>(type.minScale)} : CatalogueValue{},
        scaled ? CatalogueValue{static_cast<long long>(type.maxScale)} : CatalogueValue{},
        date && odbc3 ? static_cast<long long>(SQL_DATETIME) : code,
        date ? CatalogueValue{static_cast<long long>(SQL_CODE_TIMESTAMP)} : CatalogueValue{},
        number ? CatalogueValue{10LL} : CatalogueValue{},
        CatalogueValue{},
    };
}

bool wanted(const AccessTypeRow& type, SQLSMALLINT dataType)
{
    if (dataType == SQL_ALL_TYPES)
        return true;
    if (type.sqlType == SQL_TIMESTAMP)
        return dataType == SQL_TIMESTAMP || dataType == SQL_TYPE_TIMESTAMP;
    return type.sqlType == dataType;
}

}  // namespace

void listTypeInfo(Statement& statement, SQLSMALLINT dataType)
{
    const bool odbc3 = statement.isOdbc3();
    std::vector<const AccessTypeRow*> chosen;
    for (const AccessTypeRow& type : TYPES)
        if (wanted(type, dataType))
            chosen.push_back(&type);
    // The list keeps the closest type first within one code; the date code depends on the version.
    std::stable_sort(chosen.begin(), chosen.end(), [odbc3](const AccessTypeRow* a, const AccessTypeRow* b) {
        const auto code = [odbc3](const AccessTypeRow* t) {
            return t->sqlType == SQL_TIMESTAMP && odbc3 ? SQL_TYPE_TIMESTAMP : t->sqlType;
        };
        return code(a) < code(b);
    });
    std::vector<CatalogueRow> rows;
    for (const AccessTypeRow* type : chosen)
        rows.push_back(rowFor(*type, odbc3));
    showRows(statement, TYPE_COLUMNS, rows);
}

}  // namespace kervane::odbc
