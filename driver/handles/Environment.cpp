#include "driver/handles/Environment.h"

#include "driver/handles/Connection.h"

#include <algorithm>

namespace kervane::odbc {

Environment::Environment() : Handle(KIND) {}
Environment::~Environment() = default;

Connection& Environment::allocateConnection()
{
    auto connection = std::make_unique<Connection>(*this);
    std::scoped_lock lock(m_listLock);
    m_connections.push_back(std::move(connection));
    return *m_connections.back();
}

void Environment::freeConnection(Connection& connection)
{
    std::unique_ptr<Connection> freed;
    std::scoped_lock lock(m_listLock);
    const auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                    [&](const auto& owned) { return owned.get() == &connection; });
    if (found == m_connections.end())
        return;
    freed = std::move(*found);
    m_connections.erase(found);
}

bool Environment::hasConnections() const
{
    std::scoped_lock lock(m_listLock);
    return !m_connections.empty();
}

void Environment::forEachConnection(const std::function<void(Connection&)>& action)
{
    std::scoped_lock lock(m_listLock);
    for (const auto& connection : m_connections)
        action(*connection);
}

}  // namespace kervane::odbc
