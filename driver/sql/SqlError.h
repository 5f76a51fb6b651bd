#pragma once
// A statement the front end refuses: the SQLSTATE and the French message for the user.
#include <stdexcept>
#include <string>

namespace kervane::sql {

class SqlError : public std::runtime_error {
public:
    SqlError(std::string state, const std::string& message) : std::runtime_error(message), m_state(std::move(state)) {}
    const std::string& state() const noexcept { return m_state; }

private:
    std::string m_state;
};

// The schema could not be read (SQLite's result `code`: a base locked by another program, an
// I/O error), or a table of it declared (SQLite's `reason`, such as a definition found
// damaged): the driver says why, in its own words.
class SchemaUnreadable : public SqlError {
public:
    explicit SchemaUnreadable(int code, std::string reason = {})
        : SqlError("HY000", "Le schéma de la base ne peut pas être lu."), m_code(code), m_reason(std::move(reason))
    {
    }
    int code() const noexcept { return m_code; }
    const std::string& reason() const noexcept { return m_reason; }

private:
    int m_code;
    std::string m_reason;
};

// Functions registered on SQLite report their failures with sqlite3_result_error; a message
// that starts with "[SSSSS]" carries its SQLSTATE, which the driver takes out again.
// Example: "[22007]La valeur « 05/17/2024 » n'est pas une date valide pour la colonne « D »."

}  // namespace kervane::sql
