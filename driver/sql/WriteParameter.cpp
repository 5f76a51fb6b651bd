// Statement parameters: each ? marker is written with its number (?N) so that a value the
// writer repeats (a Yes/No rule, a date rule) stays one parameter, and the column each one
// meets gives it a type.
#include "driver/sql/Lexer.h"
#include "driver/sql/SqlError.h"
#include "driver/sql/Writer.h"

#include <algorithm>

namespace kervane::sql {

std::size_t Writer::markerCount() const
{
    if (!m_markersRead) {
        for (const Token& token : tokenize(m_source))
            if (token.kind == TokenKind::Parameter)
                m_markerOffsets.push_back(token.offset);
        m_markersRead = true;
    }
    return m_markerOffsets.size();
}

// Markers are numbered in the order they are written, after the declared parameters.
Written Writer::parameter(const Expr& expr)
{
    markerCount();
    const auto found = std::lower_bound(m_markerOffsets.begin(), m_markerOffsets.end(), expr.position);
    if (found == m_markerOffsets.end() || *found != expr.position)
        throw SqlError("42000", "Paramètre introuvable dans l'instruction.");
    const auto number = m_parameters.size() + static_cast<std::size_t>(found - m_markerOffsets.begin()) + 1;
    Written written = makeWritten("?" + std::to_string(number), AccessType::Unknown);
    written.parameter = static_cast<int>(number);
    return written;
}

void Writer::noteParameter(const Written& parameter, AccessType type, const std::string& declared)
{
    if (parameter.parameter == 0 || type == AccessType::Unknown || type == AccessType::Null)
        return;
    const auto index = static_cast<std::size_t>(parameter.parameter - 1);
    if (m_uses.size() <= index)
        m_uses.resize(index + 1);
    if (m_uses[index].type == AccessType::Unknown)
        m_uses[index] = ParameterUse{type, declared, {}};
}

std::vector<ParameterUse> Writer::parameterUses() const
{
    std::vector<ParameterUse> uses(m_parameters.size() + markerCount());
    for (std::size_t i = 0; i < m_parameters.size(); ++i)
        uses[i] = ParameterUse{typeFromDeclaration(m_parameters[i].type), m_parameters[i].type, m_parameters[i].name};
    for (std::size_t i = m_parameters.size(); i < uses.size() && i < m_uses.size(); ++i)
        uses[i] = m_uses[i];
    return uses;
}

}  // namespace kervane::sql
