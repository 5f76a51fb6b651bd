#pragma once
// What a statement of definition asks of an Access file, in the terms of its writer.
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/schema/JetRelationships.h"
#include "driver/jet/schema/JetTableAlteration.h"
#include "driver/jet/schema/JetTableDefinition.h"
#include "driver/sql/Definition.h"

#include <string>

namespace kervane::jet {

// The new table CREATE TABLE describes; false with a French message for what a file of that
// version cannot hold, or this writer cannot write yet.
bool planNewTable(const sql::Definition& definition, AccessVersion version, JetNewTable& table, std::string& error);

// One column, as CREATE TABLE or ALTER TABLE … ADD COLUMN describe it, in a file of `version`
// (which knows Large Numbers from Access 2016 on, extended dates from Access 2019 on).
bool planColumn(const sql::ColumnDefinition& given, AccessVersion version, JetNewColumn& column, std::string& error);

// The index CREATE INDEX describes, or the one a PRIMARY KEY or UNIQUE constraint of `table`
// makes (false for a FOREIGN KEY, which makes a relationship).
JetIndexRequest planIndex(const sql::IndexDefinition& given);
bool planConstraintIndex(const sql::Constraint& given, const std::string& table, JetIndexRequest& index);
// The relationship a FOREIGN KEY constraint of `table` makes.
JetRelationshipRequest planRelationship(const sql::Constraint& given, const std::string& table);

}  // namespace kervane::jet
