#pragma once
// ODBC environment: the application's ODBC version and the connections allocated on it.
#include "driver/handles/Handles.h"

#include <functional>
#include <memory>
#include <mutex>
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

    // The connection list may change from any thread; it has a lock of its own.
    Connection& allocateConnection();
    void freeConnection(Connection& connection);
    bool hasConnections() const;
    void forEachConnection(const std::function<void(Connection&)>& action);

private:
    SQLINTEGER m_odbcVersion = static_cast<SQLINTEGER>(SQL_OV_ODBC2);
    mutable std::mutex m_listLock;
    std::vector<std::unique_ptr<Connection>> m_connections;
};

}  // namespace kervane::odbc
