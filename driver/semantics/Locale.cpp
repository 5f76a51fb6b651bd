#include "driver/semantics/Locale.h"

#include <algorithm>
#include <cstdlib>

namespace kervane::sql {
namespace {

constexpr std::array<std::string_view, 7> DAY_NAMES = {"dimanche", "lundi", "mardi", "mercredi",
                                                       "jeudi", "vendredi", "samedi"};
constexpr std::array<std::string_view, 7> DAY_ABBREVIATIONS = {"dim.", "lun.", "mar.", "mer.",
                                                               "jeu.", "ven.", "sam."};
constexpr std::array<std::string_view, 12> MONTH_NAMES = {"janvier", "février", "mars", "avril", "mai", "juin",
                                                          "juillet", "août", "septembre", "octobre",
                                                          "novembre", "décembre"};
constexpr std::array<std::string_view, 12> MONTH_ABBREVIATIONS = {"janv.", "févr.", "mars", "avr.", "mai", "juin",
                                                                  "juil.", "août", "sept.", "oct.", "nov.",
                                                                  "déc."};

// Languages whose decimal separator is the comma.
constexpr std::array<std::string_view, 24> COMMA_LANGUAGES = {
    "fr", "de", "es", "it", "pt", "nl", "ru", "pl", "da", "sv", "nb", "nn",
    "fi", "cs", "sk", "tr", "el", "ro", "hu", "bg", "uk", "hr", "sl", "ca"};

std::string_view localeName()
{
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

}  // namespace

UserLocale userLocale()
{
    UserLocale locale;
    locale.dayNames = DAY_NAMES;
    locale.dayAbbreviations = DAY_ABBREVIATIONS;
    locale.monthNames = MONTH_NAMES;
    locale.monthAbbreviations = MONTH_ABBREVIATIONS;
    const std::string_view name = localeName();
    const std::string_view language = name.substr(0, std::min(name.find_first_of("_.@"), name.size()));
    const bool comma = std::find(COMMA_LANGUAGES.begin(), COMMA_LANGUAGES.end(), language) != COMMA_LANGUAGES.end();
    locale.decimal = comma ? ',' : '.';
    if (!comma)
        locale.thousands.assign(1, ',');  // (assigning the literal trips a false -Wrestrict in GCC 12)
    return locale;
}

}  // namespace kervane::sql
