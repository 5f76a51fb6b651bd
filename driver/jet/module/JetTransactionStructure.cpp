// The structure changes of a connection's Jet transaction: tables created, dropped and altered,
// relationships and stored queries, each recorded so that a savepoint or a rollback undoing it
// also undoes what the file's list of tables says of it.
#include "driver/jet/module/JetTransaction.h"

#include "driver/jet/file/JetFile.h"
#include "driver/jet/file/JetWriteMessages.h"
#include "driver/jet/format/JetDatabasePassword.h"
#include "driver/jet/format/JetVersion.h"
#include "driver/jet/catalogue/JetQueryStore.h"
#include "driver/jet/schema/JetRelationships.h"
#include "driver/jet/schema/JetTableCreation.h"
#include "driver/jet/write/JetTableWriter.h"
#include "driver/semantics/SecretText.h"

#include <algorithm>

namespace kervane::jet {

bool JetTransaction::joinStructure(std::string& error)
{
    if (!open(error))
        return false;
    if (m_store->inTransaction())
        return true;
    if (!m_store->begin(error))
        return false;
    // The catalogue is written by the same writer as any table, and must be one it can change.
    if (!checkWritableFile(*m_store, error)) {
        finish();
        return false;
    }
    started();
    return true;
}

bool JetTransaction::createTable(const JetNewTable& table, std::string& error)
{
    std::uint32_t page = 0;
    if (!m_store || !m_store->inTransaction()) {
        error = messageChangeOutsideTransaction(m_file.path());
        return false;
    }
    if (!jet::createTable(*m_store, table, page, error)) {
        m_failed = true;
        return false;
    }
    m_writers.erase(2);  // the catalogue's pages changed under its writer
    m_structure.push_back({m_file.addTable(table.name, page), StructureChange::Kind::Created, m_marks.size()});
    return true;
}

const JetTable* JetTransaction::userTable(const std::string& name, std::size_t& index, std::string& error)
{
    if (!m_store || !m_store->inTransaction()) {
        error = messageChangeOutsideTransaction(m_file.path());
        return nullptr;
    }
    index = m_file.tableIndex(name);
    std::string unread;
    const JetTable* table = index < m_file.tables().size() ? m_file.define(index, unread) : nullptr;
    if (table == nullptr || table->system) {
        error = table == nullptr ? "La table « " + name + " » n'existe pas."
                                 : "La table système « " + table->name + " » ne peut pas être modifiée.";
        return nullptr;
    }
    return table;
}

bool JetTransaction::dropTable(const std::string& name, std::string& error)
{
    std::size_t index = 0;
    const JetTable* table = userTable(name, index, error);
    if (table == nullptr)
        return false;
    if (!jet::dropTable(*m_store, table->definitionPage, table->name, error)) {
        m_failed = true;
        return false;
    }
    m_writers.clear();
    m_file.setDropped(index, true);
    m_structure.push_back({index, StructureChange::Kind::Dropped, m_marks.size()});
    return true;
}

bool JetTransaction::changePassword(const std::optional<std::string>& password, const std::optional<std::string>& old,
                                    std::string& error)
{
    if (!m_file.locks().exclusive()) {
        error = "Le mot de passe d'une base Access ne se change que sur une connexion qui l'a ouverte pour "
                "elle seule (Exclusive=1).";
        return false;
    }
    const unsigned char* header = m_store->read(0);
    if (isAce(m_file.version())) {
        error = "Le mot de passe d'une base Access 2007 ou plus récente chiffre la base entière : ce pilote ne le "
                "pose, ne le change ni ne l'ôte, Access le peut.";
        return false;
    }
    SecretText current;
    if (header == nullptr || !databasePassword(header, m_store->pageSize(), current.text())) {
        error = "L'en-tête de la base ne peut pas être lu : son mot de passe ne peut pas être changé.";
        return false;
    }
    if (!passwordMatches(current.text(), old.value_or(std::string()))) {
        error = "Le mot de passe actuel donné n'est pas celui de la base : il n'a pas été changé.";
        return false;
    }
    // The page is left as it was when the new password cannot be written.
    unsigned char* writable = m_store->change(0);
    if (writable == nullptr) {
        error = "L'en-tête de la base ne peut pas être écrit : son mot de passe n'a pas été changé.";
        return false;
    }
    return setDatabasePassword(writable, m_store->pageSize(), password.value_or(std::string()), error);
}

bool JetTransaction::alterTable(const std::string& name, const TableChange& change, std::string& error)
{
    std::size_t index = 0;
    const JetTable* table = userTable(name, index, error);
    if (table == nullptr)
        return false;
    m_writers.clear();  // they hold the definition as it was
    if (!change(*m_store, table->definitionPage, table->name, this, error)) {
        m_failed = true;
        return false;
    }
    m_file.redefine(index);
    m_structure.push_back({index, StructureChange::Kind::Altered, m_marks.size()});
    return true;
}

bool JetTransaction::alterRelatedTables(const std::string& name, const RelatedTablesChange& change,
                                        std::string& error)
{
    std::size_t index = 0;
    const JetTable* table = userTable(name, index, error);
    if (table == nullptr)
        return false;
    m_writers.clear();  // they hold the definitions as they were
    std::vector<std::uint32_t> changed;
    if (!change(*m_store, table->definitionPage, table->name, changed, error)) {
        m_failed = true;
        return false;
    }
    for (std::size_t t = 0; t < m_file.tables().size(); ++t) {
        const JetTable& other = m_file.tables()[t];
        if (other.dropped || std::find(changed.begin(), changed.end(), other.definitionPage) == changed.end())
            continue;
        m_file.redefine(t);
        m_structure.push_back({t, StructureChange::Kind::Altered, m_marks.size()});
    }
    return true;
}

bool JetTransaction::relate(const JetRelationshipRequest& request, std::string& error)
{
    std::size_t referring = 0;
    std::size_t referenced = 0;
    const JetTable* table = userTable(request.table, referring, error);
    const JetTable* other = table == nullptr ? nullptr : userTable(request.referenced, referenced, error);
    if (other == nullptr)
        return false;
    m_writers.clear();
    if (!createRelationship(*m_store, table->definitionPage, other->definitionPage, request, this, error)) {
        m_failed = true;
        return false;
    }
    for (const std::size_t index : {referring, referenced}) {
        m_file.redefine(index);
        m_structure.push_back({index, StructureChange::Kind::Altered, m_marks.size()});
        if (referring == referenced)
            break;  // a table related to itself
    }
    return true;
}

bool JetTransaction::createQuery(const JetNewQuery& query, std::string& error)
{
    if (!m_store || !m_store->inTransaction()) {
        error = messageChangeOutsideTransaction(m_file.path());
        return false;
    }
    m_writers.clear();  // the catalogue's pages change under their writers
    if (!jet::createQuery(*m_store, query, error)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool JetTransaction::dropQuery(const std::string& name, std::string& error)
{
    if (!m_store || !m_store->inTransaction()) {
        error = messageChangeOutsideTransaction(m_file.path());
        return false;
    }
    m_writers.clear();
    if (!jet::dropQuery(*m_store, name, error)) {
        m_failed = true;
        return false;
    }
    return true;
}

void JetTransaction::forgetStructure(int level)
{
    while (!m_structure.empty() && (level < 0 || m_structure.back().depth > static_cast<std::size_t>(level))) {
        const StructureChange& change = m_structure.back();
        if (change.kind == StructureChange::Kind::Altered)
            m_file.redefine(change.table);
        else
            m_file.setDropped(change.table, change.kind == StructureChange::Kind::Created);
        m_structure.pop_back();
    }
}

}  // namespace kervane::jet
