#pragma once
// Statement parameters as the application binds them, the arrays of parameter sets, and where
// an execution stands while it waits for data given at execution time.
#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kervane::odbc {

// One SQLBindParameter.
struct ParameterBinding {
    bool bound = false;
    SQLSMALLINT cType = SQL_C_DEFAULT;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLULEN columnSize = 0;
    SQLSMALLINT digits = 0;
    SQLPOINTER value = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* indicator = nullptr;
};

// The parameter-array statement attributes.
struct ParameterArrays {
    SQLULEN size = 1;
    SQLULEN bindType = SQL_PARAM_BIND_BY_COLUMN;  // or the size of one row's structure
    SQLULEN* processed = nullptr;
    SQLUSMALLINT* status = nullptr;
    SQLUSMALLINT* operation = nullptr;
    SQLULEN* bindOffset = nullptr;
};

// Where one parameter of one set lies in the application's memory.
struct ParameterCell {
    const void* value = nullptr;
    const SQLLEN* indicator = nullptr;
};

// The C type a parameter is read as: its own, or for SQL_C_DEFAULT the one its SQL type implies.
SQLSMALLINT effectiveCType(const ParameterBinding& binding);
// The column declaration a parameter's SQL type stands for ("DATETIME", "DECIMAL(4, 2)"…), as
// Access types a parameter shown in a result column; empty for a type Access has no column of.
std::string declarationForBinding(const ParameterBinding& binding);
// Bytes of one value of a fixed-size C type; 0 for texts and binaries.
std::size_t fixedSize(SQLSMALLINT cType);
// Whether the C type is one the driver converts.
bool isKnownCType(SQLSMALLINT cType);
ParameterCell cellOf(const ParameterBinding& binding, const ParameterArrays& arrays, SQLULEN set);
// SQL_DATA_AT_EXEC or SQL_LEN_DATA_AT_EXEC(n) in the length/indicator.
bool isDataAtExec(const SQLLEN* indicator);

// An execution waiting for data at execution time (SQLParamData, SQLPutData).
struct ParameterRun {
    bool needsData = false;   // SQL_NEED_DATA was returned and the set has not run yet
    SQLULEN set = 0;          // the set being executed
    std::vector<int> pending; // parameters of this set given at execution time, by number
    std::size_t next = 0;     // the next of them SQLParamData asks for
    int putting = 0;          // the parameter SQLPutData adds to; 0 for none
    std::map<int, std::string> pieces;  // what SQLPutData gave, raw bytes, by parameter
    std::set<int> nulls;                // parameters given as SQL_NULL_DATA
    SQLLEN changes = 0;       // rows changed by the sets already run
};

}  // namespace kervane::odbc
