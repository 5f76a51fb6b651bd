// Reading of CREATE TABLE, CREATE INDEX, ALTER TABLE and DROP into a Definition.
#include "driver/sql/DefinitionReader.h"
#include "driver/sql/SchemaCatalogue.h"

namespace kervane::sql {
namespace definition {
namespace {

std::vector<KeyColumn> readKeyColumns(Reader& reader, bool ordered)
{
    std::vector<KeyColumn> columns;
    reader.expectSymbol("(");
    do {
        KeyColumn column;
        column.name = reader.name("la colonne");
        if (ordered && !reader.acceptWord("ASC"))
            column.descending = reader.acceptWord("DESC");
        columns.push_back(std::move(column));
    } while (reader.acceptSymbol(","));
    reader.expectSymbol(")");
    return columns;
}

// REFERENCES table [(c, …)] [ON UPDATE …] [ON DELETE …], after the word REFERENCES.
References readReferences(Reader& reader)
{
    References references;
    references.table = reader.name("la table");
    if (reader.atSymbol("(")) {
        for (KeyColumn& column : readKeyColumns(reader, false))
            references.columns.push_back(std::move(column.name));
    }
    while (reader.acceptWord("ON")) {
        const bool update = reader.acceptWord("UPDATE");
        if (!update)
            reader.expectWord("DELETE");
        if (reader.acceptWord("CASCADE")) {
            (update ? references.cascadeUpdates : references.cascadeDeletes) = true;
        } else if (reader.acceptWord("SET")) {
            reader.expectWord("NULL");
            if (update)
                refuse("ON UPDATE SET NULL n'est pas pris en charge : une relation peut seulement propager "
                       "les modifications (ON UPDATE CASCADE).");
            references.setNullOnDelete = true;
        } else {
            reader.expectWord("NO");
            reader.expectWord("ACTION");
        }
    }
    return references;
}

// After a column's type: NOT NULL, DEFAULT, WITH COMP[RESSION] and its constraints, in any order.
void readColumnOptions(Reader& reader, ColumnDefinition& column, std::vector<Constraint>& constraints)
{
    const auto setNotNull = [&column] {
        if (column.notNull)
            refuse("NOT NULL est donné deux fois pour la colonne " + quoted(column.name) + ".");
        column.notNull = true;
    };
    for (;;) {
        Constraint constraint;
        if (reader.acceptWord("NOT")) {
            reader.expectWord("NULL");
            setNotNull();
            continue;
        }
        if (reader.acceptWord("DEFAULT")) {
            column.defaultValue = readDefault(reader);
            continue;
        }
        if (reader.acceptWord("NULL"))
            continue;  // Null allowed, as a column is unless told otherwise
        if (reader.acceptWord("WITH")) {
            if (!reader.acceptWord("COMP"))
                reader.expectWord("COMPRESSION");
            continue;  // Access compresses text on its own; nothing to keep
        }
        const bool named = reader.acceptWord("CONSTRAINT");
        if (named)
            constraint.name = reader.name("la contrainte");
        if (reader.acceptWord("PRIMARY")) {
            reader.expectWord("KEY");
            constraint.kind = Constraint::Kind::PrimaryKey;
        } else if (reader.acceptWord("UNIQUE")) {
            constraint.kind = Constraint::Kind::Unique;
        } else if (reader.acceptWord("REFERENCES")) {
            constraint.kind = Constraint::Kind::ForeignKey;
            constraint.references = readReferences(reader);
        } else if (named && reader.acceptWord("NOT")) {
            reader.expectWord("NULL");
            setNotNull();
            continue;
        } else if (named) {
            reader.fail();
        } else {
            return;
        }
        constraint.columns.push_back(KeyColumn{column.name, false});
        constraints.push_back(std::move(constraint));
    }
}

ColumnDefinition readColumn(Reader& reader, std::vector<Constraint>& constraints)
{
    ColumnDefinition column;
    column.name = reader.name("la colonne");
    column.type = readType(reader, column.name);
    readColumnOptions(reader, column, constraints);
    return column;
}

std::string columnCount(std::size_t count)
{
    return std::to_string(count) + (count > 1 ? " colonnes" : " colonne");
}

bool atTableConstraint(const Reader& reader)
{
    return reader.atWord("CONSTRAINT") || reader.atWord("PRIMARY") || reader.atWord("UNIQUE") ||
           reader.atWord("FOREIGN");
}

// [CONSTRAINT name] PRIMARY KEY (…) | UNIQUE (…) | FOREIGN KEY [NO INDEX] (…) REFERENCES …
// NOT NULL (…), allowed in CREATE TABLE only, sets `notNull`: its columns are then the ones to mark.
Constraint readTableConstraint(Reader& reader, bool allowNotNull, bool& notNull)
{
    Constraint constraint;
    notNull = false;
    if (reader.acceptWord("CONSTRAINT"))
        constraint.name = reader.name("la contrainte");
    if (reader.acceptWord("PRIMARY")) {
        reader.expectWord("KEY");
        constraint.columns = readKeyColumns(reader, true);
    } else if (reader.acceptWord("UNIQUE")) {
        constraint.kind = Constraint::Kind::Unique;
        constraint.columns = readKeyColumns(reader, true);
    } else if (reader.acceptWord("FOREIGN")) {
        constraint.kind = Constraint::Kind::ForeignKey;
        reader.expectWord("KEY");
        if (reader.acceptWord("NO"))
            reader.expectWord("INDEX");
        constraint.columns = readKeyColumns(reader, false);
        reader.expectWord("REFERENCES");
        constraint.references = readReferences(reader);
        const std::size_t referenced = constraint.references.columns.size();
        if (referenced != 0 && referenced != constraint.columns.size())
            refuse("La clé étrangère vers la table " + quoted(constraint.references.table) + " a " +
                   columnCount(constraint.columns.size()) + " mais en désigne " + std::to_string(referenced) + ".");
    } else if (allowNotNull && reader.atWord("NOT") && reader.atWord("NULL", 1)) {
        reader.advance();
        reader.advance();
        notNull = true;
        constraint.columns = readKeyColumns(reader, false);
    } else {
        reader.fail();
    }
    return constraint;
}

Definition readCreateTable(Reader& reader)
{
    Definition definition;
    definition.table = reader.name("la table");
    std::vector<KeyColumn> notNullColumns;
    reader.expectSymbol("(");
    do {
        if (!atTableConstraint(reader)) {
            definition.columns.push_back(readColumn(reader, definition.constraints));
            continue;
        }
        bool notNull = false;
        Constraint constraint = readTableConstraint(reader, true, notNull);
        if (notNull)
            notNullColumns.insert(notNullColumns.end(), constraint.columns.begin(), constraint.columns.end());
        else
            definition.constraints.push_back(std::move(constraint));
    } while (reader.acceptSymbol(","));
    reader.expectSymbol(")");
    for (std::size_t i = 0; i < definition.columns.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (sameName(definition.columns[i].name, definition.columns[j].name))
                refuse("La colonne " + quoted(definition.columns[i].name) + " est définie deux fois dans la table " +
                       quoted(definition.table) + ".");
        }
    }
    const auto column = [&definition](const KeyColumn& key) -> ColumnDefinition& {
        for (ColumnDefinition& candidate : definition.columns) {
            if (sameName(candidate.name, key.name))
                return candidate;
        }
        refuse("La colonne " + quoted(key.name) + " de la contrainte n'est pas une colonne de la table " +
               quoted(definition.table) + ".");
    };
    for (const Constraint& constraint : definition.constraints) {
        for (const KeyColumn& key : constraint.columns)
            column(key);
    }
    for (const KeyColumn& key : notNullColumns) {
        ColumnDefinition& marked = column(key);
        if (marked.notNull)
            refuse("NOT NULL est donné deux fois pour la colonne " + quoted(marked.name) + ".");
        marked.notNull = true;
    }
    return definition;
}

Definition readCreateIndex(Reader& reader)
{
    Definition definition;
    definition.kind = Definition::Kind::CreateIndex;
    IndexDefinition& index = definition.index;
    index.unique = reader.acceptWord("UNIQUE");
    reader.expectWord("INDEX");
    index.name = reader.name("l'index");
    reader.expectWord("ON");
    index.table = definition.table = reader.name("la table");
    index.columns = readKeyColumns(reader, true);
    if (reader.acceptWord("WITH")) {
        if (reader.acceptWord("PRIMARY")) {
            index.primary = true;
        } else if (reader.acceptWord("DISALLOW")) {
            reader.expectWord("NULL");
            index.disallowNull = true;
        } else {
            reader.expectWord("IGNORE");
            reader.expectWord("NULL");
            index.ignoreNull = true;
        }
    }
    return definition;
}

// A password of ALTER DATABASE PASSWORD: a name, bracketed or bare, or NULL for none.
std::optional<std::string> readPassword(Reader& reader)
{
    if (reader.acceptWord("NULL"))
        return std::nullopt;
    const RawToken* token = reader.peek();
    if (token == nullptr || token->kind == RawToken::Kind::Symbol)
        reader.fail();
    return reader.advance().text;
}

// DATABASE PASSWORD new old, after ALTER.
Definition readDatabasePassword(Reader& reader)
{
    Definition definition;
    definition.kind = Definition::Kind::DatabasePassword;
    reader.expectWord("DATABASE");
    reader.expectWord("PASSWORD");
    definition.password = readPassword(reader);
    definition.oldPassword = readPassword(reader);
    return definition;
}

Definition readAlterTable(Reader& reader)
{
    Definition definition;
    definition.table = reader.name("la table");
    if (reader.acceptWord("ADD")) {
        if (!reader.acceptWord("COLUMN") && atTableConstraint(reader)) {
            bool notNull = false;
            definition.kind = Definition::Kind::AddConstraint;
            definition.constraints.push_back(readTableConstraint(reader, false, notNull));
        } else {
            definition.kind = Definition::Kind::AddColumn;
            definition.columns.push_back(readColumn(reader, definition.constraints));
        }
    } else if (reader.acceptWord("DROP")) {
        const bool constraint = reader.acceptWord("CONSTRAINT");
        if (!constraint)
            reader.acceptWord("COLUMN");
        definition.kind = constraint ? Definition::Kind::DropConstraint : Definition::Kind::DropColumn;
        definition.name = reader.name(constraint ? "la contrainte" : "la colonne");
    } else {
        reader.expectWord("ALTER");
        reader.acceptWord("COLUMN");
        definition.kind = Definition::Kind::AlterColumn;
        definition.columns.push_back(readColumn(reader, definition.constraints));
    }
    return definition;
}

}  // namespace

std::optional<Definition> read(const std::vector<RawToken>& tokens)
{
    Reader reader(tokens);
    Definition definition;
    if (reader.acceptWord("CREATE")) {
        if (reader.atWord("TEMPORARY") && reader.atWord("TABLE", 1))
            throw SqlError("HYC00", "Les tables temporaires (CREATE TEMPORARY TABLE) ne sont pas prises en charge.");
        if (reader.acceptWord("TABLE"))
            definition = readCreateTable(reader);
        else if (reader.atWord("INDEX") || (reader.atWord("UNIQUE") && reader.atWord("INDEX", 1)))
            definition = readCreateIndex(reader);
        else
            return std::nullopt;
    } else if (reader.acceptWord("DROP")) {
        if (reader.acceptWord("TABLE")) {
            definition.kind = Definition::Kind::DropTable;
            definition.table = reader.name("la table");
        } else if (reader.acceptWord("INDEX")) {
            definition.kind = Definition::Kind::DropIndex;
            definition.name = reader.name("l'index");
            reader.expectWord("ON");
            definition.table = reader.name("la table");
        } else {
            return std::nullopt;
        }
    } else if (reader.acceptWord("ALTER")) {
        if (reader.acceptWord("TABLE"))
            definition = readAlterTable(reader);
        else if (reader.atWord("DATABASE") && reader.atWord("PASSWORD", 1))
            definition = readDatabasePassword(reader);
        else
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    reader.expectEnd();
    return definition;
}

}  // namespace definition

std::optional<Definition> readDefinition(const std::vector<RawToken>& tokens)
{
    return definition::read(tokens);
}

}  // namespace kervane::sql
