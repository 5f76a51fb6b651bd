#include "driver/sql/Translator.h"

#include "driver/sql/Parser.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/WriteChanges.h"
#include "driver/sql/Writer.h"

namespace kervane::sql {
namespace {

Translation rows(const WrittenSelect& written)
{
    Translation translation;
    translation.kind = Translation::Kind::Rows;
    translation.statements.push_back(written.sql);
    for (const OutputColumn& column : written.columns) {
        translation.columnTypes.push_back(column.type);
        translation.columnParameters.push_back(column.parameter);
    }
    return translation;
}

Translation changes(std::string sql)
{
    Translation translation;
    translation.kind = Translation::Kind::Changes;
    translation.statements.push_back(std::move(sql));
    return translation;
}

// SELECT … INTO: the new table takes the types of the selected columns, then receives the rows.
Translation makeTable(Writer& writer, const Select& select)
{
    const WrittenSelect written = writer.select(select, nullptr);
    std::string create = "CREATE TABLE " + quotedName(select.into) + " (";
    std::string access = "CREATE TABLE [" + select.into + "] (";
    for (std::size_t i = 0; i < written.columns.size(); ++i) {
        const OutputColumn& column = written.columns[i];
        const std::string declared = column.declared.empty() ? std::string(declarationFor(column.type))
                                                              : column.declared;
        create += (i ? ", " : "") + quotedName(column.name) + (declared.empty() ? "" : " " + declared);
        // A copied AutoNumber is a plain number in the new table, as Access makes it.
        const std::string type = declared.empty() ? "TEXT(255)" : declared == "COUNTER" ? "LONG" : declared;
        access += (i ? ", [" : "[") + column.name + "] " + type;
    }
    Translation translation;
    translation.kind = Translation::Kind::Changes;
    translation.madeTable = access + ")";
    translation.statements.push_back(create + ")");
    translation.statements.push_back("INSERT INTO " + quotedName(select.into) + " " + written.sql);
    return translation;
}

Translation call(SchemaCatalogue& catalogue, const Call& call)
{
    if (!call.args.empty())
        throw SqlError("07002", "La requête « " + call.name
                                    + " » attend des paramètres : les requêtes paramétrées ne sont pas encore prises "
                                      "en charge.");
    const CatalogueTable* query = catalogue.find(call.name);
    if (query == nullptr)
        throw SqlError("42S02", "La requête « " + call.name + " » est introuvable.");
    WrittenSelect written;
    written.sql = "SELECT * FROM " + quotedName(query->name);
    for (const CatalogueColumn& column : query->columns)
        written.columns.push_back(OutputColumn{column.name, column.type, column.declared, quotedName(column.name)});
    return rows(written);
}


Translation translateStatement(Writer& writer, const Statement& statement, SchemaCatalogue& catalogue)
{
    switch (statement.kind) {
    case Statement::Kind::Select:
        if (!statement.select->into.empty())
            return makeTable(writer, *statement.select);
        return rows(writer.select(*statement.select, nullptr));
    case Statement::Kind::Transform:
        return rows(writer.crosstab(*statement.transform));
    case Statement::Kind::Insert:
        return changes(writeInsert(writer, *statement.insert));
    case Statement::Kind::Update:
        return changes(writeUpdate(writer, *statement.update));
    case Statement::Kind::Delete:
        return changes(writeDelete(writer, *statement.remove));
    case Statement::Kind::Call:
        return call(catalogue, *statement.call);
    case Statement::Kind::Raw: {
        Translation translation;
        translation.kind = Translation::Kind::Other;
        translation.statements.push_back(writeRaw(statement.raw));
        return translation;
    }
    }
    throw SqlError("42000", "Instruction SQL non reconnue.");
}

}  // namespace

Translation translate(std::string_view accessSql, SchemaCatalogue& catalogue)
{
    return translate(parseStatement(accessSql), accessSql, catalogue);
}

Translation translate(const Statement& statement, std::string_view accessSql, SchemaCatalogue& catalogue)
{
    catalogue.refresh();
    Writer writer(catalogue);
    writer.setSource(accessSql);
    writer.declareParameters(statement.parameters);
    Translation translation = translateStatement(writer, statement, catalogue);
    translation.parameters = writer.parameterUses();
    return translation;
}

}  // namespace kervane::sql
