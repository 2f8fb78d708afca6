// The sample installation's session, terminal and user files as the program reads them.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/edit_mask.h"
#include "platform/services.h"
#include "support/fake_services.h"
#include "format/config_file.h"
#include "startup/sample_files.h"
#include "startup/session.h"

namespace zem {
namespace {

using testing::InstalledSample;

class SampleConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    services.env.Set("VAKROOT", "C:\\VAK\\");
    services.env.Set("VAKTMP", "C:\\VAK\\TMP");
    services.files.AddFile("/VAK/Nera.ini", InstalledSample("sample/config/Nera.ini"));
    services.files.AddFile("/VAK/TMP/Sessio.ini", InstalledSample("sample/config/Sessio.ini"));
    services.files.AddFile("/VAK/TMP/NeraTerm.ini", InstalledSample("sample/config/NeraTerm.ini"));
    LoadSession();
  }
  void TearDown() override {
    ResetSession();
    ResetCurrency();
  }

  platform::FakeServices services;
};

TEST_F(SampleConfigTest, SessionComesFromTheSampleFiles) {
  const SessionSettings& s = Session();
  EXPECT_EQ(s.MenuTitle, " Cartes de reclamaci\xa2 de rebuts pendents ");
  EXPECT_EQ(s.Language, "CAT");
  EXPECT_EQ(s.OutputDevice, "PDF");
  EXPECT_EQ(s.SessionDate, std::string("\x94\x9a\x8c\x88"));  // 2026-12-08
  // Scheme 1: bright white on blue values, the edited field black on bright white.
  EXPECT_EQ(s.Colours[0][0], 15);
  EXPECT_EQ(s.Colours[1][0], 1);
  EXPECT_EQ(s.Colours[1][4], 15);
}

TEST_F(SampleConfigTest, MenuNameIsAHelpTopicOfTheSample) {
  const std::string topic = Session().MenuName;
  ASSERT_FALSE(topic.empty());
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(ZEM_SOURCE_DIR) / "sample/AJUDA" /
                                      (topic + ".txt")))
      << topic;
}

TEST_F(SampleConfigTest, EveryColourSchemeHasFivePairs) {
  for (int n = 0; n <= 9; ++n) {
    const std::string scheme =
        ReadConfigValue("C:\\VAK\\TMP\\NeraTerm.ini", "Pantalla", "Col" + std::to_string(n));
    if (scheme.empty()) continue;
    EXPECT_EQ(scheme.size(), 20u) << "Col" << n;
    for (size_t i = 0; i + 1 < scheme.size(); i += 2) {
      const int colour = std::stoi(scheme.substr(i, 2));
      EXPECT_LE(colour, 15) << "Col" << n << " at " << i;
    }
  }
}

TEST_F(SampleConfigTest, DisplaySettingsOfTheUser) {
  EXPECT_EQ(ReadUserSetting("DatCaracter"), "/");
  EXPECT_EQ(ReadUserSetting("DatOrdre"), "DMA");
  EXPECT_EQ(ReadUserSetting("DecCaracter"), ",");
  EXPECT_EQ(ReadUserSetting("MilCaracter"), ".");
}

}  // namespace
}  // namespace zem
