#include "mailing/template_merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mailing/field_codes.h"
#include "mailing/merge_table.h"
#include "mailing/print_file.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/merge_fixture.h"

namespace zem {
namespace {

// One entry of a merge data file: name line, value, byte 255.
std::string Entry(const std::string& name, const std::string& value) {
  return "\x7f" + name + "\r\n" + value + "\xff\r\n";
}

// Splits the print file into its records (the device record left out).
std::vector<std::string> SplitRecords(const std::string& bytes) {
  std::vector<std::string> records;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    records.push_back(bytes.substr(start, end - start));
  if (!records.empty()) records.erase(records.begin());
  return records;
}

bool IsTextRecord(const std::string& record) {
  return !record.empty() && (record[0] == ' ' || record[0] == '-');
}

int NumberField(const std::string& field) {
  return std::stoi(field);
}

// The printed lines: the texts of the text records joined up to each record with line ends.
std::vector<std::string> PrintedLines(const std::vector<std::string>& records) {
  std::vector<std::string> lines;
  std::string current;
  for (const std::string& record : records) {
    if (!IsTextRecord(record)) continue;
    size_t first = record.find(',');
    size_t last = record.rfind(',');
    current += record.substr(first + 1, last - first - 1);
    if (NumberField(record.substr(last + 1)) > 0) {
      lines.push_back(current);
      current.clear();
    }
  }
  return lines;
}

// Lines as the page shows them: trailing blanks removed, empty lines dropped.
std::vector<std::string> VisibleLines(const std::vector<std::string>& records) {
  std::vector<std::string> lines;
  for (std::string line : PrintedLines(records)) {
    line.erase(line.find_last_not_of(' ') + 1);
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

int Count(const std::vector<std::string>& records, const std::string& record) {
  int n = 0;
  for (const std::string& r : records) n += r == record ? 1 : 0;
  return n;
}

class TemplateMergeTest : public testing::MergeTest {
 protected:
  void SetUp() override {
    MergeTest::SetUp();
    SetMergeProblemReporter([this](const std::string& text) { problems_.push_back(text); });
    ASSERT_TRUE(OpenPrintFile("LPT1"));
  }
  void AddTemplate(const std::string& name, const std::string& bytes) {
    services_.files.AddFile("/VAK/TEXTOS/" + name + ".txt", bytes);
  }
  void AddMergeData(const std::string& bytes) {
    services_.files.AddFile("/VAK/TMP/merge.tmp", bytes);
  }
  std::vector<std::string> Records() {
    WritePendingRecords();
    return SplitRecords(services_.files.Contents("/VAK/TMP/vakprint.tmp"));
  }
  bool Merge(const std::string& name, const std::string& merge_path = "C:\\VAK\\TMP\\merge.tmp") {
    return MergeTemplate(name, merge_path, true);
  }

  std::vector<std::string> problems_;
};

TEST_F(TemplateMergeTest, TemplatePaths) {
  struct Case {
    const char* name;
    const char* path;
  };
  const std::vector<Case> cases = {
      {"D:\\LETTERS\\NOTICE", "D:\\LETTERS\\NOTICE.txt"},
      {"NOTICE", "C:\\VAK\\TEXTOS\\NOTICE.txt"},
      {"NOTICE   ", "C:\\VAK\\TEXTOS\\NOTICE.txt"},
      {"  NOTICE", "C:\\VAK\\TEXTOS\\  NOTICE.txt"},
      {"SUB\\NOTICE ", "SUB\\NOTICE.txt"},
      {"A:", "A:.txt"},
      {"", "C:\\VAK\\TEXTOS\\.txt"},
      {"   ", "C:\\VAK\\TEXTOS\\.txt"},
  };
  for (const Case& c : cases) EXPECT_EQ(TemplatePath(c.name), c.path) << "'" << c.name << "'";
}

TEST_F(TemplateMergeTest, IncludedNames) {
  struct Case {
    const char* line;
    const char* name;
  };
  const std::vector<Case> cases = {
      {"@+PEU", "PEU"},
      {"#+PEU FINAL", "PEU"},
      {"@+PEU.TXT", "PEU"},
      {"@+A\"B", "A"},
      {"@+AB\x82"
       "C",
       "AB"},
      {"@+", ""},
      {"@+X|Y", "X"},
      {"#+Ab-c_d", "Ab-c_d"},
      {"@+a\\b", "a"},
      {"@+x*y", "x"},
      {"@+k~l", "k~l"},
      {"@+n:o", "n"},
  };
  for (const Case& c : cases) EXPECT_EQ(IncludedName(c.line), c.name) << c.line;
}

TEST(FieldCodesTest, ValuesReplaceTheirCodes) {
  const std::string data = Entry("DES1", "  Joan Puig  ") + Entry("DES2", "Carrer Major 3") +
                           Entry("DES10", "ten") + Entry("NUMREB", "   4");
  struct Case {
    const char* line;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"Sr. @DES1.", "Sr. Joan Puig."},
      {"Sr. #DES1.", "Sr.   Joan Puig  ."},
      {"@des1", "Joan Puig"},
      {"@Des2, @DES1", "Carrer Major 3, Joan Puig"},
      {"@DES1@DES2", "Joan PuigCarrer Major 3"},
      {"@DES10", "ten"},
      {"@DES100", "@DES100"},
      {"@FEC2 stays", "@FEC2 stays"},
      {"mail: a@b.cat", "mail: a@b.cat"},
      {"a @ b # c", "a @ b # c"},
      {"#NUMREB rebuts", "   4 rebuts"},
      {"@NUMREB rebuts", "4 rebuts"},
      {"no codes at all", "no codes at all"},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    std::vector<std::string> emitted;
    ReplaceFieldCodes(line, data, [&](const std::string& text) { emitted.push_back(text); });
    EXPECT_EQ(line, c.result) << c.line;
    EXPECT_TRUE(emitted.empty()) << c.line;
  }
}

// Name lines are found in file order from any line, without regard to case, wherever they
// stand (a value line that begins with byte 127 is a name line to the file's readers too).
TEST(MergeTableTest, FindsNamesInFileOrder) {
  const MergeTable table(Entry("DES1", "a") +
                         Entry("des1",
                               "\x7f"
                               "DES1") +
                         Entry("X", "") + "\x1a" + Entry("DES1", "after the end"));
  struct Case {
    const char* name;
    size_t from;
    size_t found;
  };
  const std::vector<Case> cases = {
      {"DES1", 0, 0}, {"Des1", 1, 2}, {"DES1", 3, 6}, {"des1\xff", 0, 3},
      {"X", 0, 4},    {"DES", 0, 6},  {"", 0, 6},
  };
  ASSERT_EQ(table.size(), 6u);
  EXPECT_EQ(table.line(3),
            "\x7f"
            "DES1\xff");
  for (const Case& c : cases) {
    EXPECT_EQ(table.FindName(c.name, c.from), c.found) << c.name << " from " << c.from;
  }
}

TEST(FieldCodesTest, MultiLineValues) {
  struct Case {
    const char* name;
    std::string data;
    const char* line;
    std::vector<std::string> emitted;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"trimmed first line only",
       Entry("REL", "  a  \r\n  b  \r\n  c  "),
       "Ref: @REL.",
       {"Ref: a", "  b  "},
       "  c  ."},
      {"kept as stored", Entry("REL", "  a  \r\n  b  "), "Ref: #REL.", {"Ref:   a  "}, "  b  ."},
      {"no end byte before the end of the file",
       "\x7fREL\r\none\r\ntwo\r\n",
       "[@REL]",
       {"[one", "two"},
       "L]"},
      {"empty last line", Entry("REL", "x\r\ny\r\n"), "#REL", {"x", "y"}, ""},
  };
  for (const Case& c : cases) {
    std::string line = c.line;
    std::vector<std::string> emitted;
    ReplaceFieldCodes(line, c.data, [&](const std::string& text) { emitted.push_back(text); });
    EXPECT_EQ(emitted, c.emitted) << c.name;
    EXPECT_EQ(line, c.result) << c.name;
  }
}

TEST(FieldCodesTest, FileIsReadOnAfterAReplacement) {
  // After @A is replaced by "qB", the next entry's name B matches the text now standing after
  // the code's position, so it replaces "qB" in turn; #C is found on a fresh pass.
  const std::string data = Entry("A", "qB") + Entry("B", "R") + Entry("C", "c");
  std::string line = "@A #C";
  ReplaceFieldCodes(line, data, [](const std::string&) {});
  EXPECT_EQ(line, "R c");
}

TEST(FieldCodesTest, ValuesBringingTheirOwnCodesStop) {
  // Each replacement puts a fresh code right after the one replaced: without a limit the line
  // would grow for ever.
  const std::string data = Entry("A", "x@A");
  for (int limit : {1, 10, 1000}) {
    std::string line = "@A";
    ReplaceFieldCodes(
        line, data, [](const std::string&) {}, limit);
    EXPECT_EQ(line.size(), 2u + static_cast<size_t>(limit)) << limit;  // each step adds one byte
  }
}

TEST_F(TemplateMergeTest, FirstPageLayoutAndHeaderColumn) {
  AddTemplate("CARTA", "\x7fLABC\r\n\x7fS3\r\nText\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const std::vector<std::string> expected = {
      "PAGE 66 ",     "*@",       "*e",   " 0 ,, 3 ",
      " 92 ,ABC, 2 ", " 1 ,, 0 ", "JUSE", " 0 ,Text" + std::string(91, ' ') + ", 1 ",
  };
  EXPECT_EQ(Records(), expected);
  EXPECT_EQ(Merging().PageCount, 0);
  EXPECT_EQ(Printing().CurrentLine, 6);
}

TEST_F(TemplateMergeTest, EachLetterStartsANewFirstPage) {
  AddTemplate("CARTA", "Hola\r\n");
  AddMergeData("");
  ASSERT_TRUE(Merge("CARTA"));
  ASSERT_TRUE(Merge("CARTA"));
  const auto records = Records();
  EXPECT_EQ(Count(records, "PAGE 66 "), 2);
  EXPECT_EQ(Count(records, "*@"), 2);
  EXPECT_EQ(Count(records, "*e"), 2);
}

TEST_F(TemplateMergeTest, FieldsAreMergedIntoTheLetter) {
  AddMergeData(Entry("DES1", "  Joan Puig  ") + Entry("DES2", "C. Major"));
  AddTemplate("CARTA", "Sr. @DES1\r\n#des1|\r\n@DES2 @FEC2\r\n");
  ASSERT_TRUE(Merge("CARTA"));
  EXPECT_EQ(VisibleLines(Records()),
            (std::vector<std::string>{"Sr. Joan Puig", "Joan Puig  |", "C. Major @FEC2"}));
}

TEST_F(TemplateMergeTest, EmptyMergePathLeavesCodes) {
  AddTemplate("CARTA", "Sr. @DES1\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  EXPECT_EQ(VisibleLines(Records()), std::vector<std::string>{"Sr. @DES1"});
}

std::string Encoded(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    auto b = static_cast<unsigned char>(c);
    if (b > 32 && b < 223) c = static_cast<char>(255 - b);
  }
  return out;
}

TEST_F(TemplateMergeTest, DecodingSwitch) {
  AddMergeData(Entry("DES1", "Anna"));
  AddTemplate("CARTA",
              "\x7f"
              "C\r\n" +
                  Encoded("Hola @DES1") +
                  "\r\n\x7f"
                  "CX\r\nPlain\r\n");
  ASSERT_TRUE(Merge("CARTA"));
  EXPECT_EQ(VisibleLines(Records()), (std::vector<std::string>{"Hola Anna", "Plain"}));
}

TEST_F(TemplateMergeTest, RightAlignedFormatDefinition) {
  AddTemplate("CARTA",
              "\x7f"
              "0180005D\r\n\x02Hello world\r\nnext\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  EXPECT_EQ(Merging().Formats[1].Left, 1);
  EXPECT_EQ(Merging().Formats[1].Right, 80);
  EXPECT_EQ(Merging().Formats[1].Indent, 5);
  EXPECT_EQ(Merging().Formats[1].Alignment, 'D');
  const auto records = Records();
  // Both lines keep format 1: positioned at column 1, justified right, 80 columns wide.
  EXPECT_EQ(Count(records, " 1 ,, 0 "), 2);
  EXPECT_EQ(Count(records, "JUSD"), 2);
  const auto lines = PrintedLines(records);
  ASSERT_EQ(lines.size(), 3u);  // header line, then the two text lines
  for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 80u) << i;
  EXPECT_EQ(lines[1], std::string(69, ' ') + "Hello world");
  EXPECT_EQ(lines[2], std::string(76, ' ') + "next");
}

TEST_F(TemplateMergeTest, NegativeIndentMovesTheLeftMargin) {
  AddTemplate("CARTA",
              "\x7f"
              "1060-04E\r\n\x02"
              "abc\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(Count(records, " 6 ,, 0 "), 1);  // left 10 less the hanging indent of 4
  EXPECT_EQ(PrintedLines(records).back(), "abc" + std::string(52, ' '));
}

TEST_F(TemplateMergeTest, TenthFormatDefinitionIsIgnored) {
  std::string text;
  for (int i = 1; i <= 10; ++i) {
    text += "\x7f" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "90000E\r\n";
  }
  AddTemplate("CARTA", text);
  ASSERT_TRUE(Merge("CARTA", ""));
  for (int i = 1; i <= 9; ++i) EXPECT_EQ(Merging().Formats[i].Left, i) << i;
  EXPECT_EQ(Merging().Formats[0].Left, 1);
  EXPECT_EQ(Merging().Formats[0].Right, 95);
}

TEST_F(TemplateMergeTest, SkipLines) {
  struct Case {
    int page_length;
    const char* line;
    int line_ends;  // from line 0 of a fresh page
  };
  const std::vector<Case> cases = {
      {66, "@.70", 9},  // wraps round 60 lines: line 10
      {66, "#.5", 4},
      {66, "   @.60", 59},
      {66, "@.61", 0},
      {66, "@.0", -1},
      {66, "@.-3", -4},
      {20, "@.16", 1},
      {6, "@.20", 19},  // no body to wrap round
      // Shorter pages count round a negative divisor: 3 % -3 = 0, 4 % -3 = 1, 1 % -6 = 1.
      {3, "@.4", 0},
      {3, "@.5", 1},
      {0, "@.2", 1},
      {5, "@.3", 0},
  };
  for (const Case& c : cases) {
    ResetPrinting();
    ResetMerging();
    ASSERT_TRUE(OpenPrintFile(""));
    BeginPage(66);
    AddTemplate("SKIP", "\x7fP" + std::to_string(c.page_length) + "\r\n" + c.line + "\r\n");
    ASSERT_TRUE(Merge("SKIP", ""));
    const auto records = Records();
    ASSERT_EQ(records.size(), 2u) << c.line;
    EXPECT_EQ(records[1], " 0 ,," + PrintNumber(c.line_ends)) << c.page_length << c.line;
    EXPECT_EQ(Printing().CurrentLine, c.line_ends) << c.page_length << c.line;
  }
}

TEST_F(TemplateMergeTest, SkipLineAfterText) {
  AddTemplate("CARTA", "A\r\n@.70\r\nB\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  // Header ends on line 2, A on line 3; the skip moves to line 10 (index 9), where B stands.
  EXPECT_EQ(Count(records, " 0 ,, 6 "), 1);
  EXPECT_EQ(Printing().CurrentLine, 10);
}

TEST_F(TemplateMergeTest, MultiLineReceiptListSelectsFormatZero) {
  const std::string items = std::string(10, ' ') + "1/1/2024      10,00   ";
  AddMergeData(Entry("RELPEN", "\x01" + items + "\r\n" + items + "\r\n" + items));
  AddTemplate("CARTA",
              "\x7f"
              "0160000E\r\n\x02Intro\r\n#RELPEN\r\nFi\r\n");
  ASSERT_TRUE(Merge("CARTA"));
  const auto records = Records();
  // Intro in format 1 at column 1; the list and what follows in format 0, the leading blanks
  // moved into the margin.
  EXPECT_EQ(Count(records, " 1 ,, 0 "), 2);  // the header's line and Intro
  EXPECT_EQ(Count(records, " 11 ,, 0 "), 3);
  EXPECT_EQ(VisibleLines(records),
            (std::vector<std::string>{"Intro", "1/1/2024      10,00", "1/1/2024      10,00",
                                      "1/1/2024      10,00", "Fi"}));
}

TEST_F(TemplateMergeTest, StyleBytesBecomePrinterCommands) {
  AddTemplate("CARTA",
              "a\x10"
              "b\x10 \x11"
              "c\x11\x12"
              "d\x12\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  auto records = Records();
  ASSERT_GT(records.size(), 6u);
  records.erase(records.begin(), records.begin() + 6);  // page start and positioning
  const std::vector<std::string> expected = {
      "JUSE",      " 0 ,a, 0 ", "*b",        "JUSE",     " 0 ,b, 0 ",
      "*b",        "JUSE",      " 0 , , 0 ", "*u",       "JUSE",
      " 0 ,c, 0 ", "*u",        "JUSE",      " 0 ,, 0 ", "*i",
      "JUSE",      " 0 ,d, 0 ", "*i",        "JUSE",     " 0 ," + std::string(90, ' ') + ", 1 ",
  };
  EXPECT_EQ(records, expected);
  // Style bytes take no room: the printed line is still 95 columns.
  EXPECT_EQ(PrintedLines(records).back().size(), 95u);
}

TEST_F(TemplateMergeTest, JustificationRecordsByAlignment) {
  struct Case {
    const char* definition;
    const char* text;
    std::vector<std::string> justifications;
  };
  const std::string long_text =
      "uno dos tres cuatro cinco seis siete ocho nueve diez once doce trece catorce";
  const std::vector<Case> cases = {
      {"0140000N", "Total", {"JUSN 41 \\-\\"}},
      {"0140000A", "Total", {"JUSE"}},
      {"0140000A", long_text.c_str(), {"JUSA", "JUSE"}},
      {"0140000C", "Total", {"JUSC"}},
      {"0140000R", "Total", {"JUSE"}},
      {"0140000B", long_text.c_str(), {"JUSE", "JUSE"}},
      {"0140000I", "Total", {"JUSE"}},
  };
  for (const Case& c : cases) {
    ResetPrinting();
    ResetMerging();
    ASSERT_TRUE(OpenPrintFile(""));
    AddTemplate("J", "\x7f" + std::string(c.definition) + "\r\n\x02" + c.text + "\r\n");
    ASSERT_TRUE(Merge("J", ""));
    std::vector<std::string> justifications;
    for (const std::string& r : Records()) {
      if (r.rfind("JUS", 0) == 0) justifications.push_back(r);
    }
    EXPECT_EQ(justifications, c.justifications) << c.definition;
  }
}

TEST_F(TemplateMergeTest, FillAlignmentTrimsTheSegment) {
  AddTemplate("CARTA",
              "\x7f"
              "0140000N\r\n\x02Total\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(records.back(), " 0 ,Total, 1 ");
}

TEST_F(TemplateMergeTest, FullPagesBeginNewPages) {
  std::string text = "\x7fP20\r\n";
  for (int i = 1; i <= 15; ++i) text += "line " + std::to_string(i) + "\r\n";
  AddTemplate("CARTA", text);
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(Count(records, "PAGE 20 "), 2);
  EXPECT_EQ(Count(records, "*@"), 1);
  EXPECT_EQ(Count(records, "*e"), 2);
  EXPECT_EQ(VisibleLines(records).size(), 15u);
}

TEST_F(TemplateMergeTest, LongLinesWrapAndPagesBreakBetweenTheirLines) {
  AddTemplate("CARTA",
              "\x7fP10\r\n\x7f"
              "0110000E\r\n\x02"
              "aaaa bbbb cccc dddd eeee\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(VisibleLines(records), (std::vector<std::string>{"aaaa bbbb", "cccc dddd", "eeee"}));
  // Line 2 is above 10 - 8 after the header: every further line begins a page.
  EXPECT_EQ(Count(records, "PAGE 10 "), 3);
}

TEST_F(TemplateMergeTest, CrossedMarginsStillEndTheLine) {
  AddTemplate("CARTA",
              "\x7f"
              "5010000E\r\n\x02"
              "abc\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  EXPECT_EQ(VisibleLines(Records()), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(TemplateMergeTest, IncludedTemplatesContinueThePage) {
  AddTemplate("CARTA", "Dalt\r\n@+PEU\r\nBaix\r\n");
  AddTemplate("PEU", "Peu\r\n");
  ASSERT_TRUE(Merge("carta", ""));
  const auto records = Records();
  EXPECT_EQ(VisibleLines(records), (std::vector<std::string>{"Dalt", "Peu", "Baix"}));
  EXPECT_EQ(Count(records, "*@"), 1);
  EXPECT_EQ(Merging().PageCount, 0);
}

TEST_F(TemplateMergeTest, HashIncludeEndsTheDocument) {
  AddTemplate("CARTA", "Dalt\r\n#+PEU\r\nBaix\r\n");
  AddTemplate("PEU", "Peu\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(Count(records, "*@"), 2);
  EXPECT_EQ(Count(records, "PAGE 66 "), 2);
}

TEST_F(TemplateMergeTest, IncludedFormatsOverwriteTheSharedTable) {
  AddTemplate("CARTA",
              "\x7f"
              "0150000E\r\n@+PEU\r\n\x02x\r\n");
  AddTemplate("PEU",
              "\x7f"
              "0130000E\r\n");
  ASSERT_TRUE(Merge("CARTA", ""));
  EXPECT_EQ(Merging().Formats[1].Right, 30);
  EXPECT_EQ(PrintedLines(Records()).back().size(), 30u);
}

TEST_F(TemplateMergeTest, TemplateProblemsAreReportedAndNothingIsPrinted) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> templates;
    const char* merge_path;
    const char* message_part;
  };
  const std::vector<Case> cases = {
      {"missing template", {}, "", "C:\\VAK\\TEXTOS\\CARTA.txt"},
      {"missing include", {{"CARTA", "Hola\r\n@+PEU\r\n"}}, "", "C:\\VAK\\TEXTOS\\PEU.txt"},
      {"includes itself", {{"CARTA", "Hola\r\n@+CARTA\r\n"}}, "", "CARTA.txt"},
      {"includes itself in another case", {{"CARTA", "Hola\r\n#+carta\r\n"}}, "", "carta.txt"},
      {"circle through another",
       {{"CARTA", "Hola\r\n@+PEU\r\n"}, {"PEU", "x\r\n@+CARTA\r\n"}},
       "",
       "CARTA.txt"},
      {"missing merge data",
       {{"CARTA", "Hola\r\n"}},
       "C:\\VAK\\TMP\\none.tmp",
       "C:\\VAK\\TMP\\none.tmp"},
  };
  for (const Case& c : cases) {
    ResetPrinting();
    problems_.clear();
    ASSERT_TRUE(OpenPrintFile(""));
    for (const auto& [name, bytes] : c.templates) AddTemplate(name, bytes);
    EXPECT_FALSE(Merge("CARTA", c.merge_path)) << c.name;
    EXPECT_TRUE(Records().empty()) << c.name;
    ASSERT_EQ(problems_.size(), 1u) << c.name;
    EXPECT_NE(problems_[0].find(c.message_part), std::string::npos) << c.name << problems_[0];
    EXPECT_EQ(Merging().PageCount, 0) << c.name;
    EXPECT_EQ(Merging().Depth, 0) << c.name;
    for (const auto& [name, bytes] : c.templates)
      services_.files.Remove("/VAK/TEXTOS/" + name + ".txt");
  }
}

TEST_F(TemplateMergeTest, NestingDepthIsLimited) {
  for (int levels : {kMaxTemplateDepth, kMaxTemplateDepth + 1}) {
    ResetPrinting();
    problems_.clear();
    ASSERT_TRUE(OpenPrintFile(""));
    for (int i = 1; i <= levels; ++i) {
      std::string text = "L" + std::to_string(i) + "\r\n";
      if (i < levels) text += "@+T" + std::to_string(i + 1) + "\r\n";
      AddTemplate("T" + std::to_string(i), text);
    }
    const bool within = levels <= kMaxTemplateDepth;
    EXPECT_EQ(Merge("T1", ""), within) << levels;
    EXPECT_EQ(VisibleLines(Records()).size(), within ? static_cast<size_t>(levels) : 0u);
    EXPECT_EQ(problems_.size(), within ? 0u : 1u) << levels;
  }
}

TEST_F(TemplateMergeTest, SharedIncludeDepthCountsFromEveryPlace) {
  // PEU is fine at level 2 but is also reached at level 16, where its own include is too deep.
  std::string chain;
  for (int i = 1; i < kMaxTemplateDepth; ++i) {
    AddTemplate("C" + std::to_string(i), "@+C" + std::to_string(i + 1) + "\r\n");
  }
  AddTemplate("C" + std::to_string(kMaxTemplateDepth), "@+PEU\r\n");
  AddTemplate("PEU", "@+FI\r\n");
  AddTemplate("FI", "fi\r\n");
  AddTemplate("CARTA", "@+PEU\r\n@+C2\r\n");
  EXPECT_FALSE(Merge("CARTA", ""));
  EXPECT_EQ(problems_.size(), 1u);
  EXPECT_TRUE(Records().empty());
}

TEST_F(TemplateMergeTest, RepeatedProblemIsShownOncePerPrintFile) {
  AddTemplate("BO", "ok\r\n");
  struct Step {
    const char* template_name;
    bool reopen_print_file;
    size_t problems_after;
  };
  const std::vector<Step> steps = {
      {"NOHI", false, 1},  {"NOHI", false, 1},  // same problem, same run: not shown again
      {"ALTRA", false, 2},                      // a different problem is shown
      {"NOHI", false, 3},  {"BO", false, 3},   {"NOHI", false, 4},  // shown again after a letter
      {"NOHI", true, 5},                                            // and in the next run
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].reopen_print_file) {
      ASSERT_TRUE(OpenPrintFile(""));
    }
    EXPECT_EQ(Merge(steps[i].template_name, ""), std::string(steps[i].template_name) == "BO");
    EXPECT_EQ(problems_.size(), steps[i].problems_after) << "step " << i;
  }
}

TEST_F(TemplateMergeTest, TableStartsEmptyAndPrintsAsTheStandardFormat) {
  EXPECT_EQ(Merging().Formats[5].Left, 0);
  EXPECT_EQ(Merging().Formats[5].Right, 0);
  AddTemplate("CARTA", "\x06  Hola\r\n");  // selects entry 5, never defined
  ASSERT_TRUE(Merge("CARTA", ""));
  const auto records = Records();
  EXPECT_EQ(Count(records, " 3 ,, 0 "), 1);  // leading blanks moved into the margin
  EXPECT_EQ(PrintedLines(records).back().size(), 93u);
}

// The operator presses a key once the pending input has been discarded.
class KeyAfterFlushConsole : public platform::MemoryConsole {
 public:
  void DiscardInput() override {
    platform::MemoryConsole::DiscardInput();
    Push(platform::InputEvent::Key('x'));
  }
};

TEST_F(TemplateMergeTest, DefaultReportShowsAMessageAndWaitsForAKey) {
  SetMergeProblemReporter({});
  KeyAfterFlushConsole console;
  platform::Console* saved = platform::Current().console;
  platform::Current().console = &console;
  const std::string before = console.RowText(12);
  EXPECT_FALSE(Merge("NOHI", ""));
  platform::Current().console = saved;
  EXPECT_EQ(console.Pending(), 0u);  // the key was read
  EXPECT_GE(console.beeps(), 1);
  EXPECT_EQ(console.RowText(12), before);  // the message window is closed again
  EXPECT_TRUE(Records().empty());
}

}  // namespace
}  // namespace zem
