#pragma once
// The three ODBC handle objects. The environment owns its connections, a connection its
// statements; a handle given to the application is a Handle* that carries its kind.
#include "driver/values/Diagnostics.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

namespace kervane::odbc {

enum class HandleKind : std::uint32_t {
    Dead = 0,
    Environment = 0x4B56454E,
    Connection = 0x4B564443,
    Statement = 0x4B565354,
};

class Handle {
public:
    explicit Handle(HandleKind kind) noexcept : m_kind(kind) {}
    ~Handle() { m_kind = HandleKind::Dead; }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    bool is(HandleKind kind) const noexcept { return m_kind == kind; }
    Diagnostics& diagnostics() noexcept { return m_diagnostics; }
    SQLHANDLE asOdbc() noexcept { return static_cast<SQLHANDLE>(this); }

private:
    HandleKind m_kind;
    Diagnostics m_diagnostics;
};

}  // namespace kervane::odbc
