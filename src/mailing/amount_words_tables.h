#pragma once

#include <string>

namespace zem {

// The languages numbers are spelled in.
enum class WordsLanguage { kSpanish, kGalician, kAranese, kCatalan };

// The language a session language code selects: "SPA", "GLG", "OCI"; any other code (also
// three blanks) means Catalan.
WordsLanguage WordsLanguageFor(const std::string& code);

// One language's words for spelling numbers, in code page 850. Index 0 of every column is
// unused.
struct NumberWords {
  const char* hundreds[10];  // 1 to 9; empty where hundreds are built from the units column
  const char* tens[10];      // 1 to 9
  const char* units[17];     // 1 to 16; 10 and up spell the teens written as one word
  const char* big[3];        // million stem, thousand, connector before the cents
  const char* cents_plural;
  const char* cents_singular;
  int last_teen;  // the highest teen spelled from the units column (15 or 16)
  // The ending after the million stem for one million and for more.
  const char* million_one;
  const char* million_many;
  // Units written in one word after the tens, where the joined form differs from the units
  // column (Spanish "diecis\x82is", "veintid\xa2s"); null where it does not.
  const char* joined_units[10];
};
const NumberWords& WordsFor(WordsLanguage language);

}  // namespace zem
