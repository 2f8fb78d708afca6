#include "mailing/amount_in_words.h"

#include <cmath>

#include "format/edit_mask.h"
#include "format/plain_decimal.h"
#include "format/text_utils.h"
#include "mailing/amount_words_tables.h"
#include "startup/session.h"

namespace zem {
namespace {

enum Position { kHundreds = 0, kTens = 1, kUnits = 2 };

// The groups of the digit text: millions, thousands, units and cents.
constexpr int kMillions = 0;
constexpr int kThousands = 1;
constexpr int kUnitsGroup = 2;
constexpr int kCents = 3;

// One digit being spelled: its group, its position in the group, its value (10 and up for a
// teen spelled as one word), the value of the digits after it in the group, whether the
// masculine forms apply, and the tens digit spelled before it in the group (0 for none).
struct Digit {
  int group;
  int position;
  int d;
  int rest;
  bool masculine;
  int tens_before;
};

class Speller {
 public:
  Speller(WordsLanguage language, bool feminine)
      : language_(language), words_(WordsFor(language)), feminine_(feminine) {}

  // `digits` is the 12-character digit text: four groups of three, a blank reading as 0.
  std::string Spell(const std::string& digits) {
    for (int g = 0; g < 4; ++g) {
      const int v = GroupValue(digits, g);
      if (!(v == 1 && g == kThousands)) SpellGroup(digits, g);
      EndGroup(g, v, g < kCents ? GroupValue(digits, g + 1) : 0, DigitAt(digits, g, kUnits));
    }
    const int cents = GroupValue(digits, kCents);
    if (cents > 1) {
      TrimTrailing();
      text_ += words_.cents_plural;
    } else if (cents == 1) {
      TrimTrailing();
      text_ += words_.cents_singular;
    }
    TrimTrailing();
    return text_;
  }

 private:
  static int DigitAt(const std::string& digits, int g, int position) {
    const char c = digits[static_cast<size_t>(3 * g + position)];
    return c >= '0' && c <= '9' ? c - '0' : 0;
  }
  static int GroupValue(const std::string& digits, int g) {
    return 100 * DigitAt(digits, g, kHundreds) + 10 * DigitAt(digits, g, kTens) +
           DigitAt(digits, g, kUnits);
  }

  void SpellGroup(const std::string& digits, int g) {
    const bool masculine = !feminine_ || g == kMillions || g == kCents;
    int tens_before = 0;
    for (int j = kHundreds; j <= kUnits; ++j) {
      int d = DigitAt(digits, g, j);
      if (d == 0) continue;
      int rest = j == kHundreds ? 10 * DigitAt(digits, g, kTens) + DigitAt(digits, g, kUnits)
                 : j == kTens   ? DigitAt(digits, g, kUnits)
                                : 0;
      int position = j;
      // A teen written as one word takes the units position with it.
      if (j == kTens && d == 1 && rest + 10 <= words_.last_teen) {
        d = rest + 10;
        rest = 0;
        position = kUnits;
        j = kUnits;
      }
      SpellDigit({g, position, d, rest, masculine, tens_before});
      if (position == kTens) tens_before = d;
    }
  }

  const char* TableWord(const Digit& x) const {
    switch (x.position) {
      case kHundreds:
        return words_.hundreds[x.d];
      case kTens:
        return words_.tens[x.d];
      default:
        // After "dieci" and "veint" the units join the tens in one word.
        if ((x.tens_before == 1 || x.tens_before == 2) && x.d < 10 && words_.joined_units[x.d]) {
          return words_.joined_units[x.d];
        }
        return words_.units[x.d];
    }
  }

  void SpellDigit(const Digit& x) {
    switch (language_) {
      case WordsLanguage::kSpanish:
        return SpanishDigit(x);
      case WordsLanguage::kGalician:
        return GalicianDigit(x);
      case WordsLanguage::kAranese:
        return AraneseDigit(x);
      case WordsLanguage::kCatalan:
        return CatalanDigit(x);
    }
  }

  void SpanishDigit(const Digit& x) {
    text_ += TableWord(x);
    if (x.d == 1) {
      if (x.position == kUnits && (x.group == kThousands || x.group == kUnitsGroup)) {
        text_ += x.masculine ? "o" : "a";
      } else if (x.position == kHundreds && x.rest > 0) {
        text_ += "to";
      }
    }
    if (x.d == 2 && x.position == kTens) {
      text_ += x.rest == 0 ? "e" : "i";
    } else if (x.d > 2 && x.position == kTens && x.rest > 0) {
      TrimTrailing();
      text_ += " y";
    } else if (x.d > 1 && x.position == kHundreds) {
      text_ += x.masculine ? "os" : "as";
    }
    const bool joined = x.position == kTens && (x.d == 1 || (x.d == 2 && x.rest > 0));
    if (!joined) AddBlank();
  }

  void GalicianDigit(const Digit& x) {
    if (x.d == 2 && x.position == kHundreds) text_ += x.masculine ? "dous" : "duas";
    text_ += TableWord(x);
    if (x.d == 1) {
      if (x.position == kUnits) {
        text_ += x.masculine ? "m" : "mha";
      } else if (x.position == kHundreds) {
        text_ += x.rest > 0 ? "nto" : "m";
      }
    }
    if (x.d == 2 && x.position == kUnits) text_ += x.masculine ? "ous" : "uas";
    if (x.d == 1 && x.position == kTens && (x.rest == 6 || x.rest == 7)) {
      text_ += "s";
    } else if (x.d > 1 && x.position == kTens && x.rest > 0) {
      TrimTrailing();
      text_ += " e ";
    } else if (x.d > 1 && x.position == kHundreds) {
      text_ += x.masculine ? "os" : "as";
    }
    if (x.position == kHundreds && x.rest > 0) {
      TrimTrailing();
      text_ += " e ";
      return;
    }
    const bool joined = x.position == kTens && (x.d == 1 || (x.d == 2 && x.rest > 0));
    if (!joined) AddBlank();
  }

  void AraneseDigit(const Digit& x) {
    const bool hundreds_from_units = x.position == kHundreds && x.d > 1;
    text_ += hundreds_from_units ? words_.units[x.d] : TableWord(x);
    if (x.d == 1 && x.position == kUnits) {
      text_ += x.masculine ? "n" : "a";
    } else if ((x.d == 1 || x.d == 2) && x.position == kTens) {
      if (x.rest > 0) {
        text_ += "-e-";
      } else {
        AddBlank();
      }
    } else if (x.d == 2) {
      text_ += x.masculine ? "s" : "es";
    } else if (x.d > 2 && x.position == kTens && x.rest > 0) {
      AddBlank();
    }
    if (hundreds_from_units) {
      text_ += " cent";
      text_ += x.masculine ? "s " : "es ";
      return;
    }
    if (x.position == kTens && (x.rest > 0 || x.d == 2)) return;
    AddBlank();
  }

  void CatalanDigit(const Digit& x) {
    const bool hundreds_from_units = x.position == kHundreds && x.d > 1;
    text_ += hundreds_from_units ? words_.units[x.d] : TableWord(x);
    if (x.d == 1) {
      if (x.position == kTens && x.rest == 7) {
        text_ += "s";
      } else if (x.position == kUnits) {
        text_ += x.masculine ? "n" : "na";
      }
    } else if (x.d == 2 && x.position == kTens) {
      if (x.rest > 0) {
        text_ += "-i-";
      } else {
        AddBlank();
      }
    } else if (x.d == 2) {
      text_ += x.masculine ? "os" : "ues";
    } else if (x.d > 2 && x.position == kTens && x.rest > 0) {
      text_ += "-";
    }
    if (hundreds_from_units) {
      text_ += "-cent";
      text_ += x.masculine ? "s " : "es ";
      return;
    }
    if (x.position == kTens && (x.rest > 0 || x.d == 2)) return;
    AddBlank();
  }

  // The big-unit word after a group: million, thousand, or the connector before the cents.
  void EndGroup(int g, int v, int next, int units_digit) {
    if (language_ == WordsLanguage::kSpanish || language_ == WordsLanguage::kGalician) {
      if (v == 0) return;
      if (g < kUnitsGroup || (g == kUnitsGroup && next > 0)) text_ += words_.big[g];
      if (g == kMillions) {
        text_ += v > 1 ? words_.million_many : words_.million_one;
      } else {
        AddBlank();
      }
      return;
    }
    const bool applies = (v > 0 && g < kUnitsGroup) || (g == kUnitsGroup && units_digit != 0);
    if (!applies) return;
    if (g < kUnitsGroup || next > 0) text_ += words_.big[g];
    if (g == kMillions) {
      text_ += v > 1 ? words_.million_many : words_.million_one;
    } else {
      AddBlank();
    }
  }

  void TrimTrailing() { text_ = TrimTrailingBlanks(text_); }
  void AddBlank() {
    TrimTrailing();
    text_ += ' ';
  }

  WordsLanguage language_;
  const NumberWords& words_;
  bool feminine_;
  std::string text_;
};

// The 12-character digit text: the whole part's last nine digits right-aligned in nine
// characters, then a blank and the cents right-aligned in two (or three blanks without cents).
std::string DigitText(double whole, int cents) {
  std::string digits = PlainDecimal(whole);
  if (digits == "0") digits.clear();
  if (digits.size() > 9) digits.erase(0, digits.size() - 9);
  std::string text = std::string(9 - digits.size(), ' ') + digits;
  if (cents < 0) return text + "   ";
  text += cents < 10 ? "  " : " ";
  text += std::to_string(cents);
  return text;
}

}  // namespace

std::string AmountInWords(double amount, const std::string& option) {
  if (!std::isfinite(amount)) return {};
  const double a = std::fabs(amount);
  char choice = option.empty() ? '\0' : option[0];
  if (choice >= 'A' && choice <= 'Z') choice = static_cast<char>(choice - 'A' + 'a');

  double whole = 0;
  int cents = -1;  // none
  bool feminine = false;
  switch (choice) {
    case 'p':
      whole = std::floor(a / 100 * kPesetaRate + 0.5);
      feminine = true;
      break;
    case 'm':
      whole = std::floor(a + 0.5);
      break;
    case 'f':
      whole = std::floor(a + 0.5);
      feminine = true;
      break;
    default: {
      whole = std::floor(a / 100);
      const double c = std::floor(a - 100 * whole + 0.5);
      // Cents that round up to a whole unit carry into it instead of overflowing their two
      // digits; far beyond exact doubles the difference is noise and reads as no cents.
      if (c >= 100 && c < 200) {
        whole += 1;
        cents = static_cast<int>(c - 100);
      } else {
        cents = c >= 0 && c < 100 ? static_cast<int>(c) : 0;
      }
      break;
    }
  }
  return Speller(WordsLanguageFor(Session().Language), feminine).Spell(DigitText(whole, cents));
}

}  // namespace zem
