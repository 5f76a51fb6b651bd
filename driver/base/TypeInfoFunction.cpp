#include "driver/base/TypeInfoFunction.h"

#include "driver/sql/functions/FunctionSupport.h"
#include "driver/values/AccessTypes.h"

#include <string_view>

namespace kervane::odbc {
namespace {

void typeInfo(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const auto* declared = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const ColumnType type = typeFromDeclared(declared ? std::string_view(declared) : std::string_view());
    const bool odbc3 = sqlite3_value_int(arguments[2]) != 0;
    const SQLSMALLINT code = sqlTypeFor(type, odbc3);
    const bool numeric = numericRadix(type) != 0;
    switch (static_cast<TypeField>(sqlite3_value_int(arguments[1]))) {
    case TypeField::DataType:
        sqlite3_result_int(context, code);
        break;
    case TypeField::TypeName:
        sqlite3_result_text(context, type.typeName.data(), static_cast<int>(type.typeName.size()), SQLITE_STATIC);
        break;
    case TypeField::Precision:
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(type.precision));
        break;
    case TypeField::Length:
        sqlite3_result_int64(context, octetLength(type));
        break;
    case TypeField::Scale:
        if (numeric)
            sqlite3_result_int(context, type.scale);
        else
            sqlite3_result_null(context);
        break;
    case TypeField::Radix:
        if (numeric)
            sqlite3_result_int(context, numericRadix(type));
        else
            sqlite3_result_null(context);
        break;
    case TypeField::SqlDataType:
        sqlite3_result_int(context, type.sqlType == SQL_TIMESTAMP && odbc3 ? SQL_DATETIME : code);
        break;
    case TypeField::DateTimeSub:
        if (type.sqlType == SQL_TIMESTAMP)
            sqlite3_result_int(context, SQL_CODE_TIMESTAMP);
        else
            sqlite3_result_null(context);
        break;
    case TypeField::CharOctetLength:
        if (isCharacterType(type.sqlType) || type.sqlType == SQL_LONGVARBINARY)
            sqlite3_result_int64(context, static_cast<sqlite3_int64>(type.precision));
        else
            sqlite3_result_null(context);
        break;
    default:
        sqlite3_result_null(context);
    }
}

}  // namespace

void registerTypeInfoFunction(sqlite3* db)
{
    sqlite3_create_function_v2(db, "kervane_type_info", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sql::GuardedFunction<typeInfo>::call,
                               nullptr, nullptr, nullptr);
}

}  // namespace kervane::odbc
