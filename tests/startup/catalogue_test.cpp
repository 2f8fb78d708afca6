#include "startup/catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/services.h"
#include "support/fake_services.h"
#include "startup/session.h"

namespace zem {
namespace {

constexpr const char* kRoot = "C:\\VAK\\";
constexpr const char* kFile = "/VAK/LOCALE/ZEMBRALO.LNG";

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSession();
    ResetCatalogue();
    Session().RootDir = kRoot;
  }
  void TearDown() override {
    ResetSession();
    ResetCatalogue();
  }

  // The installation's LOCALE directory, with the catalogue when `bytes` is given.
  void Install(std::optional<std::string> bytes) {
    services.files.MakeDir("/VAK");
    services.files.MakeDir("/VAK/LOCALE");
    if (bytes) services.files.AddFile(kFile, *bytes);
  }

  platform::FakeServices services;
};

struct LookupCase {
  const char* name;
  const char* language;
  std::optional<std::string> catalogue;  // none: no catalogue file
  std::string text;
  std::string expected;
};

class TranslateTest : public CatalogueTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(TranslateTest, LooksUpTheRecordOfTheText) {
  const LookupCase& c = GetParam();
  Install(c.catalogue);
  Session().Language = c.language;
  EXPECT_EQ(Translate(c.text), c.expected);
  // Every language but Catalan leaves a catalogue behind, as found or created empty.
  const bool catalan = std::string(c.language) == "CAT";
  ASSERT_EQ(services.files.Exists(kFile), !catalan || c.catalogue.has_value());
  if (!catalan) {
    EXPECT_EQ(services.files.Contents(kFile), c.catalogue.value_or(""));
  }
}

const std::string kThree = "SORTIR,SA\xd6R,SHIR,SALIR\r\nDATA,DATA,DATA,FECHA\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, TranslateTest,
    ::testing::Values(
        LookupCase{"spanish_is_the_fourth_item", "SPA", kThree, "DATA", "FECHA"},
        LookupCase{"galician_is_the_second_item", "GLG", kThree, "SORTIR", "SA\xd6R"},
        LookupCase{"aranese_is_the_third_item", "OCI", kThree, "SORTIR", "SHIR"},
        LookupCase{"catalan_keeps_the_text", "CAT", kThree, "DATA", "DATA"},
        LookupCase{"other_code_keeps_the_text", "es ", kThree, "DATA", "DATA"},
        LookupCase{"trailing_blank_is_not_found", "SPA", kThree, "DATA ", "DATA "},
        LookupCase{"case_matters", "SPA", kThree, "Data", "Data"},
        LookupCase{"first_match_wins", "SPA", "A,g,o,PRIMER\r\nA,g,o,SEGON\r\n", "A", "PRIMER"},
        LookupCase{"empty_translation_stays_empty", "GLG", "A,,o,s\r\n", "A", ""},
        LookupCase{"blanks_kept_in_keys_and_translations", "SPA", "Data:   ,g,o,Fecha:   \r\n",
                   "Data:   ", "Fecha:   "},
        LookupCase{"quoted_items_hold_commas_and_line_ends", "SPA",
                   "\"|S,S\xa1|N,No\",g,o,\"|S,S\xa1|N,\r\nNo\"\r\n", "|S,S\xa1|N,No",
                   "|S,S\xa1|N,\r\nNo"},
        LookupCase{"record_spread_over_lines", "OCI", "A\r\ng\r\no\r\ns\r\nB,g2,o2,s2\r\n", "B",
                   "o2"},
        LookupCase{"tab_and_lone_lf_dropped", "SPA", "A\t\n,g,o,s\tx\r\n", "A", "sx"},
        // "UN, DOS" unquoted is two items: every later record is read one item off.
        LookupCase{"unquoted_comma_splits_the_key", "SPA", "UN, DOS,g,o,s\r\nTRES,g3,o3,s3\r\n",
                   "UN, DOS", "UN, DOS"},
        LookupCase{"unquoted_comma_shifts_later_records", "SPA",
                   "UN, DOS,g,o,s\r\nTRES,g3,o3,s3\r\n", "UN", "o"},
        LookupCase{"shifted_record_not_found", "SPA", "UN, DOS,g,o,s\r\nTRES,g3,o3,s3\r\n", "TRES",
                   "TRES"},
        LookupCase{"incomplete_last_record_ignored", "SPA", "A,g,o,s\r\nB,g2\r\n", "B", "B"},
        LookupCase{"lone_last_key_ignored", "SPA", "A,g,o,s\r\nB", "B", "B"},
        LookupCase{"last_record_without_line_end", "SPA", "A,g,o,s", "A", "s"},
        LookupCase{"byte_26_ends_the_file", "SPA",
                   "A,g,o,s\r\n\x1a"
                   "B,g,o,s\r\n",
                   "B", "B"},
        // An unclosed quote makes the rest of the file one item.
        LookupCase{"unclosed_quote_takes_the_rest", "SPA", "A,g,o,\"s\r\nB,g,o,t\r\n", "A",
                   "s\r\nB,g,o,t\r\n"},
        LookupCase{"after_unclosed_quote_nothing_found", "SPA", "A,g,o,\"s\r\nB,g,o,t\r\n", "B",
                   "B"},
        LookupCase{"missing_catalogue_created_empty", "SPA", std::nullopt, "DATA", "DATA"},
        LookupCase{"three_blanks_create_the_catalogue", "   ", std::nullopt, "DATA", "DATA"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CatalogueTest, CatalanTouchesNoFile) {
  Install(kThree);
  Session().Language = "CAT";
  EXPECT_EQ(Translate("DATA"), "DATA");
  EXPECT_EQ(services.files.ReadCount(kFile), 0);
  EXPECT_EQ(Catalogue().CatalogueName, "");
  EXPECT_EQ(CatalogueProblem(), "");
  EXPECT_EQ(services.files.ReadCount(kFile), 0);
}

TEST_F(CatalogueTest, MissingDirectoryKeepsTextsAndIsNotCreated) {
  Session().Language = "SPA";
  EXPECT_EQ(Translate("DATA"), "DATA");
  EXPECT_EQ(Catalogue().CatalogueName, "ZEMBRALO");
  EXPECT_FALSE(services.files.Exists("/VAK/LOCALE"));
  EXPECT_FALSE(services.files.Exists(kFile));
}

TEST_F(CatalogueTest, ChangesToTheFileAreSeenByTheNextLookup) {
  Install("A,g,o,s\r\n");
  Session().Language = "SPA";
  EXPECT_EQ(Translate("A"), "s");
  services.files.AddFile(kFile, "A,g,o,t\r\n");
  EXPECT_EQ(Translate("A"), "t");
}

struct ProblemCase {
  const char* name;
  const char* language;
  bool directory;
  std::optional<std::string> catalogue;
  std::string expected_part;  // empty: no problem
};

class CatalogueProblemTest : public CatalogueTest,
                             public ::testing::WithParamInterface<ProblemCase> {};

TEST_P(CatalogueProblemTest, ReportsWhatKeepsTextsUntranslated) {
  const ProblemCase& c = GetParam();
  if (c.directory) Install(c.catalogue);
  Session().Language = c.language;
  const std::string problem = CatalogueProblem();
  if (c.expected_part.empty()) {
    EXPECT_EQ(problem, "");
  } else {
    EXPECT_NE(problem.find(c.expected_part), std::string::npos) << problem;
  }
  EXPECT_FALSE(services.files.Exists("/VAK/LOCALE") && !c.directory);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CatalogueProblemTest,
    ::testing::Values(
        ProblemCase{"sound_catalogue", "SPA", true, kThree, ""},
        ProblemCase{"no_catalogue_yet", "GLG", true, std::nullopt, ""},
        ProblemCase{"quoted_commas_are_fine", "SPA", true, "\"A,B\",g,o,s\r\n", ""},
        ProblemCase{"missing_directory_spanish", "SPA", false, std::nullopt,
                    "NO EXISTE EL DIRECTORIO DE MENSAJES C:\\VAK\\LOCALE"},
        ProblemCase{"missing_directory_galician", "GLG", false, std::nullopt,
                    "O DIRECTORIO DE MENSAXES C:\\VAK\\LOCALE"},
        ProblemCase{"missing_directory_aranese", "OCI", false, std::nullopt,
                    "ETH DIRECT\xe3RI DE MESSATGES C:\\VAK\\LOCALE"},
        ProblemCase{"missing_directory_catalan_no_matter", "   ", false, std::nullopt, ""},
        ProblemCase{"unclosed_quote_names_line_and_file", "SPA", true,
                    "A,g,o,s\r\nB,g,o,s\r\n  \"C,g,o,s\r\nD,g,o,s\r\n",
                    "3: C:\\VAK\\LOCALE\\ZEMBRALO.LNG"},
        ProblemCase{"unclosed_quote_after_a_line_end_in_quotes", "OCI", true,
                    "\"A\r\nA\",g,o,s\r\nB,\"g\r\n", "3: C:\\VAK\\LOCALE\\ZEMBRALO.LNG"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zem
