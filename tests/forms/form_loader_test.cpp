#include "forms/form_loader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "forms/form_tables.h"
#include "forms_fixture.h"
#include "platform/cp850.h"
#include "platform/files.h"

namespace zem::testing {
namespace {

using Outcome = FormLoadResult::Outcome;

// Two screens and one pick list, with comment lines wherever they may stand.
const std::string kForm =
    "' form for the tests\n"
    "2,2\n"
    "  ' the parameter screen\n"
    "\"d,1b,4800,5000,3e00\"\n"
    "2,2,0,0,0,0\n"
    "2,5,\"Data, carta: \"  ,6,0,0,0,1,0,\"\"\n"
    "3,5,Estat: ,1,0,10,9,9,1,\"|T,Tots|P,Pendents\"\n"
    "' the confirmation\n"
    "\"d,1b\"\n"
    "1,0,5,10,9,60\n"
    "2,2,Confirmeu: ,1,0,0,0,9,0,\"|S,S\xa1|N,No\"\n"
    "' pick lists\n"
    "1\n"
    "' texts\n"
    "60,1,3,10,20,70,2,\"_Codi__Descripci\xa2\",0\n";

class LoaderTest : public FormTest {};

TEST_F(LoaderTest, ReadsEveryTableAndTranslatesLabelsChoicesAndHeadings) {
  Form().TranslateText = [](const std::string& text) { return "<" + text + ">"; };
  ASSERT_EQ(LoadScreenFormBytes(FormBytes(kForm)).outcome, Outcome::kLoaded);
  const FormState& form = Form();
  ASSERT_EQ(form.Screens.size(), 2u);
  const FormScreen& first = form.Screens[0];
  EXPECT_EQ(first.ExitKeys, "d,1b,4800,5000,3e00");
  EXPECT_EQ(first.NextScreen, 2);
  EXPECT_EQ(first.Window, (WindowRect{0, 0, 0, 0}));
  const FormField& date = first.Fields[0];
  EXPECT_EQ(date.Label, "<Data, carta: >");
  EXPECT_EQ(date.Value, "      ");
  EXPECT_EQ(date.Choices, "<>");
  const FormField& state = first.Fields[1];
  EXPECT_EQ(state.Label, "<Estat: >");
  EXPECT_EQ(state.Flags, 9);
  EXPECT_EQ(state.Browse, 1);
  EXPECT_EQ(state.Choices, "<|T,Tots|P,Pendents>");
  EXPECT_EQ(form.Screens[1].ExitKeys, "d,1b");
  EXPECT_EQ(form.Screens[1].Window, (WindowRect{5, 10, 9, 60}));
  ASSERT_EQ(form.PickLists.size(), 1u);
  const PickList& list = form.PickLists[0];
  EXPECT_EQ(list.FileId, 60);
  EXPECT_EQ(list.FilterScreen, 2);
  EXPECT_EQ(list.Heading, "<_Codi__Descripci\xa2>");
}

struct LoadCase {
  const char* name;
  std::string text;
  Outcome outcome;
  int line;
  std::string problem;
};

class LoadCaseTest : public FormTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadCaseTest, LoadsOrNamesTheProblem) {
  const LoadCase& c = GetParam();
  const FormLoadResult result = LoadScreenFormBytes(FormBytes(c.text));
  EXPECT_EQ(result.outcome, c.outcome);
  EXPECT_EQ(result.problem, c.problem);
  if (c.outcome == Outcome::kMalformed) {
    EXPECT_EQ(result.line, c.line);
    EXPECT_TRUE(Form().Screens.empty());
    EXPECT_TRUE(Form().PickLists.empty());
  }
}

const char* const kInsideScreen = "EL FITXER ACABA DINS D'UNA PANTALLA";
const char* const kBadSize = "UNA MIDA \x90S NEGATIVA O MASSA GRAN";

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadCaseTest,
    ::testing::Values(
        LoadCase{"EmptyFile", "", Outcome::kLoaded, 0, ""},
        LoadCase{"EndsAfterTheScreens", kForm.substr(0, kForm.find("' pick")), Outcome::kLoaded, 0,
                 ""},
        LoadCase{"Byte26EndsTheFile",
                 "1,0\nd\n0,0,0,0,0,0\n\x1a"
                 "1\n",
                 Outcome::kLoaded, 0, ""},
        LoadCase{"EndsInsideTheHeader", "' x\n2\n", Outcome::kMalformed, 3,
                 "EL FITXER ACABA DINS DE LA CAP\x80"
                 "ALERA"},
        LoadCase{"EndsInsideAScreen", "1,2\nd\n2,0,0,0,0,0\n1,1,A,3,0,0,0,0,0,\"\"\n",
                 Outcome::kMalformed, 5, kInsideScreen},
        LoadCase{"EndsInsideAPickList", "0,0\n1\n60,1,3\n", Outcome::kMalformed, 4,
                 "EL FITXER ACABA DINS D'UNA LLISTA"},
        LoadCase{"MoreFieldsThanTheHeaderAllows", "1,1\nd\n2,0,0,0,0,0\n", Outcome::kMalformed, 3,
                 "UNA PANTALLA T\x90 M\x90S CAMPS DELS QUE DIU LA CAP\x80"
                 "ALERA"},
        LoadCase{"NegativeScreenCount", "-1,1\n", Outcome::kMalformed, 1, kBadSize},
        LoadCase{"NegativeLength", "1,1\nd\n1,0,0,0,0,0\n1,1,A,-3,0,0,0,0,0,\"\"\n",
                 Outcome::kMalformed, 4, kBadSize},
        LoadCase{"NegativePickListCount", "0,0\n-2\n", Outcome::kMalformed, 2, kBadSize},
        LoadCase{"UnclosedQuote", "1,1\nd\n1,0,0,0,0,0\n1,1,\"A,3,0,0,0,0,0,\n",
                 Outcome::kMalformed, 4, "UN TEXT T\x90 LES COMETES SENSE TANCAR"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderTest, ACommentLineInsideAScreenBlockIsReadAsData) {
  // "' 1" is read as FieldCount 0 (the quote is no number) and then NextScreen 1.
  Load("1,1\nd\n' 1\n0,0,0,0\n0\n");
  ASSERT_EQ(Form().Screens.size(), 1u);
  EXPECT_EQ(Form().Screens[0].FieldCount, 0);
  EXPECT_EQ(Form().Screens[0].NextScreen, 1);
  EXPECT_TRUE(Form().PickLists.empty());
}

TEST_F(LoaderTest, TheSampleFormLoads) {
  std::string source;
  ASSERT_TRUE(platform::HostFileSystem().ReadFile(
      std::string(ZEM_SOURCE_DIR) + "/sample/FORMS/ZEMBRALO.QFM", &source));
  const FormLoadResult result = LoadScreenFormBytes(FormBytes(platform::Utf8ToCp850(source)));
  ASSERT_EQ(result.outcome, Outcome::kLoaded) << result.line << " " << result.problem;
  ASSERT_EQ(Form().Screens.size(), 3u);
  EXPECT_EQ(Form().Screens[0].FieldCount, 15);
  EXPECT_EQ(Form().Screens[1].Fields[0].Choices, "|S,S\xa1|N,No");
  EXPECT_EQ(Form().PickLists.size(), 4u);
}

TEST_F(LoaderTest, AMissingFileIsReported) {
  const FormLoadResult result = LoadScreenForm("C:\\VAK\\FORMS\\ZEMBRALO.QFM");
  EXPECT_EQ(result.outcome, Outcome::kMissing);
  EXPECT_FALSE(result.problem.empty());
}

TEST_F(LoaderTest, EveryCutOfAFormAndRandomBytesLoadOrAreMalformed) {
  const std::string bytes = FormBytes(kForm);
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    const FormLoadResult result = LoadScreenFormBytes(bytes.substr(0, cut));
    ASSERT_NE(result.outcome, Outcome::kMissing);
    EXPECT_EQ(result.outcome == Outcome::kMalformed, !result.problem.empty()) << cut;
  }
  const std::string alphabet = "0123456789,-\"' ab\r\n\t\x1a";
  uint32_t seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string noise;
    for (int i = 0; i < 60; ++i) {
      seed = seed * 1103515245 + 12345;
      noise += alphabet[(seed >> 16) % alphabet.size()];
    }
    LoadScreenFormBytes(noise);
    for (const FormScreen& screen : Form().Screens)
      ASSERT_EQ(screen.Fields.size(), static_cast<size_t>(screen.FieldCount));
  }
}

}  // namespace
}  // namespace zem::testing
