// Reading of structure statements (CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP) through the
// driver's own path (lexer, parser, raw tokens): type synonyms and their sizes, constraints in
// the order written, index options, DEFAULT values, the names Access refuses, malformed
// statements and the statements left to other readers. A reading is checked on a compact text.
#include "driver/sql/Definition.h"
#include "driver/sql/Parser.h"

#include <gtest/gtest.h>

namespace kervane::sql {
namespace {

const char* const KINDS[] = {"Text", "Memo", "Byte", "Integer", "Long", "Single", "Double", "Currency",
                             "DateTime", "YesNo", "Counter", "Guid", "LongBinary", "Binary", "Decimal"};

std::string printType(const ColumnType& type)
{
    std::string text = KINDS[static_cast<int>(type.kind)];
    if (type.kind == ColumnType::Kind::Text || type.kind == ColumnType::Kind::Binary)
        text += "(" + std::to_string(type.size) + ")";
    if (type.kind == ColumnType::Kind::Decimal)
        text += "(" + std::to_string(type.precision) + "," + std::to_string(type.scale) + ")";
    if (type.kind == ColumnType::Kind::Counter)
        text += "(" + std::to_string(type.seed) + "," + std::to_string(type.increment) + ")";
    return text;
}

std::string printKeys(const std::vector<KeyColumn>& keys)
{
    std::string text = "(";
    for (const KeyColumn& key : keys)
        text += (text.size() > 1 ? "," : "") + key.name + (key.descending ? " DESC" : "");
    return text + ")";
}

// "t: a Text(50) NN ='x', b Long | PK name(a), FK(b)->u(c) CU CD SN"
std::string print(const Definition& d)
{
    static const char* const STATEMENTS[] = {"CreateTable", "DropTable", "AddColumn", "DropColumn", "AlterColumn",
                                             "AddConstraint", "DropConstraint", "CreateIndex", "DropIndex"};
    static const char* const CONSTRAINTS[] = {"PK", "UQ", "FK"};
    std::string text = std::string(STATEMENTS[static_cast<int>(d.kind)]) + " " + d.table + ":";
    for (const ColumnDefinition& c : d.columns)
        text += " " + c.name + " " + printType(c.type) + (c.notNull ? " NN" : "") +
                (c.defaultValue ? " =" + *c.defaultValue : "") + ",";
    for (const Constraint& c : d.constraints) {
        text += std::string(" | ") + CONSTRAINTS[static_cast<int>(c.kind)] + (c.name.empty() ? "" : " " + c.name) +
                printKeys(c.columns);
        if (c.kind != Constraint::Kind::ForeignKey)
            continue;
        std::vector<KeyColumn> referenced;
        for (const std::string& column : c.references.columns)
            referenced.push_back({column, false});
        text += "->" + c.references.table + (referenced.empty() ? "" : printKeys(referenced)) +
                (c.references.cascadeUpdates ? " CU" : "") + (c.references.cascadeDeletes ? " CD" : "") +
                (c.references.setNullOnDelete ? " SN" : "");
    }
    if (!d.name.empty())
        text += " " + d.name;
    const IndexDefinition& i = d.index;
    if (d.kind == Definition::Kind::CreateIndex)
        text += " " + i.name + printKeys(i.columns) + (i.unique ? " unique" : "") + (i.primary ? " primary" : "") +
                (i.disallowNull ? " disallow" : "") + (i.ignoreNull ? " ignore" : "");
    return text;
}

std::optional<Definition> read(std::string_view sql) { return readDefinition(parseStatement(sql).raw); }

TEST(Definition, TypeSynonymsFoldToAccessTypes)
{
    // Synonyms and defaults as Access's SQL data type pages list them.
    const std::pair<const char*, const char*> cases[] = {
        {"VARCHAR", "Text(255)"}, {"CHAR", "Text(255)"}, {"character varying(10)", "Text(10)"},
        {"NATIONAL CHAR VARYING(20)", "Text(20)"}, {"NCHAR VARYING (50)", "Text(50)"}, {"ALPHANUMERIC", "Text(255)"},
        {"string(1)", "Text(1)"}, {"TEXT(25)", "Text(25)"}, {"LONGCHAR", "Memo"}, {"NOTE", "Memo"},
        {"NTEXT", "Memo"}, {"INTEGER1", "Byte"}, {"TINYINT", "Byte"}, {"SHORT", "Integer"},
        {"SMALLINT", "Integer"}, {"INT", "Long"}, {"INTEGER", "Long"}, {"INTEGER4", "Long"},
        {"REAL", "Single"}, {"IEEESINGLE", "Single"}, {"FLOAT", "Double"}, {"DOUBLE PRECISION", "Double"},
        {"NUMBER", "Double"}, {"MONEY", "Currency"}, {"DATE", "DateTime"}, {"TIME", "DateTime"},
        {"LOGICAL1", "YesNo"}, {"BOOLEAN", "YesNo"}, {"BIT", "YesNo"}, {"AUTOINCREMENT", "Counter(1,1)"},
        {"COUNTER(100, -5)", "Counter(100,-5)"}, {"UNIQUEIDENTIFIER", "Guid"}, {"GENERAL", "LongBinary"},
        {"IMAGE", "LongBinary"}, {"VARBINARY(16)", "Binary(16)"}, {"BINARY VARYING", "Binary(255)"},
        {"BIT VARYING(8)", "Binary(8)"}, {"NUMERIC", "Decimal(18,0)"}, {"DEC(10)", "Decimal(10,0)"},
        {"DECIMAL(18,5)", "Decimal(18,5)"}, {"DECIMAL(28,28)", "Decimal(28,28)"},
    };
    for (const auto& [type, expected] : cases) {
        const std::optional<Definition> d = read(std::string("CREATE TABLE t (c ") + type + ")");
        ASSERT_TRUE(d) << type;
        EXPECT_EQ(printType(d->columns.at(0).type), expected) << type;
    }
}

TEST(Definition, StatementsReadAsWritten)
{
    const std::pair<const char*, const char*> cases[] = {
        {"CREATE TABLE NewTable (FirstName CHAR, LastName CHAR, SSN INTEGER CONSTRAINT MyFieldConstraint PRIMARY KEY);",
         "CreateTable NewTable: FirstName Text(255), LastName Text(255), SSN Long, | PK MyFieldConstraint(SSN)"},
        {"CREATE TABLE MyTable (FirstName CHAR, DateOfBirth DATETIME, CONSTRAINT MyTableConstraint UNIQUE "
         "(FirstName, DateOfBirth))",
         "CreateTable MyTable: FirstName Text(255), DateOfBirth DateTime,"
         " | UQ MyTableConstraint(FirstName,DateOfBirth)"},
        // Column constraints and table constraints keep the order they are written in.
        {"create table o (id counter primary key, c integer references Customers on delete set null, n memo with comp "
         "not null, unique (n, id desc), constraint fk foreign key no index (c, id) references x (a, b) "
         "on update cascade on delete cascade)",
         "CreateTable o: id Counter(1,1), c Long, n Memo NN, | PK(id) | FK(c)->Customers SN | UQ(n,id DESC)"
         " | FK fk(c,id)->x(a,b) CU CD"},
        {"CREATE TABLE t (a TEXT(10) NOT NULL DEFAULT 'l''a', b LONG DEFAULT -5, c DATETIME DEFAULT Now(), "
         "d DOUBLE DEFAULT (1 + 2) NOT NULL, e BIT DEFAULT No, f DATETIME DEFAULT #1/2/2003#, "
         "CONSTRAINT nn NOT NULL (b, c))",
         "CreateTable t: a Text(10) NN ='l''a', b Long NN =-5, c DateTime NN =Now(), d Double NN =(1 + 2), "
         "e YesNo =No, f DateTime =#1/2/2003#,"},
        {"ALTER TABLE Employees ADD COLUMN Notes TEXT(25)", "AddColumn Employees: Notes Text(25),"},
        {"ALTER TABLE e ADD Salary MONEY CONSTRAINT u UNIQUE", "AddColumn e: Salary Currency, | UQ u(Salary)"},
        {"ALTER TABLE Employees ALTER COLUMN ZipCode CHAR(20)", "AlterColumn Employees: ZipCode Text(20),"},
        {"ALTER TABLE t ALTER n COUNTER(10, 2)", "AlterColumn t: n Counter(10,2),"},
        {"ALTER TABLE Orders ADD CONSTRAINT OrdersRelationship FOREIGN KEY (EmployeeID) REFERENCES Employees "
         "(EmployeeID);",
         "AddConstraint Orders: | FK OrdersRelationship(EmployeeID)->Employees(EmployeeID)"},
        {"ALTER TABLE t ADD PRIMARY KEY (a, b)", "AddConstraint t: | PK(a,b)"},
        {"ALTER TABLE Orders DROP CONSTRAINT OrdersRelationship", "DropConstraint Orders: OrdersRelationship"},
        {"ALTER TABLE Employees DROP COLUMN Salary", "DropColumn Employees: Salary"},
        {"alter table Employees drop Salary", "DropColumn Employees: Salary"},
        {"CREATE UNIQUE INDEX [Combined Index] ON [~~Kitsch'n Sync]([ShortText],[LongText]) WITH IGNORE NULL",
         "CreateIndex ~~Kitsch'n Sync: Combined Index(ShortText,LongText) unique ignore"},
        {"CREATE INDEX i ON t (a DESC, b ASC) WITH PRIMARY", "CreateIndex t: i(a DESC,b) primary"},
        {"CREATE INDEX i ON t (a) WITH DISALLOW NULL", "CreateIndex t: i(a) disallow"},
        {"DROP INDEX i ON [T 1];", "DropIndex T 1: i"},
        {"drop table [Été]", "DropTable Été:"},
    };
    for (const auto& [sql, expected] : cases) {
        const std::optional<Definition> d = read(sql);
        ASSERT_TRUE(d) << sql;
        EXPECT_EQ(print(*d), expected) << sql;
    }
}

TEST(Definition, OtherStatementsAreLeftToOtherReaders)
{
    for (const char* sql : {"CREATE VIEW v AS SELECT 1", "CREATE PROCEDURE p AS SELECT 1", "DROP VIEW v",
                            "DROP PROCEDURE p", "ALTER DATABASE NAME a", "GRANT SELECT ON TABLE t TO u"})
        EXPECT_FALSE(read(sql)) << sql;
}

TEST(Definition, FaultsAreRefusedNamingTheCulprit)
{
    // {statement, SQLSTATE, what the message must hold}
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"CREATE TABLE t (a FOO)", "42000", "près de « FOO » (caractère 19)"},
        {"CREATE TABLE [été] (a FOO)", "42000", "près de « FOO » (caractère 23)"},
        {"CREATE TABLE t (a TEXT,)", "42000", "près de « ) » (caractère 24)"},
        {"CREATE TABLE t (a TEXT", "42000", "incomplète"},
        {"DROP TABLE t u", "42000", "« u »"},
        {"CREATE TABLE SELECT (a TEXT)", "42000", "« SELECT »"},
        {"CREATE TABLE t (a LONG(4))", "42000", "« ( »"},
        {"CREATE TABLE t (a LONG DEFAULT [b])", "42000", "« [b] »"},
        {"CREATE TABLE t (a LONG NOT NULL NOT NULL)", "42000", "« a »"},
        {"CREATE INDEX i ON t (a) WITH PRIMARY DISALLOW NULL", "42000", "« DISALLOW »"},
        {"CREATE TABLE t (Nom TEXT(256))", "42000", "« Nom »"},
        {"CREATE TABLE t (Nom CHAR(0))", "42000", "« Nom »"},
        {"CREATE TABLE t (b BINARY(256))", "42000", "« b »"},
        {"CREATE TABLE t (p DECIMAL(29))", "42000", "29"},
        {"CREATE TABLE t (p DECIMAL(5,6))", "42000", "6"},
        {"CREATE TABLE t (Prénom TEXT, b LONG, PRÉNOM MEMO)", "42000", "« PRÉNOM »"},
        {"CREATE TABLE t (a LONG, PRIMARY KEY (z))", "42000", "« z »"},
        {"CREATE TABLE t (a LONG, FOREIGN KEY (a) REFERENCES u (x, y))", "42000", "« u »"},
        {"CREATE TABLE t (a LONG REFERENCES u ON UPDATE SET NULL)", "42000", "ON UPDATE SET NULL"},
        {"CREATE TEMPORARY TABLE t (a LONG)", "HYC00", "temporaires"},
        {"CREATE TABLE t ([ab.c] LONG)", "42000",
         "Le nom « ab.c » de la colonne n'est pas permis : il contient « . »."},
        {"CREATE TABLE [a!b] (c LONG)", "42000", "« a!b » de la table"},
        {"CREATE INDEX [i`x] ON t (a)", "42000", "« i`x » de l'index"},
        {"ALTER TABLE t DROP CONSTRAINT [ k]", "42000", "«  k » de la contrainte n'est pas permis : il commence"},
        {"CREATE TABLE t ([a\tb] LONG)", "42000", "contrôle"},
        {"DROP TABLE [aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa]", "42000", "65"},
    };
    for (const auto& [sql, state, culprit] : cases) {
        try {
            read(sql);
            ADD_FAILURE() << "accepted: " << sql;
        } catch (const SqlError& error) {
            EXPECT_EQ(error.state(), state) << sql;
            EXPECT_NE(std::string(error.what()).find(culprit), std::string::npos) << sql << "\n" << error.what();
        }
    }
    // The rules allow 64 characters, spaces inside and any other punctuation.
    EXPECT_EQ(nameFault("la table", std::string(64, 'x')), "");
    EXPECT_EQ(nameFault("la colonne", "Prix (€) - 2 #"), "");
}

}  // namespace
}  // namespace kervane::sql
