#include "driver/api/Entry.h"

namespace kervane::odbc {

SQLRETURN fail(Handle& handle, const OdbcError& error) noexcept
{
    try {
        return handle.diagnostics().add(error);
    } catch (...) {
        return SQL_ERROR;
    }
}

}  // namespace kervane::odbc
