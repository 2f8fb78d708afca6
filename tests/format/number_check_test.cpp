#include "format/number_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace zem {
namespace {

struct TextCase {
  double value;
  std::string expected;
};

class NumberTextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(NumberTextTest, WritesPlainDecimal) {
  EXPECT_EQ(NumberText(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, NumberTextTest,
    ::testing::Values(TextCase{12, "12"}, TextCase{12.5, "12.5"}, TextCase{0.5, ".5"},
                      TextCase{-0.5, "-.5"}, TextCase{0, ""}, TextCase{-0.0, ""},
                      TextCase{0.3, ".3"}, TextCase{0.1, ".1"}, TextCase{1.1, "1.1"},
                      TextCase{-1234.25, "-1234.25"}, TextCase{2000000000, "2000000000"},
                      TextCase{99.99, "99.99"}, TextCase{1e20, "100000000000000000000"},
                      TextCase{std::numeric_limits<double>::quiet_NaN(), ""},
                      TextCase{std::numeric_limits<double>::infinity(), ""}));

// Amounts in hundredths come back as the person typed them.
TEST(NumberTextProperty, HundredthsReadBackExactly) {
  std::mt19937 random(99);
  for (int i = 0; i < 5000; ++i) {
    long long cents = std::uniform_int_distribution<long long>(-99999999, 99999999)(random);
    double value = static_cast<double>(cents) / 100;
    std::string text = NumberText(value);
    if (cents == 0) {
      EXPECT_EQ(text, "");
      continue;
    }
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
    size_t point = text.find('.');
    if (point != std::string::npos) {
      ASSERT_LE(text.size() - point - 1, 2u) << text;
      ASSERT_NE(text.back(), '0') << text;
    }
  }
}

struct CheckCase {
  std::string text;
  std::string allowed;
  int16_t expected;
};

class CheckNumberTextTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckNumberTextTest, AcceptsOnlyNumbers) {
  const CheckCase& c = GetParam();
  EXPECT_EQ(CheckNumberText(c.text, c.allowed), c.expected)
      << "\"" << c.text << "\" allowed \"" << c.allowed << "\"";
}

INSTANTIATE_TEST_SUITE_P(Rules, CheckNumberTextTest,
                         ::testing::Values(CheckCase{" 12 ", "", 0}, CheckCase{"-12", "", -1},
                                           CheckCase{"1.5", "", -1}, CheckCase{"1.5", ".", 0},
                                           CheckCase{"1.5.2", ".", -1}, CheckCase{"-12", "-", 0},
                                           CheckCase{" -12", "-", 0}, CheckCase{"+12", "-", 0},
                                           CheckCase{"1-2", "-", -1}, CheckCase{"--1", "-", -1},
                                           CheckCase{"x-1", "-", -1}, CheckCase{"", "", 0},
                                           CheckCase{"1 2", "", 0}, CheckCase{"-.5", ".-", 0},
                                           CheckCase{".-5", ".-", -1}, CheckCase{"1,5", ".", -1},
                                           CheckCase{"12a", "", -1}, CheckCase{"-1", "+", 0}));

struct RangeCase {
  std::string text;
  double min;
  double max;
  int16_t decimals;
  int16_t expected;
};

class CheckNumberRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(CheckNumberRangeTest, ChecksBoundsAndForm) {
  const RangeCase& c = GetParam();
  EXPECT_EQ(CheckNumberRange(c.text, c.min, c.max, c.decimals), c.expected)
      << "\"" << c.text << "\" in " << c.min << ".." << c.max << " decimals " << c.decimals;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CheckNumberRangeTest,
    ::testing::Values(RangeCase{"0", 1, 99, 0, -1}, RangeCase{"100", 1, 99, 0, -1},
                      RangeCase{"1", 1, 99, 0, 0}, RangeCase{"99", 1, 99, 0, 0},
                      RangeCase{" 50 ", 1, 99, 0, 0}, RangeCase{"5.0", 1, 99, 0, -1},
                      RangeCase{"-5", 1, 99, 0, -1}, RangeCase{"5", 1, 99, 17, -1},
                      RangeCase{"5", 99, 1, 0, -1}, RangeCase{"5", 1, 99, -1, -1},
                      RangeCase{"", 1, 99, 0, -1}, RangeCase{"2000000000", 1, 2000000000, 0, 0},
                      RangeCase{"2000000001", 1, 2000000000, 0, -1},
                      RangeCase{"12.34", 0, 20, 2, 0}, RangeCase{"-3.5", -5, 5, 1, 0},
                      RangeCase{"-5.5", -5, 5, 1, -1}, RangeCase{"1 5", 1, 20, 0, 0},
                      RangeCase{"1 5", 1, 10, 0, -1}, RangeCase{"-", -5, 5, 0, 0},
                      RangeCase{".", 0, 5, 2, 0}));

}  // namespace
}  // namespace zem
