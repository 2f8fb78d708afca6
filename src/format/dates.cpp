#include "format/dates.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>

#include "format/config_file.h"
#include "format/date_words.h"
#include "format/session_settings.h"
#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"

namespace zem {
namespace {

// The Gregorian reform as the routines here place it.
constexpr int32_t kReformYear = 1582;
constexpr int32_t kFirstDroppedDay = 15821004;    // days after this ...
constexpr int32_t kFirstGregorianDay = 15821015;  // ... and before this do not exist

struct DateParts {
  int32_t year = 0;
  int32_t month = 0;
  int32_t day = 0;
};

int32_t DigitsValue(const std::string& digits) {
  int32_t value = 0;
  for (char c : digits) {
    value = value * 10 + (c >= '0' && c <= '9' ? c - '0' : 0);
    if (value > 99999999) break;
  }
  return value;
}

// The parts of a packed date, read from its eight digits as YYYYMMDD.
DateParts Unpack(const std::string& date) {
  const int32_t v = DigitsValue(UnpackDigits(date.substr(0, 4)));
  return {v / 10000, (v / 100) % 100, v % 100};
}

std::string Pack(int32_t year, int32_t month, int32_t day) {
  return PackDigits(ZeroPad(year, 4) + ZeroPad(month, 2) + ZeroPad(day, 2));
}

bool JulianLeap(int32_t year) {
  return year % 4 == 0;
}
bool GregorianLeap(int32_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// 31 30 31 30 31 30 31 31 30 31 30 31, February shortened to 28 or 29.
int32_t MonthLength(int32_t month, bool leap) {
  int32_t length = 30 + ((1 + ((month + 1) % 9)) % 2);
  if (month == 2) length -= leap ? 1 : 2;
  return length;
}

// Julian leap years before the reform year, Gregorian from it on.
bool HistoricLeap(int32_t year) {
  return year < kReformYear ? JulianLeap(year) : GregorianLeap(year);
}

// A setting from the user file, cut or padded with blanks to `width`; `fallback` when blank.
std::string ReadDisplaySetting(const char* key, size_t width, const char* fallback) {
  std::string value = ReadUserSetting(key);
  value.resize(width, ' ');
  return IsAllChar(value, ' ') ? fallback : value;
}

void LoadDateDisplay() {
  DateDisplaySettings& settings = DateDisplay();
  if (IsAllChar(settings.DatCaracter, 0)) {
    settings.DatCaracter = ReadDisplaySetting("DatCaracter", 1, "/");
  }
  if (IsAllChar(settings.DatOrdre, 0)) {
    settings.DatOrdre = ReadDisplaySetting("DatOrdre", 3, "DMA");
  }
}

// What the scan of a typed date found. Every number must fit a 16-bit integer: a longer one
// makes the text unreadable rather than wrapping round to some other date.
struct TypedDate {
  bool error = false;
  int32_t day = 0;
  int32_t month = 0;
  int32_t year = 0;
  bool four_digit_year = false;
};

// The value of a field of blanks and digits (blanks ignored, empty reads 0); nothing when it
// holds anything else or does not fit a 16-bit integer.
std::optional<int32_t> FieldValue(const std::string& field) {
  int32_t value = 0;
  for (char c : field) {
    if (c == ' ') continue;
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 32767) return std::nullopt;
  }
  return value;
}

TypedDate ScanTypedDate(const std::string& text) {
  TypedDate typed;
  std::string field;
  int fields = 1;
  auto read = [&typed](const std::string& digits, int32_t* target) {
    std::optional<int32_t> value = FieldValue(digits);
    if (value) {
      *target = *value;
    } else {
      typed.error = true;
    }
  };
  for (char c : text) {
    if (c == ' ' || (c >= '0' && c <= '9')) {
      field += c;
    } else if (c == '.' || c == '/' || c == '-') {
      if (fields == 1) {
        read(field, &typed.day);
      } else if (fields == 2) {
        read(field, &typed.month);
      } else {
        typed.error = true;
      }
      field.clear();
      ++fields;
    } else {
      typed.error = true;
    }
  }
  if (fields == 1) {
    // No separator: DDMMYY or DDMMYYYY by position.
    read(text.substr(0, 2), &typed.day);
    read(text.size() > 2 ? text.substr(2, 2) : std::string(), &typed.month);
    std::string year = text.size() > 4 ? text.substr(4) : std::string();
    read(year, &typed.year);
    typed.four_digit_year = TrimBlanks(year).size() > 3;
  } else if (fields == 3) {
    read(field, &typed.year);
    typed.four_digit_year = TrimBlanks(field).size() > 3;
  } else {
    typed.error = true;
  }
  return typed;
}

int32_t CurrentYear() {
  return platform::Time().Today().year;
}

// The month part of a formatted date: its number, or its name in the long or short form.
std::string MonthPart(const DateWords* words, int16_t style, int32_t month,
                      const std::string& number) {
  if (style <= 0 || words == nullptr) return number;
  std::string name = style >= 2 ? MonthName(*words, month) : ShortMonthName(*words, month);
  // A month outside 1..12 (damaged data) shows its number.
  return name.empty() ? number : name;
}

std::string Joiner(const DateWords* words, int16_t style, char part, const std::string& text) {
  if (style < 2 || words == nullptr) return DateDisplay().DatCaracter;
  if (part != 'M') return words->BeforeDayOrYear;
  const char first = text.empty() ? ' ' : AsciiUpper(text.substr(0, 1))[0];
  const bool vowel = std::string("AEIOU").find(first) != std::string::npos;
  return vowel ? words->BeforeVowelMonth : words->BeforeMonth;
}

// The value of a dot-separated code group: blanks ignored, an optional sign, then digits.
double GroupValue(const std::string& group) {
  std::string compact;
  for (char c : group) {
    if (c != ' ') compact += c;
  }
  size_t i = 0;
  bool negative = false;
  if (i < compact.size() && (compact[i] == '-' || compact[i] == '+')) {
    negative = compact[i] == '-';
    ++i;
  }
  double value = 0;
  for (; i < compact.size() && compact[i] >= '0' && compact[i] <= '9'; ++i) {
    value = value * 10 + (compact[i] - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::string PackDigits(const std::string& text) {
  const size_t n = text.size();
  std::string digits = std::string(n, '0') + TrimBlanks(text);
  digits = digits.substr(digits.size() - n);
  for (char& c : digits) {
    if (c == ' ') c = '0';
  }
  auto value = [&digits](size_t i) {
    return i < digits.size() && digits[i] >= '0' && digits[i] <= '9' ? digits[i] - '0' : 0;
  };
  std::string packed;
  for (size_t i = 0; i < (n + 1) / 2; ++i) {
    packed += static_cast<char>((10 * value(2 * i) + value(2 * i + 1)) | 128);
  }
  return packed;
}

std::string UnpackDigits(const std::string& packed) {
  std::string digits;
  digits.reserve(packed.size() * 2);
  for (char b : packed) {
    int value = (static_cast<unsigned char>(b) & 127) % 100;
    digits += static_cast<char>('0' + value / 10);
    digits += static_cast<char>('0' + value % 10);
  }
  return digits;
}

std::string ZeroDate() {
  return std::string(4, '\x80');
}

int16_t DayOfWeek(const std::string& date) {
  const int32_t p = Unpack(date).year - 1;
  const std::string january_first = date.substr(0, 2) + PackDigits("0101");
  const int32_t d = DateDiff(date, january_first, "d");
  int32_t w;
  if (date < PackDigits("15821005")) {
    w = ((p + p / 4) % 7) + 6 + (d - 1);
  } else {
    w = ((p + p / 4 - p / 100 + p / 400) % 7) + 1 + (d - 1);
  }
  // Kept within 1..7 also for the year 0 of damaged data.
  w %= 7;
  if (w < 0) w += 7;
  return static_cast<int16_t>(w + 1);
}

int32_t DateDiff(const std::string& date1, const std::string& date2, const std::string& unit) {
  const bool in_order = date1 <= date2;
  const DateParts first = Unpack(in_order ? date1 : date2);
  const DateParts second = Unpack(in_order ? date2 : date1);
  const std::string u = AsciiUpper(unit);
  if (u == "D") {
    int32_t total = 0;
    for (int32_t y = first.year + 1; y <= second.year - 1; ++y)
      total += HistoricLeap(y) ? 366 : 365;
    const int32_t last_month = first.year < second.year ? 12 : second.month - 1;
    for (int32_t m = first.month; m <= last_month; ++m) {
      total += MonthLength(m, HistoricLeap(first.year));
    }
    if (first.year < second.year) {
      for (int32_t m = 1; m <= second.month - 1; ++m) {
        total += MonthLength(m, HistoricLeap(second.year));
      }
    }
    return total - first.day + second.day;
  }
  if (u == "M") return 12 * (second.year - first.year) + second.month - first.month;
  if (u == "A") {
    int32_t years = second.year - first.year;
    if (first.month > second.month || (first.month == second.month && first.day > second.day)) {
      --years;
    }
    return years;
  }
  return 0;
}

DateDisplaySettings& DateDisplay() {
  static DateDisplaySettings settings;
  return settings;
}

void ResetDateDisplay() {
  DateDisplay() = DateDisplaySettings{};
}
ZEM_REGISTER_STATE_RESET(ResetDateDisplay);

// Style 0, the form of every receipt in a letter, without the intermediate texts of the other
// styles: the same parts, joiners and width.
void AppendNumericDate(std::string& out, std::string_view date, std::string_view parts) {
  LoadDateDisplay();
  const auto pair = [&date](size_t i) {
    return i < date.size() ? (static_cast<unsigned char>(date[i]) & 127) % 100 : 0;
  };
  const int month = pair(2);
  const int day = pair(3);
  bool want_day = false;
  bool want_month = false;
  bool want_year = false;
  for (char c : parts) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    want_day |= c == 'D';
    want_month |= c == 'M';
    want_year |= c == 'A';
  }
  const int width = (want_month ? 2 : 0) + (want_year ? 4 : 0) + (want_day ? 2 : 0) +
                    static_cast<int>(parts.size()) - 1;
  const size_t field = width > 0 ? static_cast<size_t>(width) : 0;
  // The date is built in place, in room for every part of the order (four digits at most) and
  // its joiner, then cut to the field or padded with blanks.
  const DateDisplaySettings& display = DateDisplay();
  const size_t start = out.size();
  out.resize(start + std::max(field, display.DatOrdre.size() * (4 + display.DatCaracter.size())));
  char* const begin = out.data() + start;
  char* text = begin;
  if (month != 0 || day != 0) {
    for (char c : display.DatOrdre) {
      char part[4];
      char* end = part;
      if (c == 'D' && want_day) {
        end = std::to_chars(part, part + sizeof part, day).ptr;
      } else if (c == 'A' && want_year) {
        for (int value : {pair(0), pair(1)}) {
          *end++ = static_cast<char>('0' + value / 10);
          *end++ = static_cast<char>('0' + value % 10);
        }
      } else if (c == 'M' && want_month) {
        end = std::to_chars(part, part + sizeof part, month).ptr;
      } else {
        continue;
      }
      if (text > begin) {
        for (char joiner : display.DatCaracter) *text++ = joiner;
      }
      for (const char* digit = part; digit < end; ++digit) *text++ = *digit;
    }
  }
  const size_t length = static_cast<size_t>(text - begin);
  for (size_t i = length; i < field; ++i) begin[i] = ' ';
  out.resize(start + field);
}

std::string FormatDate(const std::string& date, int16_t style, const std::string& parts) {
  LoadDateDisplay();
  if (style == 0) {
    std::string result;
    AppendNumericDate(result, date, parts);
    return result;
  }
  const DateWords* words = style > 0 ? &DateWordsFor(Session().Language) : nullptr;

  std::string digits = UnpackDigits(date.substr(0, 4));
  digits.resize(8, '0');
  const int32_t month = DigitsValue(digits.substr(4, 2));
  const int32_t day = DigitsValue(digits.substr(6, 2));
  const std::string year_text = digits.substr(0, 4);
  const std::string month_text = std::to_string(month);
  const std::string day_text = std::to_string(day);

  // Any negative style is the ISO-like form.
  if (style < 0) return year_text + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2);

  const std::string wanted = AsciiUpper(parts);
  std::string result;
  if (month != 0 || day != 0) {
    for (char c : DateDisplay().DatOrdre) {
      if (wanted.find(c) == std::string::npos) continue;
      std::string part;
      if (c == 'D') {
        part = day_text;
      } else if (c == 'A') {
        part = year_text;
      } else if (c == 'M') {
        part = MonthPart(words, style, month, month_text);
      } else {
        continue;
      }
      if (!result.empty()) result += Joiner(words, style, c, part);
      result += part;
    }
  }
  if (style >= 2) return result;

  const auto has = [&wanted](char c) { return wanted.find(c) != std::string::npos; };
  const int width = (has('M') ? style + 2 : 0) + (has('A') ? 4 : 0) + (has('D') ? 2 : 0) +
                    static_cast<int>(parts.size()) - 1;
  result.resize(width > 0 ? static_cast<size_t>(width) : 0, ' ');
  return result;
}

// The year a typed date is stored with: one typed with fewer than four digits is put in the
// century of the current year, then moved a century back when it lies more than 49 years
// ahead or forward when it lies more than 50 years back.
int32_t StoredYear(const TypedDate& typed) {
  int32_t year = typed.year;
  if (typed.day > 0 && typed.month > 0 && !typed.four_digit_year) {
    const int32_t now = CurrentYear();
    year += 100 * (now / 100);
    if (year - now > 49) {
      year -= 100;
    } else if (now - year > 50) {
      year += 100;
    }
  }
  return year;
}

std::string ParseDate(const std::string& text) {
  TypedDate typed = ScanTypedDate(text);
  if (typed.error) return ZeroDate();
  return Pack(StoredYear(typed), typed.month, typed.day);
}

int16_t DaysInMonth(int32_t year, int32_t month) {
  return static_cast<int16_t>(MonthLength(month, GregorianLeap(year)));
}

int16_t CheckDate(const std::string& text) {
  TypedDate typed = ScanTypedDate(text);
  if (typed.error) return -1;
  // The day checked is the day stored: a year of three digits is widened as one of two (29/2/800
  // is stored in 2700, which has no 29 February).
  const int32_t year = StoredYear(typed);
  // A packed date keeps four year digits: a longer year would be stored as another date.
  if (year > 9999) return -1;
  const int32_t v = year * 10000 + typed.month * 100 + typed.day;
  if (v > kFirstDroppedDay && v < kFirstGregorianDay) return -1;
  if (typed.month < 1 || typed.month > 12) return -1;
  if (typed.day < 1 || typed.day > DaysInMonth(year, typed.month)) return -1;
  return 0;
}

std::string PackCode(const std::string& text) {
  const size_t dots = static_cast<size_t>(std::count(text.begin(), text.end(), '.'));
  int16_t width = (text.size() == 6 && dots == 0) || (text.size() == 11 && dots < 2) ? 6 : 4;
  std::string digits;
  size_t pos = 0;
  while (pos < text.size() && text.find_last_not_of(' ') != std::string::npos &&
         text.find_last_not_of(' ') >= pos) {
    size_t dot = text.find('.', pos);
    std::string group = text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
    digits += ZeroPad(GroupValue(group), width);
    width = 4;
    if (dot == std::string::npos) break;
    pos = dot + 1;
  }
  return PackDigits(digits);
}

std::string DateFieldText(const std::string& packed_date) {
  const size_t size = packed_date.size();
  const int32_t day = size >= 1 ? DigitsValue(UnpackDigits(packed_date.substr(size - 1))) : 0;
  const int32_t month = size >= 2 ? DigitsValue(UnpackDigits(packed_date.substr(size - 2, 1))) : 0;
  const int32_t year = size > 2 ? DigitsValue(UnpackDigits(packed_date.substr(0, size - 2))) : 0;
  if (day <= 0 && month <= 0) return {};
  const int32_t now = CurrentYear();
  const std::string year_text =
      year >= now - 50 && year <= now + 49 ? ZeroPad(year % 100, 2) : ZeroPad(year, 4);
  return ZeroPad(day, 2) + ZeroPad(month, 2) + year_text;
}

}  // namespace zem
