#include "driver/jet/schema/JetStructurePlan.h"

#include "driver/semantics/Characters.h"
#include "driver/sql/DefaultValue.h"

namespace kervane::jet {
namespace {

std::string notYet(const std::string& what)
{
    return what + " ne peut pas encore être créé dans un fichier Access par ce pilote.";
}

}  // namespace

bool planColumn(const sql::ColumnDefinition& given, AccessVersion version, JetNewColumn& column, std::string& error)
{
    using Kind = sql::ColumnType::Kind;
    const JetFileFormat& format = fileFormatFor(pageSizeOf(version));
    column.name = given.name;
    switch (given.type.kind) {
    case Kind::Text: column.type = JetType::Text; column.characters = given.type.size; break;
    case Kind::Memo: column.type = JetType::Memo; break;
    case Kind::Byte: column.type = JetType::Byte; break;
    case Kind::Integer: column.type = JetType::Integer; break;
    case Kind::Long: column.type = JetType::Long; break;
    case Kind::Single: column.type = JetType::Single; break;
    case Kind::Double: column.type = JetType::Double; break;
    case Kind::Currency: column.type = JetType::Currency; break;
    case Kind::DateTime: column.type = JetType::DateTime; break;
    case Kind::YesNo: column.type = JetType::Boolean; break;
    case Kind::Guid: column.type = JetType::Guid; break;
    case Kind::LongBinary: column.type = JetType::Ole; break;
    case Kind::Binary: column.type = JetType::Binary; column.characters = given.type.size; break;
    case Kind::Counter:
        column.type = JetType::Long;
        column.autoNumber = true;
        // Access files keep the last number given, not the step between two.
        if (given.type.increment != 1 || given.type.seed < 1) {
            error = notYet("Le compteur de la colonne « " + given.name + " », qui n'avance pas de 1 ou ne commence "
                           "pas à un nombre positif,");
            return false;
        }
        column.seed = given.type.seed;
        break;
    case Kind::Decimal:
        if (format.jet3) {
            error = "La colonne « " + given.name + " » ne peut pas être de type DECIMAL : un fichier Access 97 ne "
                    "connaît pas ce type.";
            return false;
        }
        column.type = JetType::Decimal;
        column.precision = given.type.precision;
        column.scale = given.type.scale;
        break;
    case Kind::BigInt:
    case Kind::DateTime2: {
        const bool large = given.type.kind == Kind::BigInt;
        const AccessVersion first = large ? AccessVersion::Ace16 : AccessVersion::Ace17;
        if (version < first) {
            error = "La colonne « " + given.name + " » ne peut pas être de type " +
                    (large ? "Grand nombre (BIGINT) : ce type apparaît avec Access 2016"
                           : "Date/Heure étendue (DATETIME2) : ce type apparaît avec Access 2019") +
                    ", après la version de ce fichier.";
            return false;
        }
        column.type = large ? JetType::LargeNumber : JetType::ExtendedDate;
        break;
    }
    }
    if (given.defaultValue) {
        if (column.autoNumber || !sql::defaultExpression(*given.defaultValue)) {
            error = "La valeur par défaut « " + *given.defaultValue + " » de la colonne « " + given.name +
                    " » ne peut pas être donnée par ce pilote : seuls un nombre, un texte, une date, True, False, "
                    "Null, Now(), Date() et Time() le peuvent" + (column.autoNumber ? ", et pas à un compteur." : ".");
            return false;
        }
        column.defaultValue = sql::accessDefaultProperty(*given.defaultValue);
    }
    column.required = given.notNull;
    return true;
}

namespace {

int columnNumber(const JetNewTable& table, const std::string& name)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i)
        if (sql::equalIgnoringCase(table.columns[i].name, name))
            return static_cast<int>(i);
    return -1;
}

bool indexOf(const sql::Constraint& constraint, JetNewTable& table, JetNewIndex& index, std::string& error)
{
    index.primary = constraint.kind == sql::Constraint::Kind::PrimaryKey;
    index.unique = true;
    index.name = !constraint.name.empty() ? constraint.name
                 : index.primary          ? "PrimaryKey"
                                          : "Index_" + std::to_string(table.indexes.size() + 1);
    for (const sql::KeyColumn& key : constraint.columns) {
        const int number = columnNumber(table, key.name);
        if (number < 0) {
            error = "La colonne « " + key.name + " » de l'index « " + index.name + " » n'existe pas dans la table « " +
                    table.name + " ».";
            return false;
        }
        index.keys.emplace_back(number, key.descending);
    }
    if (index.keys.empty() || index.keys.size() > 10) {
        error = "L'index « " + index.name + " » doit porter sur 1 à 10 colonnes.";
        return false;
    }
    return true;
}

}  // namespace

JetIndexRequest planIndex(const sql::IndexDefinition& given)
{
    JetIndexRequest index{given.name, {}, given.primary, given.unique || given.primary, given.disallowNull,
                          given.ignoreNull};
    for (const sql::KeyColumn& key : given.columns)
        index.keys.emplace_back(key.name, key.descending);
    return index;
}

JetRelationshipRequest planRelationship(const sql::Constraint& given, const std::string& table)
{
    JetRelationshipRequest request;
    request.name = given.name;
    request.table = table;
    for (const sql::KeyColumn& key : given.columns)
        request.columns.push_back(key.name);
    request.referenced = given.references.table;
    request.referencedColumns = given.references.columns;
    request.cascadeUpdates = given.references.cascadeUpdates;
    request.cascadeDeletes = given.references.cascadeDeletes;
    request.cascadeNull = given.references.setNullOnDelete;
    return request;
}

bool planConstraintIndex(const sql::Constraint& given, const std::string& table, JetIndexRequest& index)
{
    if (given.kind == sql::Constraint::Kind::ForeignKey)
        return false;
    index = {};
    index.primary = given.kind == sql::Constraint::Kind::PrimaryKey;
    index.unique = true;
    index.name = !given.name.empty() ? given.name : index.primary ? "PrimaryKey" : table + "_" + given.columns.front().name;
    for (const sql::KeyColumn& key : given.columns)
        index.keys.emplace_back(key.name, key.descending);
    return true;
}

bool planNewTable(const sql::Definition& definition, AccessVersion version, JetNewTable& table, std::string& error)
{
    table = {};
    table.name = definition.table;
    for (const sql::ColumnDefinition& given : definition.columns) {
        JetNewColumn column;
        if (!planColumn(given, version, column, error))
            return false;
        table.columns.push_back(column);
    }
    if (table.columns.empty() || table.columns.size() > 255) {
        error = "Une table Access a de 1 à 255 colonnes.";
        return false;
    }
    int primaryKeys = 0;
    for (const sql::Constraint& constraint : definition.constraints) {
        if (constraint.kind == sql::Constraint::Kind::ForeignKey)
            continue;  // made once the table is (planRelationship)
        JetNewIndex index;
        if (!indexOf(constraint, table, index, error))
            return false;
        primaryKeys += index.primary ? 1 : 0;
        table.indexes.push_back(std::move(index));
    }
    if (primaryKeys > 1) {
        error = "La table « " + table.name + " » ne peut avoir qu'une clé primaire.";
        return false;
    }
    return true;
}

}  // namespace kervane::jet
