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

// Functions registered on SQLite report their failures with sqlite3_result_error; a message
// that starts with "[SSSSS]" carries its SQLSTATE, which the driver takes out again.
// Example: "[22007]La valeur « 05/17/2024 » n'est pas une date valide pour la colonne « D »."

}  // namespace kervane::sql
