#include "format/edit_mask.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/program_state.h"
#include "platform/services.h"
#include "support/fake_services.h"

namespace zem {
namespace {

// Every test starts with unloaded display settings and an empty currency state, over an empty
// fake environment (so the defaults "'" and "." apply unless a test writes a user file).
class EditMaskTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }
  platform::FakeServices services;
};

struct MaskCase {
  const char* mask;
  double value;
  const char* expected;
};

void CheckMasks(const std::vector<MaskCase>& cases) {
  for (const MaskCase& c : cases) {
    const std::string got = FormatMask(c.mask, c.value);
    EXPECT_EQ(got, c.expected) << "mask \"" << c.mask << "\" value " << c.value;
    EXPECT_EQ(got.size(), std::string(c.mask).size()) << "mask \"" << c.mask << "\"";
  }
}

TEST_F(EditMaskTest, WholeNumbers) {
  CheckMasks({
      {"ZZ9", 0, "  0"},
      {"ZZZ", 0, "   "},
      {"ZZ9", 5, "  5"},
      {"ZZ9", 10, " 10"},
      {"ZZZ", 5, "  5"},
      {"999", 5, "005"},
      {"Z,ZZZ,ZZ9", 1234567, "1.234.567"},
      {"Z,ZZZ,ZZ9", 5, "        5"},
      {"Z,ZZZ,ZZ9", 1234, "    1.234"},
      {"ZZZ9", 42, "  42"},
  });
}

// Whole numbers on both sides of 2^63, where the digits come from two different conversions,
// and with decimals scaled past it.
TEST_F(EditMaskTest, DigitsOfLargeNumbers) {
  const char* digits = "99999999999999999999999";
  CheckMasks({
      {digits, 9223372036854774784.0, "00009223372036854774784"},
      {digits, 9223372036854775808.0, "00009223372036854775808"},
      {digits, 1e22, "10000000000000000000000"},
      {"ZZZZZZZZZZZZZZZZZZZZ.99", 92233720368547758.08, "   92233720368547758'08"},
  });
}

TEST_F(EditMaskTest, Decimals) {
  CheckMasks({
      {"ZZ9.99", 0, "  0'00"},
      {"ZZ9.ZZ", 0, "  0   "},
      {"Z9.ZZ", 1.5, " 1'5 "},
      {"Z9.ZZ", 1.05, " 1'05"},
      {"Z9.ZZ", 1, " 1   "},
      {"Z9.ZZ", 0.05, " 0'05"},
      {"ZZ,ZZZ,ZZ9.99", 1234567.5, " 1.234.567'50"},
      {"ZZ9.99", 12.345, " 12'34"},
  });
}

TEST_F(EditMaskTest, Signs) {
  CheckMasks({
      {"ZZ9.99", -5, " -5'00"},
      {"ZZ9.99", -0.05, "  -'05"},
      {"ZZ9", -5, " -5"},
      {"ZZ9-", 5, "  5 "},
      {"ZZ9-", -5, "  5-"},
      {"+ZZ9", 5, "+  5"},
      {"+ZZ9", -5, "-  5"},
      {"ZZ9.99-", -1.5, "  1'50-"},
      {"ZZ9.99+", 1.5, "  1'50+"},
      // The floating minus takes a comma position when that is the first free one.
      {"Z,999", -123, " -123"},
      {"999", -12, "-12"},
  });
}

// Positions left of the number: zero fill, blank fill with the commas blanked, star fill.
TEST_F(EditMaskTest, SecondPassFill) {
  CheckMasks({
      {"9,999", 12, "0.012"},
      {"***9", 12, "**12"},
      {"*,**9", 12, "***12"},
      {"**9.99", 1.5, "**1'50"},
      {"ZZ9.9Z", 0.5, "  0'5 "},
      {"Z9.ZZ", 0, " 0   "},
      {"Z9.99", 0, " 0'00"},
      {"X99", 7, "X07"},
  });
}

TEST_F(EditMaskTest, RoundsHalfToEven) {
  CheckMasks({
      {"9", 2.5, "2"},
      {"9", 3.5, "4"},
      {"9", 2.51, "3"},
      {"9", 2.49, "2"},
      {"9.9", 0.25, "0'2"},
      {"9.9", 0.75, "0'8"},
      {"Z9", 0.5, " 0"},
      {"Z9", 1.5, " 2"},
  });
}

// The value is scaled by one multiplication with the power of ten, so a product that lands
// exactly on a half is rounded to even; scaling by ten once per decimal rounds at every step
// and drifts off the half (0.265 became 26.500000000000004 and showed 0'27).
TEST_F(EditMaskTest, ScalesWithOneMultiplication) {
  CheckMasks({
      {"9.99", 0.265, "0'26"},
      {"9.99", 0.235, "0'24"},
      {"9.99", 0.405, "0'40"},
      {"9.99", 0.415, "0'42"},
      {"ZZ9.999", 1.0005, "  1'000"},
      {"ZZ9.99", 0, "  0'00"},
      {"9.99999999999999999999999", 0, "0'00000000000000000000000"},
  });
}

TEST_F(EditMaskTest, Overflow) {
  CheckMasks({
      {"ZZ9.99", 12345.67, "12345'"},
      {"Z9", -123, "!!"},
      {"Z9", 123, "!!"},
      {"Z9", -12, "!!"},
      {"999", 1234, "!!!"},
      {"99", -12, "!!"},
      {"ZZ9.99", 1234.5, "1234'5"},
      {"ZZ9.99", -1234.5, "-1234'"},
      {"9", 10, "!"},
      {"ZZZZZZ9.99", 12345678.9, "12345678'9"},
  });
}

// Values with no digits to show or far too many never break the field: it is marked with "!".
TEST_F(EditMaskTest, NonFiniteAndHugeValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double max = std::numeric_limits<double>::max();
  CheckMasks({
      {"ZZ9.99", nan, "!!!!!!"},
      {"ZZ9.99", inf, "!!!!!!"},
      {"ZZ9.99", -inf, "!!!!!!"},
      {"Z,ZZZ,ZZZ,ZZ9-", max, "!!!!!!!!!!!!!!"},
      {"Z,ZZZ,ZZZ,ZZ9-", -max, "!!!!!!!!!!!!!!"},
      {"ZZ9", 1e300, "!!!"},
      {"ZZ9", std::numeric_limits<double>::denorm_min(), "  0"},
  });
  // Scaling by many decimals overflows the double itself.
  const std::string many_decimals = "9." + std::string(400, '9');
  EXPECT_EQ(FormatMask(many_decimals, 1.0), std::string(many_decimals.size(), '!'));
  EXPECT_EQ(FormatMask("", 5), "");
}

struct SettingsCase {
  const char* file;
  const char* expected;  // 1234567.5 in ZZ,ZZZ,ZZ9.99
};

TEST_F(EditMaskTest, DisplaySettingsFromUserFile) {
  const SettingsCase cases[] = {
      {"[Usuari]\r\nDecCaracter=,\r\nMilCaracter= \r\n", " 1.234.567,50"},
      {"[Usuari]\r\nDecCaracter=.\r\nMilCaracter=,\r\n", " 1,234,567.50"},
      {"[Usuari]\r\nDecCaracter=.x\r\n", " 1.234.567.50"},
      {"[Usuari]\r\nDecCaracter=\r\n", " 1.234.567'50"},
      {"[Altre]\r\nDecCaracter=,\r\n", " 1.234.567'50"},
  };
  services.env.Set("VAKROOT", "C:\\VAK\\");
  for (const SettingsCase& c : cases) {
    ResetNumberDisplay();
    services.files.AddFile("C:\\VAK\\Nera.ini", c.file);
    EXPECT_EQ(FormatMask("ZZ,ZZZ,ZZ9.99", 1234567.5), c.expected) << c.file;
  }
}

TEST_F(EditMaskTest, DisplaySettingsReadOnce) {
  services.env.Set("VAKROOT", "/r/");
  services.files.AddFile("/r/Nera.ini", "[Usuari]\r\nDecCaracter=,\r\n");
  EXPECT_EQ(FormatMask("9.9", 1.5), "1,5");
  services.files.AddFile("/r/Nera.ini", "[Usuari]\r\nDecCaracter=;\r\n");
  EXPECT_EQ(FormatMask("9.9", 1.5), "1,5");
  EXPECT_EQ(NumberDisplay().DecCaracter, ',');
  EXPECT_EQ(NumberDisplay().MilCaracter, '.');
}

struct CurrencyCase {
  std::vector<std::string> requests;
  const char* main;
  const char* alternative;
  const char* active;
};

TEST_F(EditMaskTest, SetCurrency) {
  const CurrencyCase cases[] = {
      {{"a,E"}, "E", "", "E"},
      {{"A, e "}, "E", "", "E"},
      {{"a,"}, "", "", ""},
      {{"a,E", "x,p"}, "E", "P", "E"},
      {{"a,E", "p"}, "E", "", "E"},
      {{"a,E", "x,P", "p"}, "E", "P", "P"},
      {{"a,E", "x,P", "P", ""}, "E", "P", "E"},
      {{"a,E", "x,P", "p", "q"}, "E", "P", "E"},
      {{"x,P", "a,E", "p"}, "E", "P", "P"},
  };
  for (const CurrencyCase& c : cases) {
    ResetCurrency();
    for (const std::string& request : c.requests) SetCurrency(request);
    EXPECT_EQ(Currency().Main, c.main) << ::testing::PrintToString(c.requests);
    EXPECT_EQ(Currency().Alternative, c.alternative) << ::testing::PrintToString(c.requests);
    EXPECT_EQ(Currency().Active, c.active) << ::testing::PrintToString(c.requests);
  }
}

struct AmountCase {
  const char* currency;  // SetCurrency sequence applied first, separated by "|"
  const char* format;
  double hundredths;
  const char* expected;
};

TEST_F(EditMaskTest, FormatAmount) {
  const AmountCase cases[] = {
      {"a,E", "Z,ZZZ,ZZZ,ZZ9", 123456, "     1.234'56"},
      {"a,E", "Z,ZZZ,ZZZ,ZZ9-", -123450, "     1.234'50-"},
      {"a,E", "Z,ZZZ,ZZZ,ZZ9-", 123450, "     1.234'50 "},
      {"a,E", "Z,ZZZ,ZZZ,ZZ9", 0, "         0'00"},
      {"a,E", "Z,ZZZ,ZZZ,ZZ9", 5, "         0'05"},
      {"a,E", "Z,ZZZ,ZZZ,ZZ9", -5, "         -'05"},
      {"a,E", "ZZZ", 0, "   "},
      {"a,E", "-ZZ9", -250, "-2'5"},
      {"a,E", "*,**9", 150, "*1'50"},
      {"a,E", "ZZ9.9", 1234, "12'34"},
      // Pesetas: converted at the single-precision rate, no decimals.
      {"a,E|x,P|p", "Z,ZZZ,ZZZ,ZZ9", 100, "          166"},
      {"a,E|x,P|p", "Z,ZZZ,ZZZ,ZZ9", 600, "          998"},
      {"a,E|x,P|p", "Z,ZZZ,ZZZ,ZZ9-", -123456, "      205.414-"},
      {"a,E|x,P|p", "ZZ9.9", 100, "166'4"},
      // The same picture again in the main currency.
      {"a,E", "ZZ9.9", 100, "1'000"},
      // Back to the main currency.
      {"a,E|x,P|p|", "Z,ZZZ,ZZZ,ZZ9", 100, "         1'00"},
  };
  for (const AmountCase& c : cases) {
    ResetCurrency();
    std::string requests = c.currency;
    size_t start = 0;
    while (true) {
      const size_t bar = requests.find('|', start);
      SetCurrency(requests.substr(start, bar == std::string::npos ? bar : bar - start));
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    const std::string got = FormatAmount(c.format, c.hundredths);
    EXPECT_EQ(got, c.expected) << c.currency << " " << c.format << " " << c.hundredths;
    EXPECT_EQ(got.size(), std::string(c.format).size()) << c.format;
  }
}

TEST_F(EditMaskTest, FormatAmountNonFinite) {
  SetCurrency("a,E");
  EXPECT_EQ(FormatAmount("Z,ZZZ,ZZZ,ZZ9", std::numeric_limits<double>::quiet_NaN()),
            std::string(13, '!'));
  EXPECT_EQ(FormatAmount("Z,ZZZ,ZZZ,ZZ9-", -std::numeric_limits<double>::infinity()),
            std::string(14, '!'));
}

}  // namespace
}  // namespace zem
