#include "driver/handles/GetData.h"

#include "driver/semantics/UtfCoding.h"
#include "driver/values/FixedConversion.h"
#include "driver/values/UnicodeText.h"
#include "driver/values/ValueText.h"

#include <cstddef>
#include <cstring>

namespace kervane::odbc {
namespace {

SQLSMALLINT defaultCType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_INTEGER:
        return SQL_C_SLONG;
    case SQL_SMALLINT:
        return SQL_C_SSHORT;
    case SQL_TINYINT:
        return SQL_C_STINYINT;
    case SQL_REAL:
        return SQL_C_FLOAT;
    case SQL_DOUBLE:
        return SQL_C_DOUBLE;
    case SQL_BIGINT:
        return SQL_C_SBIGINT;
    case SQL_TIMESTAMP:
        return SQL_C_TIMESTAMP;
    case SQL_BIT:
        return SQL_C_BIT;
    case SQL_LONGVARBINARY:
    case SQL_BINARY:
        return SQL_C_BINARY;
    default:
        return SQL_C_CHAR;
    }
}

// Largest piece that fits in room bytes without cutting a UTF-8 sequence in two.
std::size_t utf8Piece(std::string_view rest, std::size_t room)
{
    std::size_t n = room;
    while (n > 0 && sql::isUtf8Continuation(static_cast<unsigned char>(rest[n])))
        --n;
    return n == 0 ? room : n;
}

SQLRETURN putPiece(PieceState& piece, bool terminate, SQLPOINTER target, SQLLEN bufferLength, SQLLEN* indicator,
                   Diagnostics& diagnostics)
{
    const std::string_view rest = piece.value.substr(piece.offset);
    if (indicator != nullptr)
        *indicator = static_cast<SQLLEN>(rest.size());
    const SQLLEN room = terminate ? bufferLength - 1 : bufferLength;
    if (target == nullptr || room < 0 || (room == 0 && !rest.empty()))
        return diagnostics.add("01004", "Données tronquées.");
    auto* out = static_cast<char*>(target);
    if (rest.size() <= static_cast<std::size_t>(room)) {
        std::memcpy(out, rest.data(), rest.size());
        if (terminate)
            out[rest.size()] = '\0';
        piece.finished = true;
        return SQL_SUCCESS;
    }
    const std::size_t n = terminate ? utf8Piece(rest, static_cast<std::size_t>(room)) : static_cast<std::size_t>(room);
    std::memcpy(out, rest.data(), n);
    if (terminate)
        out[n] = '\0';
    piece.offset += n;
    return diagnostics.add("01004", "Données tronquées.");
}

// SQL_C_WCHAR: the value in UTF-16 code units, ended by a 0 unit, never cut between the two
// units of a surrogate pair.
SQLRETURN putWidePiece(PieceState& piece, SQLPOINTER target, SQLLEN bufferLength, SQLLEN* indicator,
                       Diagnostics& diagnostics)
{
    constexpr std::size_t unit = sizeof(SQLWCHAR);
    const std::string_view rest = piece.value.substr(piece.offset);
    if (indicator != nullptr)
        *indicator = static_cast<SQLLEN>(rest.size());
    const SQLLEN usable = bufferLength - static_cast<SQLLEN>(unit);
    if (target == nullptr || usable < 0)
        return diagnostics.add("01004", "Données tronquées.");
    auto* out = static_cast<char*>(target);
    std::size_t n = std::min(rest.size(), static_cast<std::size_t>(usable) / unit * unit);
    if (n < rest.size() && n >= unit) {
        SQLWCHAR last = 0;
        std::memcpy(&last, rest.data() + n - unit, unit);
        if (sql::isHighSurrogate(last))
            n -= unit;
    }
    std::memcpy(out, rest.data(), n);
    std::memset(out + n, 0, unit);
    piece.offset += n;
    if (piece.offset == piece.value.size()) {
        piece.finished = true;
        return SQL_SUCCESS;
    }
    return diagnostics.add("01004", "Données tronquées.");
}

// Loads the value of the column the first time it is read on this row.
void startPiece(Statement& statement, int column, const ColumnInfo& info, bool raw, bool wide)
{
    PieceState& piece = statement.piece();
    piece = PieceState{};
    piece.column = column;
    sqlite3_stmt* sqlite = statement.sqlite();
    const int index = column - 1;
    if (raw && sqlite3_column_type(sqlite, index) == SQLITE_BLOB) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(sqlite, index));
        piece.value = std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(sqlite, index)));
        return;
    }
    const ValueText text = valueText(sqlite, index, info.type, statement.scratch());
    piece.isNull = text.isNull;
    piece.value = text.text;
    if (wide && !text.isNull) {
        const std::u16string units = utf16FromUtf8(text.text);
        std::string& bytes = statement.wideScratch();
        bytes.assign(reinterpret_cast<const char*>(units.data()), units.size() * sizeof(char16_t));
        piece.value = bytes;
    }
}

SQLRETURN nullValue(PieceState& piece, SQLLEN* indicator)
{
    piece.finished = true;
    if (indicator == nullptr)
        throw OdbcError{"22002", "La valeur est NULL mais aucun indicateur n'a été fourni.", 0};
    *indicator = SQL_NULL_DATA;
    return SQL_SUCCESS;
}

}  // namespace

SQLSMALLINT resolvedCType(SQLSMALLINT cType, const ColumnInfo& column)
{
    return cType == SQL_C_DEFAULT ? defaultCType(column.type.sqlType) : cType;
}

SQLRETURN getData(Statement& statement, int column, SQLSMALLINT cType, SQLPOINTER target, SQLLEN bufferLength,
                  SQLLEN* indicator)
{
    if (!statement.onRow())
        throw OdbcError{"24000", "Aucune ligne courante : appelez SQLFetch d'abord.", 0};
    const ColumnInfo& info = statement.column(column);
    return giveValue(statement, column, info, resolvedCType(cType, info), target, bufferLength, indicator);
}

SQLRETURN giveValue(Statement& statement, int column, const ColumnInfo& info, SQLSMALLINT cType, SQLPOINTER target,
                    SQLLEN bufferLength, SQLLEN* indicator)
{
    PieceState& piece = statement.piece();
    const bool text = cType == SQL_C_CHAR;
    const bool binary = cType == SQL_C_BINARY;
    const bool wide = cType == SQL_C_WCHAR;
    if (piece.column == column && piece.finished)
        return SQL_NO_DATA;
    if (!text && !binary && !wide) {
        // A fixed-size value is read straight from the row, in one piece.
        piece = PieceState{};
        piece.column = column;
        piece.finished = true;
        return convertFixed(statement.sqlite(), column - 1, cType, target, indicator, statement.diagnostics());
    }
    if (piece.column != column)
        startPiece(statement, column, info, binary, wide);
    if (piece.isNull)
        return nullValue(piece, indicator);
    if (wide)
        return putWidePiece(piece, target, bufferLength, indicator, statement.diagnostics());
    return putPiece(piece, text, target, bufferLength, indicator, statement.diagnostics());
}

SQLRETURN giveLength(Statement& statement, int column, const ColumnInfo& info, SQLSMALLINT cType, SQLLEN* indicator)
{
    if (cType != SQL_C_CHAR && cType != SQL_C_BINARY && cType != SQL_C_WCHAR) {
        // Converted all the same, so that a value that cannot be given fails as it would.
        alignas(std::max_align_t) unsigned char discarded[64];
        return giveValue(statement, column, info, cType, discarded, sizeof discarded, indicator);
    }
    startPiece(statement, column, info, cType == SQL_C_BINARY, cType == SQL_C_WCHAR);
    const PieceState& piece = statement.piece();
    *indicator = piece.isNull ? SQL_NULL_DATA : static_cast<SQLLEN>(piece.value.size());
    return SQL_SUCCESS;
}

}  // namespace kervane::odbc
