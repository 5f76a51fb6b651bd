#pragma once
// Statements that change a base's structure, read into what they ask for: CREATE TABLE, DROP
// TABLE, ALTER TABLE (ADD/DROP/ALTER COLUMN, ADD/DROP CONSTRAINT), CREATE INDEX, DROP INDEX and
// ALTER DATABASE PASSWORD.
// A SQLite base runs them as SQLite statements; on an Access file the driver's own writer makes
// them from this reading, as Access would.
#include "driver/sql/SyntaxTree.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kervane::sql {

// A column's type as Access SQL names it, its synonyms folded (VARCHAR → Text, LONGTEXT → Memo,
// INTEGER → Long, REAL → Single, FLOAT → Double, MONEY → Currency, BIT → YesNo, AUTOINCREMENT →
// Counter, …).
struct ColumnType {
    enum class Kind {
        Text, Memo, Byte, Integer, Long, Single, Double, Currency, DateTime, YesNo, Counter, Guid,
        LongBinary, Binary, Decimal,
        BigInt,     // Large Number (Access 2016 and later)
        DateTime2,  // Date/Time Extended (Access 2019 and later)
    };
    Kind kind = Kind::Text;
    int size = 0;          // Text: characters, Binary: bytes; 1 to 255, 255 when not given
    int precision = 18;    // Decimal
    int scale = 0;
    std::int32_t seed = 1;       // Counter(seed, increment)
    std::int32_t increment = 1;
};

struct KeyColumn {
    std::string name;
    bool descending = false;
};

// REFERENCES t [(c, …)] [ON UPDATE CASCADE] [ON DELETE CASCADE | ON DELETE SET NULL]
struct References {
    std::string table;
    std::vector<std::string> columns;  // empty: the referenced table's primary key
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
    bool setNullOnDelete = false;
};

// A table constraint, or a column constraint turned into one (its columns then that column).
struct Constraint {
    enum class Kind { PrimaryKey, Unique, ForeignKey } kind = Kind::PrimaryKey;
    std::string name;  // CONSTRAINT name; empty when the statement gave none
    std::vector<KeyColumn> columns;
    References references;  // ForeignKey
};

struct ColumnDefinition {
    std::string name;
    ColumnType type;
    bool notNull = false;
    // DEFAULT's value as Access SQL text ("0", "'abc'", "Now()"), as written.
    std::optional<std::string> defaultValue;
};

struct IndexDefinition {
    std::string name;
    std::string table;
    std::vector<KeyColumn> columns;
    bool unique = false;
    bool primary = false;       // WITH PRIMARY
    bool disallowNull = false;  // WITH DISALLOW NULL
    bool ignoreNull = false;    // WITH IGNORE NULL
};

struct Definition {
    enum class Kind {
        CreateTable, DropTable, AddColumn, DropColumn, AlterColumn, AddConstraint, DropConstraint,
        CreateIndex, DropIndex,
        DatabasePassword,  // ALTER DATABASE PASSWORD new old
    };
    Kind kind = Kind::CreateTable;
    std::string table;
    // CreateTable: every column; AddColumn and AlterColumn: the one column.
    std::vector<ColumnDefinition> columns;
    // CreateTable: the table's constraints and its columns' (PRIMARY KEY, UNIQUE, REFERENCES
    // after a column), in the order written; AddColumn: the new column's; AddConstraint: the one.
    std::vector<Constraint> constraints;
    // DropColumn: the column; DropConstraint: the constraint; DropIndex: the index.
    std::string name;
    IndexDefinition index;  // CreateIndex
    // DatabasePassword: the new password and the one in force; none for NULL (no password).
    std::optional<std::string> password;
    std::optional<std::string> oldPassword;
};

// Reads a statement of definition from its tokens; std::nullopt when it is none of the kinds
// above (CREATE VIEW, CREATE PROCEDURE…, left to other readers). Throws SqlError (42000, a
// French message naming the token) on a malformed one, and on a name Access refuses.
std::optional<Definition> readDefinition(const std::vector<RawToken>& tokens);

// Access's rules for the name of a table, column, index or relationship: 1 to 64 characters,
// no leading space, no control character, none of . ! ` [ ]. Empty when `name` is allowed,
// otherwise a French message naming it and saying what breaks the rule; `what` says what the
// name is for ("la table", "la colonne", "l'index", "la relation").
std::string nameFault(std::string_view what, const std::string& name);

}  // namespace kervane::sql
