#pragma once
// ODBC environment: the application's ODBC version and the connections allocated on it.
#include "driver/Handles.h"

#include <memory>
#include <vector>

namespace kervane::odbc {

class Connection;

class Environment : public Handle {
public:
    static constexpr HandleKind KIND = HandleKind::Environment;
    Environment();
    ~Environment();

    SQLINTEGER odbcVersion() const noexcept { return m_odbcVersion; }
    void setOdbcVersion(SQLINTEGER version) noexcept { m_odbcVersion = version; }
    bool isOdbc3() const noexcept { return m_odbcVersion >= static_cast<SQLINTEGER>(SQL_OV_ODBC3); }

    Connection& allocateConnection();
    void freeConnection(Connection& connection);
    bool hasConnections() const noexcept { return !m_connections.empty(); }
    const std::vector<std::unique_ptr<Connection>>& connections() const noexcept { return m_connections; }

private:
    SQLINTEGER m_odbcVersion = static_cast<SQLINTEGER>(SQL_OV_ODBC2);
    std::vector<std::unique_ptr<Connection>> m_connections;
};

}  // namespace kervane::odbc
