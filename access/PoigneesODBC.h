#pragma once
// Owners of ODBC handles: one move-only type per handle kind, freed on destruction.
// The access layer's state keeps the environment alive longer than every connection,
// and each connection longer than its statement (member order in the slot).
#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace kervane {

template <class Handle, class Liberer>
class PoigneeODBC {
public:
    PoigneeODBC() noexcept = default;
    explicit PoigneeODBC(Handle h) noexcept : m_h(h) {}
    PoigneeODBC(PoigneeODBC&& autre) noexcept : m_h(std::exchange(autre.m_h, Handle{})) {}
    PoigneeODBC& operator=(PoigneeODBC&& autre) noexcept
    {
        if (this != &autre) {
            reset();
            m_h = std::exchange(autre.m_h, Handle{});
        }
        return *this;
    }
    PoigneeODBC(const PoigneeODBC&) = delete;
    PoigneeODBC& operator=(const PoigneeODBC&) = delete;
    ~PoigneeODBC() { reset(); }

    Handle get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Handle{}; }
    Handle* adresse() noexcept { reset(); return &m_h; }
    void reset() noexcept
    {
        if (m_h != Handle{})
            Liberer{}(std::exchange(m_h, Handle{}));
    }

private:
    Handle m_h{};
};

struct LibererEnvironnement {
    void operator()(SQLHENV h) const noexcept { SQLFreeEnv(h); }
};
// A connection handle in this owner is connected: it is disconnected, then freed.
struct LibererConnexion {
    void operator()(SQLHDBC h) const noexcept
    {
        SQLDisconnect(h);
        SQLFreeConnect(h);
    }
};
struct LibererInstruction {
    void operator()(SQLHSTMT h) const noexcept { SQLFreeStmt(h, SQL_DROP); }
};

using PoigneeEnvironnement = PoigneeODBC<SQLHENV, LibererEnvironnement>;
using PoigneeConnexion = PoigneeODBC<SQLHDBC, LibererConnexion>;
using PoigneeInstruction = PoigneeODBC<SQLHSTMT, LibererInstruction>;

}  // namespace kervane
