#include "driver/Environment.h"

#include "driver/Connection.h"

#include <algorithm>

namespace kervane::odbc {

Environment::Environment() : Handle(KIND) {}
Environment::~Environment() = default;

Connection& Environment::allocateConnection()
{
    m_connections.push_back(std::make_unique<Connection>(*this));
    return *m_connections.back();
}

void Environment::freeConnection(Connection& connection)
{
    std::erase_if(m_connections, [&](const auto& owned) { return owned.get() == &connection; });
}

}  // namespace kervane::odbc
