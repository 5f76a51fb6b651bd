#pragma once
// What every exported function does around its body: check the handle, clear its
// diagnostics, and turn any failure into a diagnostic record and SQL_ERROR.
#include "driver/Connection.h"
#include "driver/Environment.h"
#include "driver/Statement.h"

#include <exception>
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

template <class T, class Body>
SQLRETURN guarded(SQLHANDLE handle, Body&& body) noexcept
{
    T* object = handleOf<T>(handle);
    if (object == nullptr)
        return SQL_INVALID_HANDLE;
    object->diagnostics().clear();
    try {
        return body(*object);
    } catch (const OdbcError& error) {
        return fail(*object, error);
    } catch (const std::bad_alloc&) {
        return fail(*object, OdbcError{"HY001", "Mémoire insuffisante.", 0});
    } catch (const std::exception& error) {
        return fail(*object, OdbcError{"HY000", std::string("Erreur interne du pilote : ") + error.what(), 0});
    } catch (...) {
        return fail(*object, OdbcError{"HY000", "Erreur interne du pilote.", 0});
    }
}

}  // namespace kervane::odbc
