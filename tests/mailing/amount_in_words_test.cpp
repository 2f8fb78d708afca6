#include "mailing/amount_in_words.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "startup/session.h"

namespace zem {
namespace {

struct WordsCase {
  double amount;
  const char* option;
  const char* expected;
};

// Spells every case in `language` (the session's code) and compares.
void CheckWords(const char* language, const std::vector<WordsCase>& cases) {
  ResetSession();
  Session().Language = language;
  for (const WordsCase& c : cases) {
    EXPECT_EQ(AmountInWords(c.amount, c.option), c.expected)
        << "language \"" << language << "\" amount " << c.amount << " option \"" << c.option
        << "\"";
  }
  ResetSession();
}

TEST(AmountInWords, Spanish) {
  CheckWords(
      "SPA",
      {
          {123456789, "",
           "un mill\xa2n doscientos treinta y cuatro mil quinientos sesenta y siete con ochenta y "
           "nueve c\x82ntimos"},
          {21000, "f", "veintiuna mil"},
          {1001, "m", "mil uno"},
          {222, "f", "doscientas veintid\xa2s"},
          {600, "p", "novecientas noventa y ocho"},
          {100, "", "uno"},
          {101, "", "uno con un c\x82ntimo"},
          {50, "", "cincuenta c\x82ntimos"},
          {1234, "", "doce con treinta y cuatro c\x82ntimos"},
          {2000, "f", "dos mil"},
          {1000000, "f", "un mill\xa2n"},
          {2000000, "m", "dos millones"},
          {1234567890, "m",
           "doscientos treinta y cuatro millones quinientos sesenta y siete mil ochocientos "
           "noventa"},
          {100, "p", "ciento sesenta y seis"},
      });
}

TEST(AmountInWords, SpanishTeensAndTens) {
  CheckWords("SPA", {
                        {10, "m", "diez"},
                        {11, "m", "once"},
                        {15, "m", "quince"},
                        {16, "m", "diecis\x82is"},
                        {17, "m", "diecisiete"},
                        {19, "m", "diecinueve"},
                        {20, "m", "veinte"},
                        {21, "m", "veintiuno"},
                        {21, "f", "veintiuna"},
                        {22, "m", "veintid\xa2s"},
                        {23, "m", "veintitr\x82s"},
                        {26, "m", "veintis\x82is"},
                        {27, "m", "veintisiete"},
                        {32, "m", "treinta y dos"},
                        {36, "m", "treinta y seis"},
                        {2026, "m", "dos mil veintis\x82is"},
                        {1016, "m", "mil diecis\x82is"},
                        {30, "m", "treinta"},
                        {31, "f", "treinta y una"},
                        {1, "m", "uno"},
                        {1, "f", "una"},
                    });
}

TEST(AmountInWords, SpanishHundreds) {
  CheckWords("SPA", {
                        {100, "m", "cien"},
                        {101, "m", "ciento uno"},
                        {110, "m", "ciento diez"},
                        {200, "m", "doscientos"},
                        {500, "f", "quinientas"},
                        {999, "m", "novecientos noventa y nueve"},
                        {700100, "m", "setecientos mil cien"},
                        {300000000, "f", "trescientos millones"},
                    });
}

TEST(AmountInWords, Galician) {
  CheckWords("GLG", {
                        {222, "f", "duascentas e vinte e duas"},
                        {17, "m", "dezassete"},
                        {101, "m", "cento e um"},
                        {100, "", "um"},
                        {16, "m", "dezasseis"},
                        {18, "m", "dezaoito"},
                        {15, "m", "quinze"},
                        {11, "m", "onze"},
                        {100, "m", "cem"},
                        {100, "f", "cem"},
                        {200, "m", "douscentos"},
                        {300, "f", "trescentas"},
                        {1, "f", "umha"},
                        {2, "m", "dous"},
                        {2, "f", "duas"},
                        {21, "f", "vinte e umha"},
                        {3, "m", "tr\x88s"},
                        {50, "m",
                         "cinq\x81"
                         "enta"},
                        {1000000, "m", "um milhom"},
                        {2000000, "f", "dous milhons"},
                        {1234, "", "doze com trinta e quatro c\x82ntimos"},
                        {2001, "f", "duas mil umha"},
                    });
}

TEST(AmountInWords, Aranese) {
  CheckWords("OCI", {
                        {2024, "m", "dus mil vint-e-quate"},
                        {17, "m", "d\x8atz-e-s\x8at"},
                        {100, "", "un"},
                        {10, "m", "d\x8atz"},
                        {16, "m", "setze"},
                        {20, "m", "vint"},
                        {21, "f", "vint-e-ua"},
                        {30, "m", "trenta"},
                        {31, "m", "trenta un"},
                        {100, "m", "cent"},
                        {200, "m", "dus cents"},
                        {200, "f", "dues centes"},
                        {310, "m", "tres cents d\x8atz"},
                        {1000, "m", "mil"},
                        {1000000, "m", "un milion"},
                        {2000000, "m", "dus milions"},
                        {150, "", "un damb cinquanta centims"},
                        {101, "", "un damb un centim"},
                    });
}

TEST(AmountInWords, Catalan) {
  CheckWords(
      "CAT",
      {
          {123456789, "",
           "un mili\xa2 dos-cents trenta-quatre mil cinc-cents seixanta-set amb vuitanta-nou "
           "c\x8antims"},
          {2100050, "", "vint-i-un mil cinquanta c\x8antims"},
          {21000, "f", "vint-i-una mil"},
          {17, "m", "disset"},
          {100, "", "un"},
          {10050, "", "cent cinquanta c\x8antims"},
          {101, "", "un amb un c\x8antim"},
          {1001, "m", "mil un"},
          {1000000, "f", "un mili\xa2"},
          {2000000, "f", "dos milions"},
          {100, "p", "cent seixanta-sis"},
      });
}

TEST(AmountInWords, CatalanTeensHundredsAndGenders) {
  CheckWords("CAT", {
                        {10, "m", "deu"},
                        {11, "m", "onze"},
                        {16, "m", "setze"},
                        {18, "m", "divuit"},
                        {19, "m", "dinou"},
                        {20, "m", "vint"},
                        {35, "m", "trenta-cinc"},
                        {1, "f", "una"},
                        {2, "m", "dos"},
                        {2, "f", "dues"},
                        {100, "m", "cent"},
                        {101, "m", "cent un"},
                        {200, "m", "dos-cents"},
                        {200, "f", "dues-centes"},
                        {222, "f", "dues-centes vint-i-dues"},
                        {2000, "f", "dues mil"},
                    });
}

// Every code other than the three known ones spells in Catalan.
TEST(AmountInWords, UnknownLanguageIsCatalan) {
  for (const char* code : {"   ", "es ", "spa", "XYZ"}) {
    CheckWords(code, {{17, "m", "disset"}, {100, "", "un"}});
  }
}

TEST(AmountInWords, OptionsAndSign) {
  CheckWords("SPA", {
                        {-5, "m", "cinco"},
                        {5, "mf", "cinco"},
                        {5, "M", "cinco"},
                        {1, "F", "una"},
                        {500, "x", "cinco"},
                        {500, "", "cinco"},
                        {0, "", ""},
                        {0, "m", ""},
                        {0.4, "m", ""},
                        {2.5, "m", "tres"},
                        {1000000005, "m", "cinco"},
                    });
}

// Fractions of a cent that round up to a whole unit carry into it.
TEST(AmountInWords, CentsRoundingUpCarry) {
  CheckWords("SPA", {
                        {199.6, "", "dos"},
                        {299.5, "", "tres"},
                        {150.4, "", "uno con cincuenta c\x82ntimos"},
                    });
}

TEST(AmountInWords, NonFiniteAndHugeAmounts) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  for (const char* language : {"SPA", "GLG", "OCI", "CAT"}) {
    CheckWords(language, {
                             {nan, "", ""},
                             {inf, "m", ""},
                             {-inf, "p", ""},
                             {1e300, "m", ""},
                         });
    ResetSession();
    Session().Language = language;
    // Only the last nine digits of the whole part are spelled; it never fails.
    EXPECT_EQ(AmountInWords(max, "m"), "") << language;
    EXPECT_EQ(AmountInWords(-max, ""), "") << language;
    EXPECT_EQ(AmountInWords(1e14 + 7, "m"), AmountInWords(7, "m")) << language;
    EXPECT_EQ(AmountInWords(123000000017, "m"), AmountInWords(17, "m")) << language;
    ResetSession();
  }
}

}  // namespace
}  // namespace zem
