#pragma once

#include <string>

namespace zem {

// The characters numbers are shown with, from the user file (VAKROOT + "Nera.ini", section
// Usuari): DecCaracter for the decimal point (default "'") and MilCaracter for the thousands
// separator (default "."). Both start as 0, meaning not loaded yet, and are loaded by the first
// FormatMask that finds them so.
struct NumberDisplaySettings {
  char DecCaracter = '\0';
  char MilCaracter = '\0';
};
NumberDisplaySettings& NumberDisplay();
void ResetNumberDisplay();
// Loads the settings from the user file unless they are loaded already.
void LoadNumberDisplay();

// Which currency amounts are stored in (Main, "E" once the session has started), the one that
// can be switched to (Alternative) and the one FormatAmount shows (Active, "P" converts to
// pesetas). One-letter codes, all empty at start.
struct CurrencyState {
  std::string Main;
  std::string Alternative;
  std::string Active;
};
CurrencyState& Currency();
void ResetCurrency();

// Pesetas to the euro, held in single precision as the suite stores it; products are computed
// with that value (166.38600158691406).
inline constexpr double kPesetaRate = static_cast<double>(166.386f);

// `value` laid out in the picture `mask`: "9" a digit or "0", "Z"/"z" a digit or blank, "*" a
// digit or "*", the first "." the decimal point (shown as DecCaracter), "," a thousands
// separator (MilCaracter), "-" and "+" sign positions; other characters are copied. Rounds half
// to even. The result has the mask's length: a number that does not fit is shown whole, cut to
// the width, and a field that cannot hold even its integer part and sign is all "!". A NaN or an
// infinity, which has no digits to show, also gives a field of "!".
std::string FormatMask(const std::string& mask, double value);

// An amount held in hundredths of the main currency, shown through a mask built from the money
// picture `format` ("Z,ZZZ,ZZZ,ZZ9", "Z,ZZZ,ZZZ,ZZ9-"): two decimals are added, or, with the
// active currency "P", the amount is converted to pesetas and shown with the picture's own
// decimals. The result has the format's length.
std::string FormatAmount(const std::string& format, double value);

// Changes the currency state: "a,X" makes X the main and active currency, "<other>,X" makes X
// the alternative, "p" activates the alternative (or the main one when there is none), anything
// else (also the empty text) activates the main currency.
void SetCurrency(const std::string& request);

}  // namespace zem
