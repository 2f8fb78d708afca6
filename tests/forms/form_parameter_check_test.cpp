#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/dates.h"
#include "forms/form_engine.h"
#include "forms/form_tables.h"
#include "forms_fixture.h"
#include "mailing/letter_mailing.h"
#include "mailing/parameter_check.h"

namespace zem::testing {
namespace {

using namespace keys;

// The parameter screen with its fifteen fields as plain text fields, and the confirmation.
std::string ParameterForm() {
  const int lengths[15] = {8, 8, 4, 4, 4, 4, 1, 2, 2, 10, 10, 1, 3, 3, 3};
  std::string text = "2,15\n\"d,1b,4800,5000\"\n15,0,0,0,0,0\n";
  for (int n = 0; n < 15; ++n)
    text += std::to_string(n + 2) + ",1,P" + std::to_string(n + 1) + ": ," +
            std::to_string(lengths[n]) + ",0,0,0,0,0,\"\"\n";
  text += "\"d,1b\"\n1,0,10,20,14,60\n2,2,Confirmeu (S/N): ,1,0,0,0,0,0,\"\"\n";
  return text;
}

const std::vector<std::string> kValues = {"050324",     "RECCAT", "12", "1",  "12",
                                          "9",          "T",      "1",  "99", "100",
                                          "2000000000", "C",      "45", "9",  "16"};

// Notes the screen when the program discards pending keys before a message's key, then
// answers with Enter.
class NotingConsole : public platform::MemoryConsole {
 public:
  void DiscardInput() override {
    MemoryConsole::DiscardInput();
    noted.clear();
    for (int row = 1; row <= kRows; ++row) noted += RowText(row);
    Push(platform::InputEvent::Key(13));
  }
  std::string noted;
};

class ParameterCheckTest : public FormTest {
 protected:
  ParameterCheckTest() {
    ResetMailing();
    Load(ParameterForm());
    for (int16_t n = 1; n <= 15; ++n) SetFieldValue(1, n, kValues[n - 1]);
    SetFieldValue(2, 1, "Z");  // blanked only when the confirmation runs
  }
  ~ParameterCheckTest() override { ResetMailing(); }
};

struct RefusalCase {
  const char* name;
  int16_t field;
  std::string value;
};

class RefusalTest : public ParameterCheckTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusesWithoutAskingForConfirmation) {
  SetFieldValue(1, GetParam().field, GetParam().value);
  int16_t key = kEnter;
  EXPECT_EQ(CheckParameters(1, key), -1);
  EXPECT_EQ(FieldValue(2, 1), "Z");
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusalTest,
                         ::testing::Values(RefusalCase{"PropertiesCrossed", 5, "11"},
                                           RefusalCase{"UnitsCrossed", 6, "0"},
                                           RefusalCase{"CountsCrossed", 9, "0"},
                                           RefusalCase{"TotalsCrossed", 10, "3000000000"},
                                           RefusalCase{"LettersWithoutTemplate", 2, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ParameterCheckTest, LabelsPerPageThatDoNotFillRowsAreRefusedWithATranslatedMessage) {
  NotingConsole console;
  platform::Current().console = &console;
  Form().TranslateText = [](const std::string& text) { return "[" + text + "]"; };
  SetFieldValue(1, 12, "E");
  SetFieldValue(1, 15, "15");
  int16_t key = kEnter;
  EXPECT_EQ(CheckParameters(1, key), -1);
  EXPECT_NE(console.noted.find("[LES ETIQUETES PER P\xb7GINA HAN DE SER DIVISIBLES PER ]2"),
            std::string::npos);
  EXPECT_EQ(console.beeps(), 1);
  EXPECT_EQ(FieldValue(2, 1), "Z");
  EXPECT_EQ(Windows().WindowDepth, 0);
}

TEST_F(ParameterCheckTest, EscAndOtherScreensPassUnchecked) {
  SetFieldValue(1, 5, "11");
  int16_t key = kEsc;
  EXPECT_EQ(CheckParameters(1, key), 0);
  key = kEnter;
  EXPECT_EQ(CheckParameters(2, key), 0);
  EXPECT_EQ(Mailing().TemplateName, MailingParameters{}.TemplateName);
}

TEST_F(ParameterCheckTest, AnAnswerOtherThanSStartsTheParameterScreenAgain) {
  InstallParameterScreen();
  for (const char* answer : {"N", "S"}) {
    for (int n = 0; n < 15; ++n) PushKey(kEnter);
    services.console.PushKeys(answer);
    PushKey(kEnter);
  }
  int16_t key = 0;
  RunScreen(1, 0, 0, key);
  EXPECT_EQ(key, kEnter);
  EXPECT_EQ(services.console.Pending(), 0u);
  const MailingParameters& p = Mailing();
  EXPECT_EQ(p.LetterDate, PackDigits("20240305"));
  EXPECT_EQ(p.TemplateName, "RECCAT  ");
  EXPECT_EQ(p.FirstCode, PackCode("12.1"));
  EXPECT_EQ(p.LastCode, PackCode("12.9"));
  EXPECT_EQ(p.StateSelector, "T");
  EXPECT_EQ(p.MaxCount, 99);
  EXPECT_EQ(p.MinTotal, 100);
  EXPECT_EQ(p.MaxTotal, 2000000000);
  EXPECT_EQ(p.OutputKind, "C");
  EXPECT_EQ(p.LabelsPerPage, 16);
  EXPECT_EQ(p.LabelsAcross, 2);
}

}  // namespace
}  // namespace zem::testing
