#pragma once
// Access's date model and the texts that carry dates. A Date is a double counting days from
// 1899-12-30 (= 0); its fraction is the time of day. A negative serial is taken to carry the
// time of day as the absolute value of its fraction (-1.25 is 1899-12-29 06:00). Valid dates
// run from 100-01-01 to 9999-12-31. Inside SQLite a date travels as the canonical text
// "yyyy-mm-dd hh:mm:ss".
#include <optional>
#include <string>
#include <string_view>

namespace kervane::sql {

struct DateParts {
    int year, month, day, hour, minute, second;
};

// The serial of a calendar date and time; nullopt when a part is out of its range
// (month 1-12, a day the month has, hour 0-23, minute and second 0-59, year 100-9999).
std::optional<double> serialFromParts(const DateParts& parts);
// The calendar parts of a serial, the time rounded to the second.
DateParts partsFromSerial(double serial);
// Whether a serial lies between 100-01-01 00:00:00 and 9999-12-31 23:59:59.
bool isSerialInRange(double serial);

// "yyyy-mm-dd hh:mm:ss", the form dates are stored in.
std::string canonicalDate(double serial);
std::string canonicalDate(const DateParts& parts);
// Exactly "yyyy-mm-dd hh:mm:ss", "yyyy-mm-dd hh:mm" or "yyyy-mm-dd".
std::optional<double> readCanonical(std::string_view text);

// What stands between the # signs of an Access SQL date literal: US order m/d/y (a
// day/month pair that is no valid m/d but a valid d/m is swapped), ISO yyyy-mm-dd, month
// names ("January 1, 1993", "1 Jan 93"), an optional time "h:mm[:ss]" with optional AM/PM,
// or a time alone (on 1899-12-30). Two-digit years: 0-29 are 2000-2029, 30-99 are 1930-1999.
std::optional<double> readDateLiteral(std::string_view inside);

// The text of an ODBC escape, quotes included or not: kind 'd' for {d 'yyyy-mm-dd'},
// 't' for {t 'hh:mm:ss'}, 's' for {ts 'yyyy-mm-dd hh:mm:ss[.fff]'}.
std::optional<double> readOdbcEscape(char kind, std::string_view text);

// A text as CDate and DateValue read it for a French user: ISO forms, day-first
// "dd/mm/yyyy [hh:mm[:ss]]" with '/', '-' or '.', a day and month without year (this year),
// French or English month names ("12 février 1969", "February 12, 1969"), an optional time,
// or a time alone. A '/' or '-' date impossible day-first but valid month-first is read
// month-first; a dotted text that is no date may be a time ("04.28.14").
std::optional<double> readUserDate(std::string_view text);

// The texts a date column accepts: ISO "yyyy-mm-dd[ hh:mm[:ss[.fff]]]" (also with 'T'),
// a literal "#m/d/y[ time]#" with its hashes, or day-first "dd/mm/yyyy[ hh:mm[:ss]]".
std::optional<double> readStoredDate(std::string_view text);

}  // namespace kervane::sql
