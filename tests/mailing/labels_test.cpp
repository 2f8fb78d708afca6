// Address labels two across: cells, rows, pages, and the label parameters refused before a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/fake_services.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem {
namespace {

// The records of a print file, one per line.
std::vector<std::string> Records(const std::string& bytes) {
  std::vector<std::string> records;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    records.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return records;
}

struct Address {
  std::array<std::string, 5> lines;
};

class LabelsTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Session().WorkDir = "/work/";
    services_.files.MakeDir("/work");
  }
  void TearDown() override { ResetProgramState(); }

  // Prints labels for `addresses` as one run with the current parameters; returns the print
  // file's bytes.
  std::string PrintLabels(const std::vector<Address>& addresses) {
    Mailing().OutputKind = "E";
    EXPECT_TRUE(OpenPrintFile("LPT1"));
    StartMailingRun();
    for (const Address& address : addresses) {
      MailingRun().AddressLines = address.lines;
      AddLabel();
    }
    if (MailingRun().LabelsInRow != 0) PrintLabelRow();
    EXPECT_TRUE(ClosePrintFile());
    return services_.files.Contents("/work/vakprint.tmp");
  }

  std::string Rendered(const std::string& bytes) {
    vakprint::PrintRendering out = vakprint::RenderPrintFile(bytes);
    EXPECT_TRUE(out.ok) << out.error << " line " << out.error_line;
    return out.text;
  }

  platform::FakeServices services_;
};

// Address lines are code page 850, as the records hold them.
const Address kA{
    {"V001001", "Maria Oll\x82", "C. de Mallorca, 245 Baixos", "08008 BARCELONA", "(Barcelona)"}};
const Address kB{
    {"V001002", "Josep Vidal", "C. de Mallorca, 245 Entl. 1a", "08008 BARCELONA", "(Barcelona)"}};
const Address kC{{"V002001",
                  "Merc\x8a Pe\xa4"
                  "alver",
                  "Av. de la Catedral, 12 Baixos", "08002 BARCELONA", "(Barcelona)"}};

// The same texts as the rendering shows them (UTF-8).
const std::string kNameA = "Maria Oll\xc3\xa9";
const std::string kNameC =
    "Merc\xc3\xa8 Pe\xc3\xb1"
    "alver";

// A rendered row of two labels of width 30, and one with a single label.
std::string Row(const std::string& left, const std::string& right, size_t left_chars) {
  return left + std::string(30 - left_chars, ' ') + right + "\n";
}
std::string Row(const std::string& left) {
  return left + "\n";
}

TEST_F(LabelsTest, DefaultWidthSendsPiecesAtColumns1_46_91) {
  std::vector<std::string> records = Records(PrintLabels({kA, kB}));
  // Device, page of 8 rows x 9 lines, label page command, then per line three pieces and a
  // line end.
  ASSERT_GE(records.size(), 3u + 9 * 4);
  EXPECT_EQ(records[1], "PAGE 72 ");
  EXPECT_EQ(records[2], "*@e");
  for (int line = 0; line < 9; ++line) {
    const size_t at = 3 + static_cast<size_t>(line) * 4;
    EXPECT_EQ(records[at].substr(0, 4), " 1 ,") << line;
    EXPECT_EQ(records[at + 1].substr(0, 5), " 46 ,") << line;
    EXPECT_EQ(records[at + 2], " 91 ,, 0 ") << line;  // the 96-character line ends at 90
    EXPECT_EQ(records[at + 3], " 0 ,, 1 ") << line;
  }
  EXPECT_EQ(records[3], " 1 ,V001001" + std::string(45 - 7, ' ') + ", 0 ");
  EXPECT_EQ(records[4], " 46 ,V001002" + std::string(45 - 7, ' ') + ", 0 ");
}

struct LayoutCase {
  const char* name;
  int16_t width;
  int16_t lines_per_label;
  int16_t labels_per_page;
  std::vector<Address> addresses;
  std::string expected;  // rendered pages
};

class LabelLayoutTest : public LabelsTest, public testing::WithParamInterface<LayoutCase> {};

TEST_P(LabelLayoutTest, RendersRowsAndPages) {
  const LayoutCase& c = GetParam();
  Mailing().LabelWidth = c.width;
  Mailing().LinesPerLabel = c.lines_per_label;
  Mailing().LabelsPerPage = c.labels_per_page;
  std::string bytes = PrintLabels(c.addresses);
  EXPECT_EQ(Rendered(bytes), c.expected);
  // Every label line of the buffer is empty again after the run.
  for (const std::string& line : MailingRun().LabelLines) EXPECT_TRUE(line.empty());
}

// The last address line ends 7 blanks before the label's edge: in width 30 "(Barcelona)"
// (11 characters) starts at column 13 of its label.
const std::string kRight30 = std::string(12, ' ') + "(Barcelona)";

INSTANTIATE_TEST_SUITE_P(
    Labels, LabelLayoutTest,
    testing::Values(
        LayoutCase{"OddCountLastRowHalfEmpty",
                   30,
                   5,
                   4,
                   {kA, kB, kC},
                   Row("V001001", "V001002", 7) + Row(kNameA, "Josep Vidal", 10) +
                       Row("C. de Mallorca, 245 Baixos", "C. de Mallorca, 245 Entl. 1a", 26) +
                       Row("08008 BARCELONA", "08008 BARCELONA", 15) + Row(kRight30, kRight30, 23) +
                       Row("V002001") + Row(kNameC) + Row("Av. de la Catedral, 12 Baixos") +
                       Row("08002 BARCELONA") + Row(kRight30)},
        LayoutCase{"ThreeLinesPerLabelShowsDes0ToDes2",
                   30,
                   3,
                   16,
                   {kA, kB, kC},
                   Row("V001001", "V001002", 7) + Row(kNameA, "Josep Vidal", 10) +
                       Row("C. de Mallorca, 245 Baixos", "C. de Mallorca, 245 Entl. 1a", 26) +
                       Row("V002001") + Row(kNameC) + Row("Av. de la Catedral, 12 Baixos")},
        LayoutCase{"FullPageBeginsANewOne",
                   30,
                   3,
                   2,  // one row of 3 lines a page
                   {kA, kB, kC},
                   Row("V001001", "V001002", 7) + Row(kNameA, "Josep Vidal", 10) +
                       Row("C. de Mallorca, 245 Baixos", "C. de Mallorca, 245 Entl. 1a", 26) +
                       "\f" + Row("V002001") + Row(kNameC) + Row("Av. de la Catedral, 12 Baixos")},
        LayoutCase{
            "NarrowLabelsCutTheirCells", 8, 2, 4, {kA, kB}, "V001001 V001002\nMaria OlJosep Vi\n"},
        LayoutCase{"ExtraLinesPrintEmpty",
                   30,
                   7,
                   4,
                   {kA, kB},
                   Row("V001001", "V001002", 7) + Row(kNameA, "Josep Vidal", 10) +
                       Row("C. de Mallorca, 245 Baixos", "C. de Mallorca, 245 Entl. 1a", 26) +
                       Row("08008 BARCELONA", "08008 BARCELONA", 15) + Row(kRight30, kRight30, 23)},
        LayoutCase{"NothingSelectedPrintsNothing", 45, 9, 16, {}, ""}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

TEST_F(LabelsTest, RowsContinueOnTheOpenPage) {
  Mailing().LabelWidth = 30;
  Mailing().LinesPerLabel = 3;
  Mailing().LabelsPerPage = 4;  // two rows a page
  std::vector<std::string> records = Records(PrintLabels({kA, kB, kC, kA, kB}));
  int pages = 0;
  int commands = 0;
  for (const std::string& r : records) {
    if (r.rfind("PAGE", 0) == 0) {
      ++pages;
      EXPECT_EQ(r, "PAGE 6 ");
    }
    if (r == "*@e") ++commands;
  }
  EXPECT_EQ(pages, 2);  // rows 1-2 on page 1, row 3 on page 2
  EXPECT_EQ(commands, 2);
}

// The last address line ends 7 blanks before the label's edge whatever the width: a narrow
// label loses the line's start, one narrower than the 7 blanks shows blanks only.
TEST_F(LabelsTest, LastLineEndsSevenBlanksBeforeTheEdge) {
  const struct {
    int16_t width;
    const char* line;
    std::string cell;
  } cases[] = {
      {30, "(Barcelona)", std::string(12, ' ') + "(Barcelona)" + std::string(7, ' ')},
      {18, "(Barcelona)", "(Barcelona)" + std::string(7, ' ')},
      {10, "(Barcelona)", "na)" + std::string(7, ' ')},
      {7, "(Barcelona)", std::string(7, ' ')},
      {3, "(Barcelona)", std::string(3, ' ')},
      {20, "(Girona)   ", std::string(5, ' ') + "(Girona)" + std::string(7, ' ')},
      {9, "", std::string(9, ' ')},
  };
  for (const auto& c : cases) {
    MailingRun() = MailingRunState{};
    Mailing().LabelWidth = c.width;
    Mailing().LinesPerLabel = 5;
    MailingRun().AddressLines = {"V001001", "", "", "", c.line};
    AddLabel();
    EXPECT_EQ(MailingRun().LabelLines[4], c.cell) << c.width << " " << c.line;
    EXPECT_EQ(MailingRun().LabelLines[0], std::string("V001001").substr(0, c.width) +
                                              std::string(c.width > 7 ? c.width - 7 : 0, ' '));
  }
}

struct ProblemCase {
  const char* output_kind;
  int16_t width;
  int16_t lines;
  int16_t per_page;
  bool refused;
};

TEST(LabelParameterProblemTest, RefusesWidthsAndLineCountsThatCannotWork) {
  platform::FakeServices services;  // the messages pass through the catalogue
  const ProblemCase cases[] = {
      {"E", 45, 9, 16, false},
      {"E", 0, 9, 16, true},
      {"E", -3, 9, 16, true},
      {"E", 1, 1, 2, false},
      {"E", 45, 100, 16, false},
      {"E", 45, 101, 16, true},
      {"E", 45, 0, 16, true},
      {"E", 45, -1, 16, true},
      // No labels on a page leaves no room on it: every piece of text would begin a page.
      {"E", 45, 9, 0, true},
      {"E", 45, 9, -2, true},
      {"E", 45, 9, 1, true},  // less than a row of two
      {"E", 45, 9, 2, false},
      // Lines a page holds: 654 / 2 x 100 = 32700 can be counted, 656 / 2 x 100 = 32800 not.
      {"E", 45, 100, 654, false},
      {"E", 45, 100, 656, true},
      {"C", 0, 101, 0, false},  // letters do not use the label parameters
  };
  for (const ProblemCase& c : cases) {
    MailingParameters parameters;
    parameters.OutputKind = c.output_kind;
    parameters.LabelWidth = c.width;
    parameters.LinesPerLabel = c.lines;
    parameters.LabelsPerPage = c.per_page;
    EXPECT_EQ(!LabelParameterProblem(parameters).empty(), c.refused)
        << c.output_kind << " " << c.width << " " << c.lines << " " << c.per_page;
  }
}

}  // namespace
}  // namespace zem
