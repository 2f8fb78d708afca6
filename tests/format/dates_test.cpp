#include "format/dates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "format/date_words.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/fake_services.h"

namespace zem {
namespace {

namespace chr = std::chrono;

std::string Packed(const char* digits) {
  return PackDigits(digits);
}

// Tests run with a fixed "today" and a fresh date display state.
class DateTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }
  void SetYear(int year) { services_.clock.SetToday({year, 6, 15}); }
  void SetUserFile(const std::string& contents) {
    services_.env.Set("VAKROOT", "C:\\VAK\\");
    services_.files.AddFile("C:\\VAK\\Nera.ini", contents);
  }

  platform::FakeServices services_;
};

// --- packed digits -------------------------------------------------------------------------

TEST(PackDigitsTest, PacksTwoDigitsPerByte) {
  struct Case {
    std::string text;
    std::string packed;
  };
  const Case cases[] = {
      {"00000000", "\x80\x80\x80\x80"},
      {"  12", "\x80\x8c"},
      {"20240101", "\x94\x98\x81\x81"},
      {"123", "\x8c\x9e"},   // odd: last digit is the tens of the last byte
      {" 1 2", "\x81\x82"},  // trimmed, right-aligned, inner blank read as 0
      {"12  ", "\x80\x8c"},  // trailing blanks move the digits right
      {"9999", "\xe3\xe3"},
      {"ab", "\x80"},  // non-digits count 0
      {"", ""},
      {"7", "\xc6"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackDigits(c.text), c.packed) << "\"" << c.text << "\"";
  }
}

TEST(UnpackDigitsTest, WritesTwoDigitsPerByte) {
  struct Case {
    std::string packed;
    std::string digits;
  };
  const Case cases[] = {{"\x80\x80\x80\x80", "00000000"},
                        {"\x80\x8c", "0012"},
                        {"\x94\x98\x81\x81", "20240101"},
                        {"\xe3", "99"},
                        {"\xff", "27"},
                        {"", ""},
                        {std::string("\x00\x05", 2), "0005"}};
  for (const Case& c : cases) EXPECT_EQ(UnpackDigits(c.packed), c.digits);
}

TEST(PackDigitsProperty, RoundTripsAndKeepsNumericOrder) {
  std::mt19937 random(1234);
  for (int i = 0; i < 5000; ++i) {
    size_t length = std::uniform_int_distribution<size_t>(1, 12)(random);
    std::string a, b;
    for (size_t k = 0; k < length; ++k) {
      a += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random));
      b += static_cast<char>('0' + std::uniform_int_distribution<int>(0, 9)(random));
    }
    std::string packed = PackDigits(a);
    ASSERT_EQ(packed.size(), (length + 1) / 2);
    ASSERT_EQ(UnpackDigits(packed), length % 2 == 0 ? a : a + "0") << a;
    for (char byte : packed) {
      ASSERT_GE(static_cast<unsigned char>(byte), 0x80);
      ASSERT_LE(static_cast<unsigned char>(byte), 0xe3);
    }
    // Equal-length numbers sort like their packed strings.
    ASSERT_EQ(a < b, PackDigits(a) < PackDigits(b)) << a << " " << b;
  }
  for (int byte = 0x80; byte <= 0xe3; ++byte) {
    std::string packed(1, static_cast<char>(byte));
    ASSERT_EQ(PackDigits(UnpackDigits(packed)), packed);
  }
}

// --- weekday and difference ----------------------------------------------------------------

TEST(DayOfWeekTest, KnownDays) {
  struct Case {
    const char* date;
    int16_t weekday;
  };
  const Case cases[] = {{"20240101", 1}, {"20240107", 7}, {"15821015", 5}, {"15821004", 4},
                        {"20000229", 2}, {"19000301", 4}, {"10000101", 1}, {"20261208", 2}};
  for (const Case& c : cases) EXPECT_EQ(DayOfWeek(Packed(c.date)), c.weekday) << c.date;
}

TEST(DateDiffTest, KnownDistances) {
  struct Case {
    const char* first;
    const char* second;
    const char* unit;
    int32_t expected;
  };
  const Case cases[] = {
      {"20240301", "20240228", "D", 2},   {"20240228", "20240301", "d", 2},
      {"20230228", "20230301", "D", 1},   {"20240131", "20240201", "M", 1},
      {"20000506", "20240505", "A", 23},  {"20000505", "20240505", "a", 24},
      {"20240505", "20000506", "A", 23},  {"20240101", "20240101", "D", 0},
      {"20231231", "20240101", "D", 1},   {"20000101", "20010101", "D", 366},
      {"19000101", "19010101", "D", 365}, {"15000101", "15010101", "D", 366},  // Julian leap
      {"15821004", "15821015", "D", 11},  // the dropped days are counted
      {"20240101", "20241231", "M", 11},  {"20240101", "20250101", "X", 0},
      {"20240615", "20250614", "A", 0},   {"20240615", "20250615", "A", 1},
      {"20240101", "20240101", "", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateDiff(Packed(c.first), Packed(c.second), c.unit), c.expected)
        << c.first << " " << c.second << " " << c.unit;
  }
}

std::string PackYmd(const chr::year_month_day& date) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d%02u%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return PackDigits(digits);
}

// Gregorian dates after the reform agree with the standard library's calendar.
TEST(DateProperty, DaysAndWeekdaysAgreeWithStdChrono) {
  std::mt19937 random(15821015);
  const chr::sys_days first_day = chr::year{1582} / chr::October / 15;
  const chr::sys_days last_day = chr::year{9999} / chr::December / 31;
  const int span = (last_day - first_day).count();
  std::uniform_int_distribution<int> offset(0, span);
  for (int i = 0; i < 5000; ++i) {
    const chr::sys_days a = first_day + chr::days{offset(random)};
    const chr::sys_days b = first_day + chr::days{offset(random)};
    const std::string packed_a = PackYmd(chr::year_month_day{a});
    const std::string packed_b = PackYmd(chr::year_month_day{b});
    const int expected = std::abs((a - b).count());
    ASSERT_EQ(DateDiff(packed_a, packed_b, "D"), expected)
        << UnpackDigits(packed_a) << " " << UnpackDigits(packed_b);
    ASSERT_EQ(DayOfWeek(packed_a), static_cast<int16_t>(chr::weekday{a}.iso_encoding()))
        << UnpackDigits(packed_a);
  }
  // Every day of a few whole years, leap days and century years included.
  for (int year : {1583, 1600, 1700, 1900, 2000, 2024, 2100}) {
    const chr::sys_days start = chr::year{year} / chr::January / 1;
    for (int k = 0; k < 400; ++k) {
      const chr::sys_days day = start + chr::days{k};
      const std::string packed = PackYmd(chr::year_month_day{day});
      ASSERT_EQ(DateDiff(PackYmd(chr::year_month_day{start}), packed, "D"), k);
      ASSERT_EQ(DayOfWeek(packed), static_cast<int16_t>(chr::weekday{day}.iso_encoding()));
    }
  }
}

// --- typed dates ---------------------------------------------------------------------------

struct ParseCase {
  int today_year;
  const char* typed;
  const char* packed_digits;  // expected result, unpacked
};

class ParseDateTest : public DateTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(ParseDateTest, ReadsDayMonthYear) {
  SetYear(GetParam().today_year);
  EXPECT_EQ(UnpackDigits(ParseDate(GetParam().typed)), GetParam().packed_digits)
      << "\"" << GetParam().typed << "\" in " << GetParam().today_year;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseDateTest,
    ::testing::Values(
        ParseCase{2024, "050324", "20240305"}, ParseCase{2024, "5/3/24", "20240305"},
        ParseCase{2024, "5.3.2024", "20240305"}, ParseCase{2024, "5-3-2024", "20240305"},
        ParseCase{2024, "05032024", "20240305"}, ParseCase{2024, " 5/ 3/24 ", "20240305"},
        ParseCase{2024, "5/3", "00000000"}, ParseCase{2024, "5/x/24", "00000000"},
        ParseCase{2024, "", "00000000"}, ParseCase{2024, "5/3/24/1", "00000000"},
        ParseCase{2024, "5", "00000005"},  // by position: a day only
        ParseCase{2026, "5/3/76", "19760305"}, ParseCase{2026, "5/3/75", "20750305"},
        ParseCase{2026, "5/3/0076", "00760305"},  // four digits are taken as typed
        ParseCase{2024, "31/02/24", "20240231"},  // ranges are not checked
        ParseCase{2024, "0/3/24", "00240300"},    // no widening without a day
        ParseCase{2080, "1/1/20", "21200101"},    // 2020 is more than 50 years back
        // Numbers that do not fit a 16-bit integer make the text unreadable.
        ParseCase{2024, "99999/3/24", "00000000"}, ParseCase{2024, "5/40000/24", "00000000"},
        ParseCase{2024, "5/3/32768", "00000000"}, ParseCase{2024, "0503999999", "00000000"},
        ParseCase{2024, "5/3/0000000000000000000024", "00240305"}));

struct CheckCase {
  int today_year;
  const char* typed;
  int16_t expected;
};

class CheckDateTest : public DateTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckDateTest, AcceptsOnlyRealDays) {
  SetYear(GetParam().today_year);
  EXPECT_EQ(CheckDate(GetParam().typed), GetParam().expected)
      << "\"" << GetParam().typed << "\" in " << GetParam().today_year;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CheckDateTest,
    ::testing::Values(CheckCase{2024, "29/2/1900", -1}, CheckCase{2024, "29/2/2000", 0},
                      CheckCase{2024, "10/10/1582", -1}, CheckCase{2024, "5/10/1582", -1},
                      CheckCase{2024, "14/10/1582", -1}, CheckCase{2024, "15/10/1582", 0},
                      CheckCase{2024, "4/10/1582", 0}, CheckCase{2024, "31/4/2024", -1},
                      CheckCase{2024, "1/13/2024", -1}, CheckCase{2024, "0/1/2024", -1},
                      CheckCase{2024, "1/0/2024", -1}, CheckCase{2024, "050324", 0},
                      CheckCase{2024, "290224", 0}, CheckCase{2024, "290223", -1},
                      CheckCase{2024, "29/2/1500", -1},  // Gregorian rule in every year
                      CheckCase{2024, "5/3", -1}, CheckCase{2024, "", -1},
                      CheckCase{2024, "5/a/24", -1}, CheckCase{2024, "99999/3/24", -1},
                      CheckCase{2024, "5/3/99999", -1}, CheckCase{2024, "0503400000", -1},
                      // The day checked is the day stored: three-digit years are widened
                      // like two-digit ones (800 is stored as 2700, 400 as 2300).
                      CheckCase{2026, "29-2-800", -1}, CheckCase{2026, "28-2-800", 0},
                      CheckCase{2026, "29/2/400", -1}, CheckCase{2026, "28/2/400", 0},
                      // Years the packed date cannot hold would be stored as another date.
                      CheckCase{2024, "5/3/12024", -1}, CheckCase{2024, "10/10/11582", -1},
                      CheckCase{2024, "050312024", -1}, CheckCase{2024, "5/3/9999", 0},
                      // 00 read in 2050 is 2000 (a leap year): 29 February exists.
                      CheckCase{2050, "29/2/00", 0},
                      // 00 read in 2051 is 2100 (|2000 - 2051| > 50): no 29 February.
                      CheckCase{2051, "29/2/00", -1}));

// Any bytes at all: the reading never fails, a parsed date is always a well-formed packed date,
// and a text the check accepts has a day and a month.
TEST_F(DateTest, ArbitraryTextsReadSafely) {
  SetYear(2026);
  std::mt19937 random(2026);
  const std::string alphabet = "0123456789 ./-x\xff";
  for (int i = 0; i < 20000; ++i) {
    std::string text(std::uniform_int_distribution<int>(0, 14)(random), ' ');
    for (char& c : text) {
      c = i % 2 == 0
              ? alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)]
              : static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
    }
    const std::string packed = ParseDate(text);
    ASSERT_EQ(packed.size(), 4u) << text;
    for (char byte : packed) {
      ASSERT_GE(static_cast<unsigned char>(byte), 0x80) << text;
      ASSERT_LE(static_cast<unsigned char>(byte), 0xe3) << text;
    }
    const int16_t check = CheckDate(text);
    ASSERT_TRUE(check == 0 || check == -1);
    if (check == 0) {
      const std::string digits = UnpackDigits(packed);
      ASSERT_NE(digits.substr(4, 2), "00") << text;
      ASSERT_NE(digits.substr(6, 2), "00") << text;
    }
    ASSERT_EQ(UnpackDigits(PackCode(text)).find_first_not_of("0123456789"), std::string::npos);
  }
}

// --- formatting ----------------------------------------------------------------------------

struct FormatCase {
  const char* language;
  int16_t style;
  const char* parts;
  const char* date;
  std::string expected;
};

class FormatDateTest : public DateTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(FormatDateTest, FormsWithDefaultSettings) {
  const FormatCase& c = GetParam();
  Session().Language = c.language;
  EXPECT_EQ(FormatDate(Packed(c.date), c.style, c.parts), c.expected)
      << c.language << " style " << c.style << " parts " << c.parts << " " << c.date;
}

INSTANTIATE_TEST_SUITE_P(
    Styles, FormatDateTest,
    ::testing::Values(FormatCase{"   ", 0, "dma", "20240405", "5/4/2024  "},
                      FormatCase{"   ", 1, "dma", "20240405", "5/abr/2024 "},
                      FormatCase{"SPA", 1, "dma", "20240405", "5/abr/2024 "},
                      FormatCase{"GLG", 1, "dma", "20240405", "5/abr/2024 "},
                      FormatCase{"OCI", 1, "dma", "20240405", "5/abr/2024 "},
                      FormatCase{"   ", 2, "dma", "20240405", "5 d'abril del 2024"},
                      FormatCase{"SPA", 2, "dma", "20240405", "5 de abril de 2024"},
                      FormatCase{"GLG", 2, "dma", "20240405", "5 de abril do 2024"},
                      FormatCase{"OCI", 2, "dma", "20240405", "5 d'abriu deth 2024"},
                      FormatCase{"CAT", 2, "dma", "20240105", "5 de gener del 2024"},
                      FormatCase{"   ", -1, "dma", "20240105", "2024-01-05"},
                      FormatCase{"   ", -1, "", "00000000", "0000-00-00"},
                      FormatCase{"   ", 2, "ma", "20240405", "abril del 2024"},
                      FormatCase{"   ", 2, "m", "20240405", "abril"},
                      FormatCase{"   ", 2, "DMA", "20241231", "31 de desembre del 2024"},
                      FormatCase{"   ", 0, "DMA", "20241231", "31/12/2024"},
                      FormatCase{"   ", 0, "dm", "20241231", "31/12"},
                      FormatCase{"   ", 0, "a", "20241231", "2024"},
                      FormatCase{"   ", 0, "", "20241231", ""},
                      FormatCase{"   ", 0, "dma", "00000000", "          "},
                      FormatCase{"   ", 1, "dma", "00000000", "           "},
                      FormatCase{"   ", 2, "dma", "00000000", ""},
                      // A vowel month takes the apostrophe in Catalan and Aranese only.
                      FormatCase{"   ", 2, "dm", "20240805", "5 d'agost"},
                      FormatCase{"   ", 2, "dm", "20241005", "5 d'octubre"},
                      FormatCase{"OCI", 2, "dm", "20240805", "5 d'agost"},
                      FormatCase{"OCI", 2, "dm", "20241005", "5 d'octobre"},
                      FormatCase{"SPA", 2, "dm", "20240805", "5 de agosto"},
                      FormatCase{"GLG", 2, "dm", "20241005", "5 de outubro"},
                      FormatCase{"SPA", 2, "dma", "20240905", "5 de septiembre de 2024"},
                      FormatCase{"GLG", 2, "m", "20240305", "mar\x87o"},
                      FormatCase{"OCI", 2, "m", "20240105", "g\x8ar"},
                      FormatCase{"OCI", 1, "m", "20240605", "jun"},
                      FormatCase{"OCI", 1, "m", "20240705", "jun"},
                      // A damaged month number shows as a number.
                      FormatCase{"   ", 2, "dma", "20241305", "5 de 13 del 2024"},
                      FormatCase{"   ", 1, "dma", "20241305", "5/13/2024  "}));

TEST(DateWordsTest, MonthTablesAreTwelveSlotsOfTen) {
  for (const char* language : {"SPA", "GLG", "OCI", "CAT"}) {
    const DateWords& words = DateWordsFor(language);
    EXPECT_EQ(std::strlen(words.MonthSlots), 120u) << language;
    for (int month = 1; month <= 12; ++month) {
      std::string name = MonthName(words, month);
      EXPECT_FALSE(name.empty()) << language << " " << month;
      EXPECT_EQ(name.find(' '), std::string::npos) << language << " " << month;
      EXPECT_EQ(ShortMonthName(words, month).size(), 3u);
    }
    EXPECT_EQ(MonthName(words, 0), "");
    EXPECT_EQ(MonthName(words, 13), "");
  }
}

TEST_F(DateTest, SettingsComeFromTheUserFileOnFirstUse) {
  SetUserFile("[Usuari]\r\nDatCaracter=-\r\nDatOrdre=AMD\r\n");
  const std::string date = Packed("20240405");
  EXPECT_EQ(FormatDate(date, 0, "dma"), "2024-4-5  ");
  EXPECT_EQ(DateDisplay().DatCaracter, "-");
  EXPECT_EQ(DateDisplay().DatOrdre, "AMD");
  // A change of the file during the run is not seen ...
  SetUserFile("[Usuari]\r\nDatCaracter=.\r\nDatOrdre=MDA\r\n");
  EXPECT_EQ(FormatDate(date, 0, "dma"), "2024-4-5  ");
  // ... until the settings are reset.
  ResetDateDisplay();
  EXPECT_EQ(FormatDate(date, 0, "dma"), "4.5.2024  ");
  Session().Language = "SPA";
  EXPECT_EQ(FormatDate(date, 2, "dma"), "abril de 5 de 2024");
}

TEST_F(DateTest, BlankOrMissingSettingsTakeDefaults) {
  const char* files[] = {"[Usuari]\r\nDatCaracter=\r\nDatOrdre=   \r\n", "[Altres]\r\nX=1\r\n", ""};
  for (const char* contents : files) {
    ResetDateDisplay();
    SetUserFile(contents);
    EXPECT_EQ(FormatDate(Packed("20240405"), 0, "dma"), "5/4/2024  ") << contents;
    EXPECT_EQ(DateDisplay().DatOrdre, "DMA");
  }
}

TEST_F(DateTest, LongSettingValuesAreCut) {
  SetUserFile("[Usuari]\r\nDatCaracter=.-\r\nDatOrdre=MDAX\r\n");
  EXPECT_EQ(FormatDate(Packed("20240405"), 0, "dma"), "4.5.2024  ");
}

// Style 0 under other orders and separators, with parts missing or unknown and with damaged
// or short dates: the parts in order, joined, padded to the width the parts ask for.
TEST_F(DateTest, NumericFormUnderEverySetting) {
  struct Case {
    const char* order;
    const char* joiner;
    std::string date;
    const char* parts;
    std::string expected;
  } cases[] = {
      {"DMA", "/", Packed("20240405"), "dma", "5/4/2024  "},
      {"AMD", "-", Packed("20240405"), "dma", "2024-4-5  "},
      {"MDA", ".", Packed("20240405"), "ad", "5.2024 "},
      {"DMA", "/", Packed("20240405"), "m", "4 "},
      {"DMA", "/", Packed("20241231"), "DMA", "31/12/2024"},
      {"DMA", "/", Packed("20240405"), "dmx", "5/4   "},
      {"DMA", "/", Packed("20240405"), "", ""},
      {"DMA", "--", Packed("20240405"), "dma", "5--4--2024"},
      {"DAX", "/", Packed("20240405"), "dma", "5/2024    "},
      // A damaged month still shows; only a date without month and day is blank.
      {"DMA", "/", Packed("20240005"), "dma", "5/0/2024  "},
      {"DMA", "/", Packed("20240000"), "dma", "          "},
      {"DMA", "/", Packed("2024"), "dma", "          "},
      {"DMA", "/", std::string("\xff\x98\x84\x85"), "dma", "5/4/2724  "},
      // Parts beyond the field are cut, however many the order names.
      {"DDDDDDDD", "::", Packed("20241231"), "dddddddddddd", "31::31::31::3"},
  };
  for (const Case& c : cases) {
    DateDisplay().DatOrdre = c.order;
    DateDisplay().DatCaracter = c.joiner;
    EXPECT_EQ(FormatDate(c.date, 0, c.parts), c.expected)
        << c.order << " " << c.joiner << " " << c.parts;
    // Added to a text, the same form follows what was there.
    std::string text = "Ref.: ";
    AppendNumericDate(text, c.date, c.parts);
    EXPECT_EQ(text, "Ref.: " + c.expected) << c.order << " " << c.joiner << " " << c.parts;
  }
}

// --- codes and field text ------------------------------------------------------------------

TEST(PackCodeTest, GroupsBecomeFixedWidthDigits) {
  struct Case {
    const char* code;
    const char* digits;
  };
  const Case cases[] = {
      {"12.3", "00120003"},
      {"123456", "123456"},
      {"12", "0012"},
      {"12.", "0012"},
      {"1.2.3", "000100020003"},
      {"12345", "2345"},
      {"123.45678", "01235678"},
      {"123456.7890", "1234567890"},  // 11 characters, one dot
      {"  12 . 3  ", "00120003"},
      {"", ""},
      {"12..3", "001200000003"},
      {"-5.2", "00050002"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnpackDigits(PackCode(c.code)), c.digits) << "\"" << c.code << "\"";
  }
}

TEST_F(DateTest, DateFieldTextShowsTwoOrFourDigitYears) {
  SetYear(2026);
  struct Case {
    const char* date;
    std::string expected;
  };
  const Case cases[] = {
      {"20050315", "150305"},   {"19600315", "15031960"}, {"19760101", "010176"},
      {"19750101", "01011975"}, {"20750101", "010175"},   {"20760101", "01012076"},
      {"00000000", ""},         {"20240001", "010024"},   {"20240100", "000124"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateFieldText(Packed(c.date)), c.expected) << c.date;
  EXPECT_EQ(DateFieldText(""), "");
}

// What the date field shows reads back as the same date.
TEST_F(DateTest, DateFieldTextReadsBackThroughParseDate) {
  SetYear(2026);
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    int year = std::uniform_int_distribution<int>(1900, 2150)(random);
    int month = std::uniform_int_distribution<int>(1, 12)(random);
    int day = std::uniform_int_distribution<int>(1, 28)(random);
    char digits[16];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d", year, month, day);
    std::string shown = DateFieldText(Packed(digits));
    ASSERT_EQ(UnpackDigits(ParseDate(shown)), digits) << shown;
    ASSERT_EQ(CheckDate(shown), 0) << shown;
  }
}

}  // namespace
}  // namespace zem
