#include "format/config_file.h"

#include <gtest/gtest.h>

#include "platform/services.h"
#include "support/fake_services.h"

namespace zem {
namespace {

struct ConfigCase {
  const char* name;
  std::string file;
  const char* section;
  const char* key;
  std::string expected;
};

class ConfigFileTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(ConfigFileTest, ReadsValue) {
  platform::FakeServices services;
  const ConfigCase& c = GetParam();
  services.files.AddFile("test.ini", c.file);
  EXPECT_EQ(ReadConfigValue("test.ini", c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigFileTest,
    ::testing::Values(
        ConfigCase{"BlankBeforeCommentStays", "[Menu]\r\n  Titol=Rebuts pendents ;x\r\n", "Menu",
                   "Titol", "Rebuts pendents "},
        ConfigCase{"BlanksAfterEqualsStay", "[Menu]\r\nTitol = X\r\n", "Menu", "Titol", " X"},
        ConfigCase{"QuotesRemoved", "[Menu]\r\nTitol=\"abc\"\r\n", "Menu", "Titol", "abc"},
        ConfigCase{"SingleQuoteKept", "[Menu]\r\nTitol=\"\r\n", "Menu", "Titol", "\""},
        ConfigCase{"QuotedThenBlankKeepsQuotes", "[Menu]\r\nTitol=\"abc\" ;c\r\n", "Menu", "Titol",
                   "\"abc\" "},
        ConfigCase{"HeaderWithBlanksAndCase", "[ menu ]\r\nTitol=a\r\n", "Menu", "Titol", "a"},
        ConfigCase{"KeyOnlyInOtherSection", "[Terminal]\r\nDir=x\r\n[Menu]\r\nTitol=a\r\n", "Menu",
                   "Dir", ""},
        ConfigCase{"KeyBeforeAnyHeader", "Titol=a\r\n[Menu]\r\n", "Menu", "Titol", ""},
        ConfigCase{"HeaderWithoutBracket", "[Menu\r\nTitol=a\r\n", "Menu", "Titol", "a"},
        ConfigCase{"CommentRightAfterEquals", "[Menu]\r\nMenu=;x\r\n", "Menu", "Menu", ""},
        ConfigCase{"FirstSectionOnly", "[Menu]\r\nA=1\r\n[Menu]\r\nTitol=2\r\n", "Menu", "Titol",
                   ""},
        ConfigCase{"FirstKeyWins", "[Menu]\r\nTitol=1\r\ntitol=2\r\n", " menu ", " TITOL ", "1"},
        ConfigCase{"LoneLineFeedStaysInLine", "[Menu]\nTitol=a\r\n", "Menu", "Titol", ""},
        ConfigCase{"ByteTwentySixEndsFile", "[Menu]\r\n\x1aTitol=a\r\n", "Menu", "Titol", ""},
        ConfigCase{"CarriageReturnOnly", "[Menu]\rTitol=a\r", "Menu", "Titol", "a"}),
    [](const ::testing::TestParamInfo<ConfigCase>& info) { return info.param.name; });

TEST(ConfigFile, MissingFileReadsEmpty) {
  platform::FakeServices services;
  EXPECT_EQ(ReadConfigValue("nowhere.ini", "Menu", "Titol"), "");
}

}  // namespace
}  // namespace zem
