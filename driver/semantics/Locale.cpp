#include "driver/semantics/Locale.h"

#include <cstdlib>

namespace kervane::sql {
namespace {

UserLocale french()
{
    UserLocale locale;
    locale.decimal = ',';
    locale.thousands = "\u00A0";  // a no-break space
    locale.currencyAfter = "\u00A0€";
    locale.monthFirst = false;
    locale.shortDate = "dd/mm/yyyy";
    locale.longDate = "dddd d mmmm yyyy";
    locale.mediumDate = "dd-mmm-yy";
    locale.longTime = "hh:nn:ss";
    locale.mediumTime = "hh:nn AM/PM";
    locale.shortTime = "hh:nn";
    locale.dayNames = {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"};
    locale.dayAbbreviations = {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."};
    locale.monthNames = {"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre",
                         "octobre", "novembre", "décembre"};
    locale.monthAbbreviations = {"janv.", "févr.", "mars", "avr.", "mai", "juin", "juil.", "août", "sept.",
                                 "oct.", "nov.", "déc."};
    locale.trueText = "Vrai";
    locale.falseText = "Faux";
    locale.yesText = "Oui";
    locale.noText = "Non";
    locale.onText = "Actif";
    locale.offText = "Inactif";
    return locale;
}

UserLocale english()
{
    UserLocale locale;
    locale.decimal = '.';
    locale.thousands.assign(1, ',');  // (assigning the literal trips a false -Wrestrict in GCC 12)
    locale.currencyBefore.assign(1, '$');
    locale.monthFirst = true;
    locale.shortDate = "m/d/yyyy";
    locale.longDate = "dddd, mmmm d, yyyy";
    locale.mediumDate = "dd-mmm-yy";
    locale.longTime = "h:nn:ss AM/PM";
    locale.mediumTime = "hh:nn AM/PM";
    locale.shortTime = "hh:nn";
    locale.dayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    locale.dayAbbreviations = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    locale.monthNames = {"January", "February", "March", "April", "May", "June", "July", "August", "September",
                         "October", "November", "December"};
    locale.monthAbbreviations = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    locale.trueText = "True";
    locale.falseText = "False";
    locale.yesText = "Yes";
    locale.noText = "No";
    locale.onText = "On";
    locale.offText = "Off";
    return locale;
}

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
    return isEnglish ? english() : french();
}

}  // namespace kervane::sql
