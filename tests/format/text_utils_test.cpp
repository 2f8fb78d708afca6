#include "format/text_utils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "format/plain_decimal.h"

namespace zem {
namespace {

struct ZeroPadCase {
  double value;
  int16_t width;
  std::string expected;
};

class ZeroPadTest : public ::testing::TestWithParam<ZeroPadCase> {};

TEST_P(ZeroPadTest, FillsAndCuts) {
  const ZeroPadCase& c = GetParam();
  EXPECT_EQ(ZeroPad(c.value, c.width), c.expected) << c.value << " width " << c.width;
}

INSTANTIATE_TEST_SUITE_P(
    Values, ZeroPadTest,
    ::testing::Values(ZeroPadCase{7, 2, "07"}, ZeroPadCase{2024, 4, "2024"},
                      ZeroPadCase{12345, 4, "2345"}, ZeroPadCase{0, 3, "000"},
                      ZeroPadCase{-5, 3, "005"}, ZeroPadCase{2.5, 4, "02.5"},
                      ZeroPadCase{0.5, 3, "0.5"}, ZeroPadCase{5, 0, ""}, ZeroPadCase{5, -3, ""},
                      ZeroPadCase{1e20, 3, "000"}, ZeroPadCase{123456789012345678.0, 5, "46000"},
                      ZeroPadCase{1e300, 2, "00"}, ZeroPadCase{1e-7, 9, "0.0000001"},
                      ZeroPadCase{std::numeric_limits<double>::quiet_NaN(), 3, "000"},
                      ZeroPadCase{std::numeric_limits<double>::infinity(), 2, "00"},
                      ZeroPadCase{-std::numeric_limits<double>::infinity(), 1, "0"}));

struct DecimalCase {
  double value;
  std::string expected;
};

class PlainDecimalTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(PlainDecimalTest, WritesShortestPlainForm) {
  EXPECT_EQ(PlainDecimal(GetParam().value), GetParam().expected) << GetParam().value;
}

INSTANTIATE_TEST_SUITE_P(
    Values, PlainDecimalTest,
    ::testing::Values(DecimalCase{0, "0"}, DecimalCase{12, "12"}, DecimalCase{12.5, "12.5"},
                      DecimalCase{0.3, ".3"}, DecimalCase{0.1 + 0.2, ".3"},
                      DecimalCase{-0.05, ".05"}, DecimalCase{1e20, "100000000000000000000"},
                      DecimalCase{1234567.125, "1234567.125"}, DecimalCase{1e-5, ".00001"},
                      DecimalCase{2000000000, "2000000000"},
                      DecimalCase{std::numeric_limits<double>::quiet_NaN(), ""}));

// Every value of up to 15 significant digits comes back as written.
TEST(PlainDecimalProperty, RoundTripsThroughStrtod) {
  std::mt19937_64 random(4242);
  for (int i = 0; i < 5000; ++i) {
    long long mantissa = std::uniform_int_distribution<long long>(1, 999999999999999LL)(random);
    int scale = std::uniform_int_distribution<int>(-12, 6)(random);
    double value = static_cast<double>(mantissa) * std::pow(10.0, scale);
    std::string text = PlainDecimal(value);
    ASSERT_EQ(text.find_first_of("eE-"), std::string::npos) << text;
    double back = std::strtod(text.c_str(), nullptr);
    ASSERT_NEAR(back, value, std::fabs(value) * 1e-14) << text;
  }
}

struct NameCase {
  std::string stored;
  std::string expected;
};

class NameOrderTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameOrderTest, PutsFirstNameFirst) {
  EXPECT_EQ(NameOrder(GetParam().stored), GetParam().expected) << GetParam().stored;
}

INSTANTIATE_TEST_SUITE_P(Names, NameOrderTest,
                         ::testing::Values(NameCase{"Puig*Joan", "Joan Puig"},
                                           NameCase{"  Puig  *  Joan  ", "Joan Puig"},
                                           NameCase{"Al\x95s*Maria d'", "Maria d'Al\x95s"},
                                           NameCase{"Al\x95s*Maria d'   ", "Maria d'Al\x95s"},
                                           NameCase{"  Garcia Puig  ", "Garcia Puig"},
                                           NameCase{"*Joan", "*Joan"}, NameCase{" *Joan", "Joan "},
                                           NameCase{"  *Joan", "Joan "}, NameCase{"Puig*", " Puig"},
                                           NameCase{"a*  ", " a"},
                                           NameCase{"Puig*Joan*Maria", "Joan*Maria Puig"},
                                           NameCase{"", ""}));

TEST(IsAllCharTest, ComparesEveryByte) {
  struct Case {
    std::string text;
    int16_t code;
    bool expected;
  };
  const Case cases[] = {{"", 32, true},           {"   ", 32, true},
                        {"  a", 32, false},       {"a  ", 32, false},
                        {"---", '-', true},       {"\xc4\xc4", 0xC4, true},
                        {"\xc4\xc4", -60, false}, {std::string(1, '\0'), 0, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsAllChar(c.text, c.code), c.expected) << "\"" << c.text << "\" " << c.code;
  }
}

struct FoldCase {
  bool folding;
  std::string text;
  std::string expected;
};

class UpperFoldTest : public ::testing::TestWithParam<FoldCase> {
 protected:
  void TearDown() override { ResetFolding(); }
};

TEST_P(UpperFoldTest, MapsByTheSelectedTable) {
  SetFolding(GetParam().folding);
  EXPECT_EQ(UpperFold(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, UpperFoldTest,
    ::testing::Values(
        FoldCase{true, "\x80\x85 l'\x85via, \xa4!", "CA L'AVIA, N!"},
        FoldCase{false, "\x80\x85 l'\x85via, \xa4!", "\x80\xb7 L'\xb7VIA, \xa5!"},
        FoldCase{false, "abcxyz@[`{~", "ABCXYZ@[`{~"},
        FoldCase{false, "\x81\x82\x83\x84\x86\x87\x88\x89\x8a\x8b\x8c\x8d",
                 "\x9a\x90\xb6\x8e\x8f\x80\xd2\xd3\xd4\xd8\xd7\xde"},
        FoldCase{false, "\x91\x93\x94\x95\x96\x97\xa0\xa1\xa2\xa3\xc6\xd0\xe4\xec",
                 "\x92\xe2\x99\xe3\xea\xeb\xb5\xd6\xe0\xe9\xc7\xd1\xe5\xed"},
        FoldCase{false, "\x98\xc4\xe1", "\x98\xc4\xe1"},
        FoldCase{true, "@[\\]^_`{|}~\x7f\xc4\xb3\x9c", "               "},
        FoldCase{true, "0123456789 !\"#$%&'()*+,-./:;<=>?", "0123456789 !\"#$%&'()*+,-./:;<=>?"},
        FoldCase{true, "\x83\x84\x86\x8e\x8f\x91\x92\xa0\xa6\xb5\xb6\xb7\xc6\xc7",
                 "AAAAAAAAAAAAAA"},
        FoldCase{true, "\x82\x88\x89\x8a\x90\xd2\xd3\xd4\xd5", "EEEEEEEEE"},
        FoldCase{true, "\x8b\x8c\x8d\xa1\xd6\xd7\xd8\xde", "IIIIIIII"},
        FoldCase{true, "\x93\x94\x95\x99\x9b\x9d\xa2\xa7\xe0\xe2\xe3\xe4\xe5", "OOOOOOOOOOOOO"},
        FoldCase{true, "\x81\x96\x97\x9a\xa3\xe9\xea\xeb", "UUUUUUUU"},
        FoldCase{true, "\xd0\xd1\xe1\xe7\xe8\x98\xec\xed", "DDSTTYYY"},
        FoldCase{true, "\xee\xef\xff\x1f", "\xee\xef\xff\x1f"}));

// Bytes outside 64..237 never change, the length never changes, and folding gives only
// capitals, blanks and the untouched bytes.
TEST(UpperFoldProperty, LeavesOtherBytesAndLength) {
  std::mt19937 random(850);
  for (bool folding : {false, true}) {
    SetFolding(folding);
    for (int round = 0; round < 2000; ++round) {
      std::string text(std::uniform_int_distribution<int>(0, 40)(random), '\0');
      for (char& c : text)
        c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
      std::string result = UpperFold(text);
      ASSERT_EQ(result.size(), text.size());
      for (size_t i = 0; i < text.size(); ++i) {
        unsigned char in = static_cast<unsigned char>(text[i]);
        unsigned char out = static_cast<unsigned char>(result[i]);
        if (in < 64 || in > 237) {
          ASSERT_EQ(out, in) << "byte " << int(in);
        } else if (folding) {
          ASSERT_TRUE(out == ' ' || (out >= 'A' && out <= 'Z')) << "byte " << int(in);
        }
      }
    }
  }
  ResetFolding();
}

// Upper case is stable: upper-casing an upper-cased text changes nothing.
TEST(UpperFoldProperty, PlainTableIsIdempotent) {
  ResetFolding();
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  std::string once = UpperFold(all);
  EXPECT_EQ(UpperFold(once), once);
  SetFolding(true);
  std::string folded = UpperFold(all);
  EXPECT_EQ(UpperFold(folded), folded);
  ResetFolding();
}

}  // namespace
}  // namespace zem
