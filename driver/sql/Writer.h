#pragma once
// The SQLite writer: walks the syntax tree and writes SQLite SQL with Access's meaning,
// typing every expression on the way.
#include "driver/semantics/AccessType.h"
#include "driver/sql/SchemaCatalogue.h"
#include "driver/sql/SyntaxTree.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace kervane::sql {

// One written expression. A predicate is SQLite truth (1/0/NULL: comparisons, LIKE, IN...);
// other values are Access values (a Boolean is -1/0).
struct Written {
    std::string sql;
    AccessType type = AccessType::Unknown;
    bool predicate = false;
    std::string declared;  // the declared type of a plain column reference
    bool columnReference = false;
    bool literal = false;  // a constant written as a SQLite literal
    std::string name;      // the column name a plain reference gives its result column
    std::string reference; // a plain reference as written, before a Yes/No value is normalised
    std::string source;    // alias of the FROM source a plain reference was found in
    int parameter = 0;     // for a statement parameter: its number from 1, as ODBC counts them
};

// One source of columns in a FROM clause: a table, a view or a sub-query, under its alias.
struct ScopeSource {
    std::string alias;  // name used to qualify columns: the alias, else the table name
    std::vector<CatalogueColumn> columns;
    bool hasRowid = false;  // a table, whose rows have identifiers (not a view or a sub-query)
    // The values of a complex column, one row each (col.Value, col.FileName...): joined to its
    // table under the column's name, left out of *.
    bool subfields = false;
};

// While a calculated column's value is written: the value the row being inserted or changed
// gives a column, which its name stands for instead of the column itself.
struct ColumnValue {
    std::string sql;
    const CatalogueColumn* column = nullptr;
};

struct Scope {
    std::vector<ScopeSource> sources;
    const Scope* outer = nullptr;
    std::vector<std::pair<std::string, AccessType>> aliases;  // output names of the select
    std::vector<ColumnValue> values;
};

// Output column of a written select: its name and type.
struct OutputColumn {
    std::string name;
    AccessType type = AccessType::Unknown;
    std::string declared;
    std::string expression;  // the SQL computing it in its own SELECT
    int parameter = 0;       // the parameter it shows when it is one alone (its number), else 0
};

struct WrittenSelect {
    std::string sql;
    std::vector<OutputColumn> columns;
};

// Wraps an aggregate's argument while a crosstab's value columns are written.
struct PivotFilter {
    std::string condition;  // SQLite condition selecting the rows of one heading
};

class Writer {
public:
    explicit Writer(SchemaCatalogue& catalogue) : m_catalogue(catalogue) {}

    Written expression(const Expr& expr, const Scope& scope);
    Written condition(const Expr& expr, const Scope& scope);  // as SQLite truth
    WrittenSelect select(const Select& select, const Scope* outer);
    // Statement parameters declared by PARAMETERS, written as ?1, ?2...
    void declareParameters(const std::vector<Parameter>& parameters) { m_parameters = parameters; }
    void setPivotFilter(const PivotFilter* filter) { m_pivot = filter; }
    SchemaCatalogue& catalogue() { return m_catalogue; }
    // What a parameter meets: the type of the column it is compared with or stored into.
    // The first meeting gives its type.
    void noteParameter(const Written& parameter, AccessType type, const std::string& declared);
    // The parameters of the statement written, declared ones first, then the ? markers.
    std::vector<ParameterUse> parameterUses() const;
    void setSource(std::string_view sql) { m_source = sql; }
    std::string_view source() const { return m_source; }

    // Scope of a FROM list, and its SQL.
    std::string fromClause(const std::vector<FromPtr>& from, Scope& scope);
    std::string fromItem(const FromItem& item, Scope& scope);
    // TRANSFORM: the SELECT with one aggregate column per heading of the pivot.
    WrittenSelect crosstab(const Transform& transform);

    // The values of a list (a complex column of Access 2007 and later) changed as Access SQL
    // changes them (WriteSubfields.cpp): INSERT INTO t ([col].Value) VALUES (v) [WHERE …] adds v
    // to the list of each row chosen; DELETE [col].Value FROM t … removes the values chosen;
    // UPDATE t SET [col].Value = v … changes them. Throws SqlError for what is no list (the
    // attachments and a memo's history are not changed by statements).
    std::string listValuesInsert(const Insert& insert);
    std::string listValuesDelete(const Delete& remove, const CatalogueTable& table, const CatalogueColumn& column);
    std::string listValuesUpdate(const Update& update, const CatalogueTable& table, const CatalogueColumn& column);

private:
    Written column(const Expr& expr, const Scope& scope);
    Written unary(const Expr& expr, const Scope& scope);
    Written binary(const Expr& expr, const Scope& scope);
    Written comparison(const Expr& expr, const Scope& scope);
    Written logical(const Expr& expr, const Scope& scope);
    Written arithmetic(const Expr& expr, const Scope& scope);
    Written like(const Expr& expr, const Scope& scope);
    Written between(const Expr& expr, const Scope& scope);
    Written inList(const Expr& expr, const Scope& scope);
    Written inSelect(const Expr& expr, const Scope& scope);
    Written function(const Expr& expr, const Scope& scope);
    Written builtIn(const Expr& expr, const Scope& scope, bool& handled);
    Written aggregate(const Expr& expr, const Scope& scope, std::string_view sqliteName, AccessType type);
    Written domainAggregate(const Expr& expr, const Scope& scope);
    Written caseExpression(const Expr& expr, const Scope& scope);
    Written literalDate(const Expr& expr);
    Written subquery(const Expr& expr, const Scope& scope);
    Written parameter(const Expr& expr);
    std::size_t markerCount() const;

    std::string selectCore(const Select& select, Scope& scope, std::vector<OutputColumn>& columns,
                           bool collateTexts);
    std::string orderBy(const Select& select, const Scope& scope, const std::vector<OutputColumn>& columns,
                        bool compound);
    std::string topLimit(const Select& select, const std::string& core, const std::string& order);
    // WriteSubfields.cpp: the names `select` writes with a field after them (col.Value), and the
    // LEFT JOINs that give the values of the complex columns of `table` (as `alias`) they name.
    static std::vector<std::vector<std::string>> subfieldNames(const Select& select);
    std::string complexValuesJoins(const CatalogueTable& table, const std::string& alias, Scope& scope);

    SchemaCatalogue& m_catalogue;
    std::string_view m_source;
    std::vector<Parameter> m_parameters;
    mutable std::vector<std::size_t> m_markerOffsets;  // byte offsets of the ? markers, in order
    mutable bool m_markersRead = false;
    std::vector<ParameterUse> m_uses;
    const PivotFilter* m_pivot = nullptr;
    // Columns a crosstab adds after the items of its SELECT, written in that SELECT's scope.
    std::function<void(Scope&, std::string&, std::vector<OutputColumn>&)> m_extraItems;
    int m_expressionNumber = 1000;
    // The names with a field after them in the select being written (subfieldNames()).
    std::vector<std::vector<std::string>> m_subfieldNames;
};

// Helpers shared by the writer's files.
Written makeWritten(std::string sql, AccessType type, bool predicate = false);
// Appends the names ([qualifier..., column]) of every column `expr` reads, sub-queries left out.
void columnNamesRead(const Expr& expr, std::vector<std::vector<std::string>>& names);
std::string quotedName(std::string_view name);
std::string quotedText(std::string_view text);
std::string asValue(const Written& written);
std::string asCondition(const Written& written);
// Appends " COLLATE ACCESS" to an expression that may be a text (typed text, or typed only
// when the statement runs).
std::string collated(const Written& written);
std::string collated(const std::string& sql, AccessType type);
// "(value) COLLATE ACCESS": the left operand of a comparison made in the Access order.
std::string textSubject(const Written& value);

// Operands compared together compare as texts, in the Access order, when one of them is a
// text or when none is known to be anything else.
class TextOperands {
public:
    TextOperands(std::initializer_list<AccessType> types = {})
    {
        for (const AccessType type : types)
            add(type);
    }
    void add(AccessType type)
    {
        m_anyText = m_anyText || isText(type);
        m_allMayBeText = m_allMayBeText && mayBeText(type);
    }
    bool comparedAsText() const { return m_anyText || m_allMayBeText; }

private:
    bool m_anyText = false;
    bool m_allMayBeText = true;
};

}  // namespace kervane::sql
