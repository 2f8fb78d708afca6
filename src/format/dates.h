#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zem {

// Packed digit strings hold decimal digits two to a byte, each byte 128 + the two-digit value,
// so that packed numbers of equal length sort as plain byte strings. A packed date is the eight
// digits CCYYMMDD in 4 bytes; four bytes 128 (the zero date) stand for no date.

// Packs a digit string (blanks allowed; the digits are right-aligned and zero-filled to the
// text's length). An odd count puts 0 as the units of the last byte.
std::string PackDigits(const std::string& text);
// Two digits per byte.
std::string UnpackDigits(const std::string& packed);

// The zero date: no date.
std::string ZeroDate();

// 1 (Monday) ... 7 (Sunday); Julian before 5 October 1582, Gregorian from then on.
int16_t DayOfWeek(const std::string& date);

// The number of days of month 1..12 of `year` by the Gregorian leap rule.
int16_t DaysInMonth(int32_t year, int32_t month);

// The distance between two packed dates in unit "D" (days), "M" (months, days ignored) or "A"
// (whole years), any case; never negative, whatever the argument order. Another unit gives 0.
int32_t DateDiff(const std::string& date1, const std::string& date2, const std::string& unit);

// The date display settings, read from the user file on the first FormatDate that finds them
// unloaded (all bytes zero): the separator of the short forms and the order of day (D), month
// (M) and year (A).
struct DateDisplaySettings {
  std::string DatCaracter = std::string(1, '\0');
  std::string DatOrdre = std::string(3, '\0');
};
DateDisplaySettings& DateDisplay();
void ResetDateDisplay();

// A packed date as text. Style -1: 2024-01-05. Style 0: the parts in the configured order
// joined by the configured separator, month as a number, padded to the field width; style 1
// likewise with the three-letter month name; style 2: the long form in the session's language
// (5 d'abril del 2024). `parts` picks the parts shown: any of d, m, a in any case.
std::string FormatDate(const std::string& date, int16_t style, const std::string& parts);
// Style 0 of FormatDate added to the end of `out`.
void AppendNumericDate(std::string& out, std::string_view date, std::string_view parts);

// A typed date (always day, month, year: 050324, 5/3/24, 5.3.2024, 5-3-2024) as a packed date;
// the zero date when the text cannot be read. Ranges are not checked (31/02/24 packs as is).
std::string ParseDate(const std::string& text);
// -1 when a typed date cannot be read, names no real day or has a year beyond four digits
// (which a packed date cannot hold), else 0. The day checked is the one ParseDate stores, its
// year widened the same way.
int16_t CheckDate(const std::string& text);

// A numeric code typed with dots between groups (12.3) as packed digits: the first group is 4
// digits wide (6 for a 6-character code without dot, or an 11-character code with fewer than
// two dots), every later group 4.
std::string PackCode(const std::string& text);

// A packed date as shown in a date input field: day and month as two digits each, then the
// year as two digits when it lies within 50 years before to 49 years after the current year,
// else as four; empty when day and month are both 0.
std::string DateFieldText(const std::string& packed_date);

}  // namespace zem
