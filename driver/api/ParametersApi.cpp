// Statement parameters: binding them, describing them, and data given at execution time.
#include "driver/api/Entry.h"

#include <sqlext.h>

using namespace kervane::odbc;

namespace {

bool isKnownSqlType(SQLSMALLINT type)
{
    switch (type) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_LONGVARCHAR:
    case SQL_WCHAR: case SQL_WVARCHAR: case SQL_WLONGVARCHAR:
    case SQL_DECIMAL: case SQL_NUMERIC: case SQL_SMALLINT: case SQL_INTEGER: case SQL_REAL: case SQL_FLOAT:
    case SQL_DOUBLE: case SQL_BIT: case SQL_TINYINT: case SQL_BIGINT:
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
    case SQL_DATE: case SQL_TIME: case SQL_TIMESTAMP:
    case SQL_TYPE_DATE: case SQL_TYPE_TIME: case SQL_TYPE_TIMESTAMP:
    case SQL_GUID:
        return true;
    default:
        return false;
    }
}

SQLRETURN bindParameter(Statement& statement, SQLUSMALLINT number, SQLSMALLINT ioType, SQLSMALLINT cType,
                        SQLSMALLINT sqlType, SQLULEN columnSize, SQLSMALLINT digits, SQLPOINTER value,
                        SQLLEN bufferLength, SQLLEN* indicator)
{
    if (number < 1)
        throw OdbcError{"07009", "Le numéro de paramètre " + std::to_string(number) + " n'est pas valide.", 0};
    if (ioType != SQL_PARAM_INPUT)
        throw OdbcError{"HY105", "Seuls les paramètres d'entrée sont pris en charge.", 0};
    if (!isKnownCType(cType))
        throw OdbcError{"HY003", "Le type C " + std::to_string(cType) + " du paramètre " + std::to_string(number)
                                     + " est inconnu.",
                        0};
    if (!isKnownSqlType(sqlType))
        throw OdbcError{"HY004", "Le type SQL " + std::to_string(sqlType) + " du paramètre " + std::to_string(number)
                                     + " est inconnu.",
                        0};
    if (bufferLength < 0)
        throw OdbcError{"HY090", "Longueur de tampon invalide pour le paramètre " + std::to_string(number) + ".", 0};
    std::vector<ParameterBinding>& bindings = statement.parameterBindings();
    if (bindings.size() < number)
        bindings.resize(number);
    bindings[number - 1U] = ParameterBinding{true, cType, sqlType, columnSize, digits, value, bufferLength, indicator};
    return SQL_SUCCESS;
}

}  // namespace

extern "C" {

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                   SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue,
                                   SQLLEN cbValueMax, SQLLEN* pcbValue)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        return bindParameter(statement, ipar, fParamType, fCType, fSqlType, cbColDef, ibScale, rgbValue, cbValueMax,
                             pcbValue);
    });
}

SQLRETURN SQL_API SQLBindParam(SQLHSTMT StatementHandle, SQLUSMALLINT ParameterNumber, SQLSMALLINT ValueType,
                               SQLSMALLINT ParameterType, SQLULEN LengthPrecision, SQLSMALLINT ParameterScale,
                               SQLPOINTER ParameterValue, SQLLEN* StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) {
        return bindParameter(statement, ParameterNumber, SQL_PARAM_INPUT, ValueType, ParameterType, LengthPrecision,
                             ParameterScale, ParameterValue, 0, StrLen_or_Ind);
    });
}

// ODBC 2 forms: a parameter whose length comes from its indicator, and the size of a parameter array.
SQLRETURN SQL_API SQLSetParam(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT fCType, SQLSMALLINT fSqlType,
                              SQLULEN cbParamDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue, SQLLEN* pcbValue)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) {
        // ODBC 2 gives no buffer length here (SQL_SETPARAM_VALUE_MAX): the value's length comes from
        // pcbValue, as for SQLBindParam.
        return bindParameter(statement, ipar, SQL_PARAM_INPUT, fCType, fSqlType, cbParamDef, ibScale, rgbValue, 0,
                             pcbValue);
    });
}

SQLRETURN SQL_API SQLParamOptions(SQLHSTMT hstmt, SQLULEN crow, SQLULEN* pirow)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        if (crow == 0)
            throw OdbcError{"HY107", "La taille d'un tableau de paramètres ne peut être nulle.", 0};
        statement.parameterArrays.size = crow;
        statement.parameterArrays.processed = pirow;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT hstmt, SQLSMALLINT* pcpar)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        if (!statement.isPrepared() && statement.parameterCount() == 0)
            throw OdbcError{"HY010", "Aucune instruction n'a été préparée.", 0};
        if (pcpar != nullptr)
            *pcpar = static_cast<SQLSMALLINT>(statement.parameterCount());
        return SQL_SUCCESS;
    });
}

// The type of the column the parameter is compared with or stored into; a text otherwise.
SQLRETURN SQL_API SQLDescribeParam(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT* pfSqlType, SQLULEN* pcbParamDef,
                                   SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable)
{
    return guarded<Statement>(hstmt, [&](Statement& statement) -> SQLRETURN {
        const kervane::sql::ParameterUse& use = statement.parameterUse(ipar);
        ColumnType type;
        if (!use.declared.empty())
            type = typeFromDeclared(use.declared);
        else if (use.type != kervane::sql::AccessType::Unknown)
            type = typeFromDeclared(kervane::sql::declarationFor(use.type));
        if (pfSqlType != nullptr)
            *pfSqlType = sqlTypeFor(type, statement.isOdbc3());
        if (pcbParamDef != nullptr)
            *pcbParamDef = type.precision;
        if (pibScale != nullptr)
            *pibScale = type.scale;
        if (pfNullable != nullptr)
            *pfNullable = SQL_NULLABLE_UNKNOWN;
        return SQL_SUCCESS;
    });
}

SQLRETURN SQL_API SQLParamData(SQLHSTMT StatementHandle, SQLPOINTER* Value)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) { return statement.paramData(Value); });
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT StatementHandle, SQLPOINTER Data, SQLLEN StrLen_or_Ind)
{
    return guarded<Statement>(StatementHandle, [&](Statement& statement) -> SQLRETURN {
        statement.putData(Data, StrLen_or_Ind);
        return SQL_SUCCESS;
    });
}

}  // extern "C"
