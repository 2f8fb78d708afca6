// Tests of the help builder's logic. The tool's sources (all but its main) are compiled in here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/vakhelp/help_source.cpp"

namespace zem::vakhelp {
namespace {

std::string Padded(std::string line) {
  line.resize(kHelpLineBytes, ' ');
  return line;
}

struct BuildCase {
  const char* name;
  std::string source;
  std::string help;   // expected file when it builds
  std::string error;  // expected first message when it does not
};

class BuildHelpTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildHelpTest, BuildsFixedLinesOrNamesTheFaultyLine) {
  const BuildCase& c = GetParam();
  std::string help;
  std::vector<std::string> errors;
  const bool built = BuildHelpFile(c.source, &help, &errors);
  if (c.error.empty()) {
    ASSERT_TRUE(built) << (errors.empty() ? "" : errors[0]);
    EXPECT_EQ(help, c.help);
  } else {
    ASSERT_FALSE(built);
    EXPECT_EQ(errors[0].rfind(c.error, 0), 0u) << errors[0];
  }
}

const std::string k76(76, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildHelpTest,
    ::testing::Values(
        BuildCase{"lines_padded_notes_left_out", "# note\nUna\n\nDues\n",
                  Padded("Una") + Padded("") + Padded("Dues"), ""},
        BuildCase{"cr_lf_source", "Una\r\nDues\r\n", Padded("Una") + Padded("Dues"), ""},
        BuildCase{"last_line_without_end", "Una", Padded("Una"), ""},
        BuildCase{"accents_in_code_page_850", "Sí, però", Padded("S\xa1, per\x95"), ""},
        BuildCase{"marks_become_markup_bytes", "*F1* _Data_ ^T^",
                  Padded("\x1e"
                         "F1\x1e \x1f"
                         "Data\x1f \x10T\x10"),
                  ""},
        BuildCase{"doubled_mark_is_the_character", "2 ** 3 = 6, a__b, x^^2",
                  Padded("2 * 3 = 6, a_b, x^2"), ""},
        BuildCase{"marks_take_no_room", "*" + k76 + "*", "\x1e" + k76 + "\x1e  ", ""},
        BuildCase{"seventy_seven_shown_characters", "ok\n" + k76 + "x", "", "line 2: 77"},
        BuildCase{"more_marks_than_the_line_holds", "*_^" + k76 + "^_*", "", "line 1: too many"},
        BuildCase{"mark_left_on", "Una\n_Data", "", "line 2: \"_\" switched on"},
        BuildCase{"character_outside_the_code_page", "\xe2\x82\xac 5", "", "line 1: characters"},
        BuildCase{"tab", "a\tb", "", "line 1: a control"}),
    [](const auto& info) { return std::string(info.param.name); });

// The sample installation's help sources build (a line that grew too long fails here).
TEST(SampleHelpTest, EverySourceBuilds) {
  int sources = 0;
  for (const auto& entry : std::filesystem::directory_iterator(
           std::filesystem::path(ZEM_SOURCE_DIR) / "sample/AJUDA")) {
    if (entry.path().extension() != ".txt") continue;
    ++sources;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream source;
    source << in.rdbuf();
    std::string help;
    std::vector<std::string> errors;
    EXPECT_TRUE(BuildHelpFile(source.str(), &help, &errors))
        << entry.path() << ": " << (errors.empty() ? "" : errors[0]);
    EXPECT_GT(help.size() / kHelpLineBytes, 17u) << entry.path() << ": more than one page";
  }
  EXPECT_EQ(sources, 2);
}

}  // namespace
}  // namespace zem::vakhelp
