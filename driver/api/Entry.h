#pragma once
// What every exported function does around its body: check the handle, take the locks its
// kind needs, clear its diagnostics, and turn any failure into a diagnostic record and
// SQL_ERROR.
#include "driver/handles/Connection.h"
#include "driver/handles/Environment.h"
#include "driver/handles/Statement.h"

#include <exception>
#include <mutex>
#include <new>
#include <string>

namespace kervane::odbc {

// The one place a failure becomes a diagnostic and a return code.
SQLRETURN fail(Handle& handle, const OdbcError& error) noexcept;

template <class T>
T* handleOf(SQLHANDLE handle) noexcept
{
    auto* base = static_cast<Handle*>(handle);
    return base != nullptr && base->is(T::KIND) ? static_cast<T*>(base) : nullptr;
}

// Runs body on the object, clearing its diagnostics first and recording any failure.
template <class T, class Body>
SQLRETURN reported(T& object, Body&& body) noexcept
{
    object.diagnostics().clear();
    try {
        return body(object);
    } catch (const OdbcError& error) {
        return fail(object, error);
    } catch (const std::bad_alloc&) {
        return fail(object, OdbcError{"HY001", "Mémoire insuffisante.", 0});
    } catch (const std::exception& error) {
        return fail(object, OdbcError{"HY000", std::string("Erreur interne du pilote : ") + error.what(), 0});
    } catch (...) {
        return fail(object, OdbcError{"HY000", "Erreur interne du pilote.", 0});
    }
}

// What a call holds for its whole length. An environment call: nothing (its connection list
// has a lock of its own). A connection call: the connection's call lock.
template <class T>
class CallScope {
public:
    explicit CallScope(T&) noexcept {}
    void start() noexcept {}
};

template <>
class CallScope<Connection> {
public:
    explicit CallScope(Connection& connection) : m_lock(connection.callLock()) {}
    void start() noexcept {}

private:
    std::scoped_lock<std::mutex> m_lock;
};

// A statement call also makes itself known to SQLCancel and to the query time limit.
template <>
class CallScope<Statement> {
public:
    explicit CallScope(Statement& statement)
        : m_statement(statement), m_lock(statement.connection().callLock(), std::defer_lock)
    {
        Connection& connection = statement.connection();
        connection.announceCall(statement);
        try {
            m_lock.lock();
        } catch (...) {
            connection.finishCall(statement);
            throw;
        }
    }
    ~CallScope() { m_statement.connection().finishCall(m_statement); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;
    // Throws the cancellation when SQLCancel came while the call waited for the lock.
    void start() { m_statement.connection().startCall(m_statement); }

private:
    Statement& m_statement;
    std::unique_lock<std::mutex> m_lock;
};

// An entry point on a handle that stays alive through the call.
template <class T, class Body>
SQLRETURN guarded(SQLHANDLE handle, Body&& body) noexcept
{
    T* object = handleOf<T>(handle);
    if (object == nullptr)
        return SQL_INVALID_HANDLE;
    try {
        CallScope<T> scope(*object);
        return reported(*object, [&](T& target) -> SQLRETURN {
            scope.start();
            return body(target);
        });
    } catch (...) {
        return SQL_ERROR;  // a lock that could not be taken
    }
}

// An entry point that frees its own handle: no lock of the handle may outlive it.
template <class T, class Body>
SQLRETURN unlockedCall(SQLHANDLE handle, Body&& body) noexcept
{
    T* object = handleOf<T>(handle);
    if (object == nullptr)
        return SQL_INVALID_HANDLE;
    return reported(*object, body);
}

}  // namespace kervane::odbc
