#include "driver/semantics/Locale.h"

#include <cstdlib>

namespace kervane::sql {
namespace {

// The conventions of French Windows and of the United States', as Access applies them.
const UserLocale FRENCH{
    .decimal = ',',
    .thousands = "\u00A0",  // a no-break space
    .currencyBefore = {},
    .currencyAfter = "\u00A0€",
    .monthFirst = false,
    .shortDate = "dd/mm/yyyy", .longDate = "dddd d mmmm yyyy", .mediumDate = "dd-mmm-yy",
    .longTime = "hh:nn:ss", .mediumTime = "hh:nn AM/PM", .shortTime = "hh:nn",
    .dayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"},
    .dayAbbreviations = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."},
    .monthNames = {"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre", "octobre",
                   "novembre", "décembre"},
    .monthAbbreviations = {"janv.", "févr.", "mars", "avr.", "mai", "juin", "juil.", "août", "sept.", "oct.", "nov.",
                           "déc."},
    .trueText = "Vrai", .falseText = "Faux", .yesText = "Oui", .noText = "Non", .onText = "Actif",
    .offText = "Inactif",
};

const UserLocale ENGLISH{
    .decimal = '.',
    .thousands = ",",
    .currencyBefore = "$",
    .currencyAfter = {},
    .monthFirst = true,
    .shortDate = "m/d/yyyy", .longDate = "dddd, mmmm d, yyyy", .mediumDate = "dd-mmm-yy",
    .longTime = "h:nn:ss AM/PM", .mediumTime = "hh:nn AM/PM", .shortTime = "hh:nn",
    .dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    .dayAbbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    .monthNames = {"January", "February", "March", "April", "May", "June", "July", "August", "September",
                   "October", "November", "December"},
    .monthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    .trueText = "True", .falseText = "False", .yesText = "Yes", .noText = "No", .onText = "On", .offText = "Off",
};

std::string_view localeName()
{
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "C";
}

}  // namespace

UserLocale userLocale()
{
    const std::string_view name = localeName();
    const bool isEnglish = name.substr(0, 2) == "en" && (name.size() == 2 || name[2] == '_' || name[2] == '.');
    return isEnglish ? ENGLISH : FRENCH;
}

}  // namespace kervane::sql
