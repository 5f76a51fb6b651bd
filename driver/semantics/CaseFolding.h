#pragma once
// Unicode simple case folding, one character to one character: the form in which two texts
// that differ only by case become equal, in every cased script (Latin, Greek, Cyrillic,
// Armenian, Georgian, Cherokee, Glagolitic, Deseret...).
namespace kervane::sql {

// The simple case fold of c (usually its small letter); c itself when it has none.
char32_t foldCase(char32_t c);

}  // namespace kervane::sql
