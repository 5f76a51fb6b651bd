#pragma once
// The calls SQLite makes into the Jet module run inside SQLite's C code: no C++ exception may
// cross it. Each call is wrapped so that a failure (memory exhausted, a library throwing)
// becomes an SQLite error code, with a French message on the virtual table when there is one.
#include <sqlite3.h>

#include <exception>
#include <new>
#include <string>
#include <type_traits>

namespace kervane::jet {

namespace guard {

inline void describe(sqlite3_vtab* vtab, const char* message) noexcept
{
    if (vtab == nullptr)
        return;
    sqlite3_free(vtab->zErrMsg);
    vtab->zErrMsg = sqlite3_mprintf("%s", message);
}

template <class First>
sqlite3_vtab* tableOf(First first) noexcept
{
    if constexpr (std::is_same_v<First, sqlite3_vtab*>)
        return first;
    else if constexpr (std::is_same_v<First, sqlite3_vtab_cursor*>)
        return first != nullptr ? first->pVtab : nullptr;
    else
        return nullptr;
}

}  // namespace guard

template <auto Function>
struct Guarded;

template <class First, class... Rest, int (*Function)(First, Rest...)>
struct Guarded<Function> {
    static int call(First first, Rest... rest) noexcept
    {
        try {
            return Function(first, rest...);
        } catch (const std::bad_alloc&) {
            guard::describe(guard::tableOf(first), "[HY001]Mémoire insuffisante pour lire ou modifier le fichier Access.");
            return SQLITE_NOMEM;
        } catch (const std::exception& error) {
            try {
                const std::string message = std::string("[HY000]Erreur interne du pilote : ") + error.what();
                guard::describe(guard::tableOf(first), message.c_str());
            } catch (...) {
                guard::describe(guard::tableOf(first), "[HY000]Erreur interne du pilote.");
            }
            return SQLITE_ERROR;
        } catch (...) {
            guard::describe(guard::tableOf(first), "[HY000]Erreur interne du pilote.");
            return SQLITE_ERROR;
        }
    }
};

// The same for the calls that free their argument (closing a cursor, disconnecting a table):
// after a failure the argument may be gone, so nothing is written into it.
template <auto Function>
struct GuardedRelease;

template <class First, int (*Function)(First)>
struct GuardedRelease<Function> {
    static int call(First first) noexcept
    {
        try {
            return Function(first);
        } catch (...) {
            return SQLITE_ERROR;
        }
    }
};

}  // namespace kervane::jet
