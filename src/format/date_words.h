#pragma once

#include <string>

namespace zem {

// The words of the long date form in one language.
struct DateWords {
  const char* BeforeMonth;       // " de "
  const char* BeforeVowelMonth;  // before a month name that begins with a vowel
  const char* BeforeDayOrYear;
  // The twelve month names, each left-aligned in a slot of 10 characters.
  const char* MonthSlots;
};

// The words for a session language code: "SPA" Spanish, "GLG" Galician, "OCI" Aranese, any
// other code Catalan.
const DateWords& DateWordsFor(const std::string& language);

// The full name of month 1..12 (its slot without trailing blanks) and the short name (the first
// three characters of the slot). Outside 1..12 both are the empty text.
std::string MonthName(const DateWords& words, int month);
std::string ShortMonthName(const DateWords& words, int month);

}  // namespace zem
