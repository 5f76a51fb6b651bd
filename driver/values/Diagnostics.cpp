#include "driver/values/Diagnostics.h"

namespace kervane::odbc {

SQLRETURN Diagnostics::add(std::string_view state, std::string_view message, SQLINTEGER native)
{
    DiagRecord record;
    record.state = state;
    record.message.reserve(MESSAGE_PREFIX.size() + message.size());
    record.message.append(MESSAGE_PREFIX).append(message);
    record.native = native;
    m_records.push_back(std::move(record));
    return state.starts_with("01") ? SQL_SUCCESS_WITH_INFO : SQL_ERROR;
}

bool Diagnostics::popFirst(DiagRecord& record)
{
    if (m_records.empty())
        return false;
    record = std::move(m_records.front());
    m_records.erase(m_records.begin());
    return true;
}

}  // namespace kervane::odbc
