// The spooler's print-file reader, page model and plain-text rendering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/vakprint/spool/page_model.h"
#include "tools/vakprint/spool/print_reader.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem::vakprint {
namespace {

// Joins records into a print file: a device record first, every record ended by CR LF.
std::string PrintFile(const std::vector<std::string>& records) {
  std::string bytes = "DEVICE\r\n";
  for (const std::string& r : records) bytes += r + "\r\n";
  return bytes;
}

struct RenderCase {
  const char* name;
  std::vector<std::string> records;
  std::string expected;
  int pages;
};

class RenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderTest, RendersPages) {
  const RenderCase& c = GetParam();
  PrintRendering out = RenderPrintFile(PrintFile(c.records));
  ASSERT_TRUE(out.ok) << out.error << " at line " << out.error_line;
  EXPECT_EQ(out.text, c.expected);
  EXPECT_EQ(out.pages, c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RenderTest,
    testing::Values(
        RenderCase{"NothingSelected", {}, "", 0},
        RenderCase{"TextAtColumn", {"PAGE 66 ", " 5 ,Hello, 1 "}, "    Hello\n", 1},
        RenderCase{"ColumnZeroContinues",
                   {"PAGE 66 ", " 12 ,ABC, 0 ", " 0 ,DE, 1 "},
                   "           ABCDE\n",
                   1},
        RenderCase{"TopMarginKeptTrailingLinesDropped",
                   {"PAGE 66 ", " 0 ,, 2 ", " 1 ,x, 5 "},
                   "\n\nx\n",
                   1},
        RenderCase{"FormFeedBetweenPages",
                   {"PAGE 66 ", " 1 ,one, 1 ", "PAGE 66 ", " 1 ,two, 1 "},
                   "one\n\ftwo\n",
                   2},
        RenderCase{"EmptyPageStillCounts", {"PAGE 66 ", "PAGE 66 ", " 1 ,b, 1 "}, "\fb\n", 2},
        RenderCase{"LaterPagesStartClean",
                   {"PAGE 9 ", " 1 ,first, 2 ", " 3 ,x, 1 ", "PAGE 9 ", " 1 ,y, 1 "},
                   "first\n\n  x\n\fy\n",
                   2},
        RenderCase{"RightJustified", {"PAGE 9 ", "JUSD", " 1 ,ab   , 1 "}, "   ab\n", 1},
        RenderCase{"CentredOddBlankAfter", {"PAGE 9 ", "JUSC", " 1 ,ab   , 1 "}, " ab\n", 1},
        RenderCase{"BothMarginsSpreadsTrailingBlanks",
                   {"PAGE 9 ", "JUSA", " 1 ,aa bb cc  , 1 "},
                   "aa  bb  cc\n",
                   1},
        RenderCase{"BothMarginsKeepsIndent",
                   {"PAGE 9 ", "JUSA", " 1 ,  aa bb cc , 1 "},
                   "  aa  bb cc\n",
                   1},
        RenderCase{"BothMarginsSingleWordUnchanged",
                   {"PAGE 9 ", "JUSA", " 1 ,word  , 0 ", " 0 ,x, 1 "},
                   "word  x\n",
                   1},
        RenderCase{
            "FillToColumn", {"PAGE 9 ", "JUSN 11 \\-\\", " 1 ,abc   , 1 "}, "abc-------\n", 1},
        RenderCase{
            "FillTextRepeatsAndIsCut", {"PAGE 9 ", "JUSN 8 \\.:\\", " 3 ,ab, 1 "}, "  ab.:.\n", 1},
        // A control byte in the fill text (a form feed here) fills with a blank.
        RenderCase{"FillControlBytesAreBlanks",
                   {"PAGE 9 ", "JUSN 10 \\.\f\x01\\", " 1 ,ab, 1 "},
                   "ab.  .  .\n",
                   1},
        RenderCase{"FillColumnAlreadyPassed",
                   {"PAGE 9 ", "JUSN 3 \\-\\", " 1 ,abcdef, 1 "},
                   "abcdef\n",
                   1},
        RenderCase{"JustificationAppliesToOneRecord",
                   {"PAGE 9 ", "JUSD", " 1 ,a  , 1 ", " 1 ,b  , 1 "},
                   "  a\nb\n",
                   1},
        RenderCase{"PiecesOfALineKeepTheirBlanks",
                   {"PAGE 9 ", "JUSC", " 1 ,ab , 0 ", "*u", "JUSC", " 0 ,cd  , 1 "},
                   "ab cd\n",
                   1},
        RenderCase{"WholeLineAfterPositioningIsJustified",
                   {"PAGE 9 ", " 3 ,, 0 ", "JUSD", " 0 ,ab  , 1 "},
                   "    ab\n",
                   1},
        RenderCase{"CommasInText", {"PAGE 9 ", " 1 ,a, b,c, 1 "}, "a, b,c\n", 1},
        RenderCase{"AccentsBecomeUtf8",
                   {"PAGE 9 ",
                    " 1 ,Pla\x87"
                    "a Maj\xa2r, 1 "},
                   "Pla\xc3\xa7"
                   "a Maj\xc3\xb3r\n",
                   1},
        RenderCase{"NegativeLineEndsStay", {"PAGE 9 ", " 1 ,a, -3 ", " 0 ,b, 1 "}, "ab\n", 1},
        RenderCase{"LaterTextOverwrites", {"PAGE 9 ", " 1 ,aaaa, 0 ", " 2 ,b, 1 "}, "abaa\n", 1},
        RenderCase{"CommandsLeaveNoTrace",
                   {"PAGE 9 ", "*@e", "*b", " 1 ,bold, 0 ", "*b", " 0 , text, 1 "},
                   "bold text\n",
                   1},
        RenderCase{"TextBeforeAnyPageOpensOne", {" 2 ,x, 1 "}, " x\n", 1},
        // Records the program writes for odd templates: a negative page length still begins a
        // page, a column left of the edge starts at the edge.
        RenderCase{"NegativePageLengthBeginsAPage",
                   {"PAGE 9 ", " 1 ,a, 1 ", "PAGE-3 ", " 1 ,b, 1 "},
                   "a\n\fb\n",
                   2},
        RenderCase{"NegativeColumnStartsAtTheEdge",
                   {"PAGE 9 ", "-3 ,header, 2 ", " 2 ,x, 1 "},
                   "header\n\n x\n",
                   1},
        // Whatever the program writes is read: a top margin of 10001 lines (the next text
        // begins a page), counts and columns beyond the paper, whose text is left out.
        RenderCase{"TopMarginOf10001Lines",
                   {"PAGE 66 ", "*@", "*e", " 0 ,, 10001 ", "PAGE 66 ", " 72 ,Title, 2 "},
                   "\f" + std::string(71, ' ') + "Title\n",
                   2},
        RenderCase{"HugeLineEndsSkipToTheNextPage",
                   {"PAGE 9 ", " 1 ,a, 99999999 ", "PAGE 9 ", " 1 ,b, 1 "},
                   "a\n\fb\n",
                   2},
        RenderCase{
            "TextPastTheLastLineLeftOut", {"PAGE 9 ", " 1 ,a, 40000 ", " 1 ,b, 1 "}, "a\n", 1},
        RenderCase{"TextPastTheLastColumnCut",
                   {"PAGE 9 ", " 4095 ,abcd, 1 "},
                   std::string(4094, ' ') + "ab\n",
                   1},
        RenderCase{"ColumnOf10001LeftOut", {" 10001 ,x, 1 ", " 1 ,y, 1 "}, "\ny\n", 1},
        RenderCase{"FillStopsAtTheLastColumn",
                   {"PAGE 9 ", "JUSN 2147483647 \\=\\", " 1 ,a, 1 "},
                   "a" + std::string(4095, '=') + "\n",
                   1}),
    [](const testing::TestParamInfo<RenderCase>& info) { return info.param.name; });

struct FaultCase {
  const char* name;
  std::string bytes;
  int line;
  const char* message_part;
};

class RenderFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(RenderFaultTest, NamesTheLineAtFault) {
  const FaultCase& c = GetParam();
  PrintRendering out = RenderPrintFile(c.bytes);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error_line, c.line);
  EXPECT_NE(out.error.find(c.message_part), std::string::npos) << out.error;
  EXPECT_TRUE(out.text.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, RenderFaultTest,
    testing::Values(
        FaultCase{"EmptyFile", "", 0, "empty"},
        FaultCase{"NoDeviceRecord", "PAGE 66 \r\n", 1, "device"},
        FaultCase{"SecondDevice", "DEVICE\r\nDEVICELPT1\r\n", 2, "device"},
        FaultCase{"PageWithoutNumber", "DEVICE\r\nPAGE x\r\n", 2, "page length"},
        FaultCase{"PlainWords", "DEVICE\r\nPAGE 9 \r\nhello\r\n", 3, "unrecognised"},
        FaultCase{"OneComma", "DEVICE\r\n 1 ,a\r\n", 2, "unrecognised"},
        FaultCase{"UnknownJustification", "DEVICE\r\nJUSQ\r\n", 2, "justification"},
        FaultCase{"FillWithoutClosingBackslash", "DEVICE\r\nJUSN 96 \\-\r\n", 2, "justification"},
        FaultCase{"ColumnNotANumber", "DEVICE\r\n x ,a, 1 \r\n", 2, "column"},
        FaultCase{"LineEndsNotANumber", "DEVICE\r\n 1 ,a, 1x \r\n", 2, "line-end"},
        FaultCase{"NumberBeyond32Bits", "DEVICE\r\n 1 ,a, 2147483648 \r\n", 2, "line-end"},
        FaultCase{"CutInsideTheLastRecord", "DEVICE\r\nPAGE 9 \r\n 1 ,a", 3, "incomplete"},
        FaultCase{"CutBetweenCrAndLf", "DEVICE\r\nPAGE 9 \r", 2, "incomplete"},
        FaultCase{"CrAlone", "DEVICE\rPAGE 9 \r\n", 1, "CR alone"},
        FaultCase{"ControlByteInText", "DEVICE\r\n 1 ,a\tb, 1 \r\n", 2, "control byte"},
        // Bytes 127 and 255 are refused wherever the text holds them, past its first block too.
        FaultCase{"DeleteByteFarIntoText",
                  "DEVICE\r\n 1 ," + std::string(20, 'a') + "\x7f" + ", 1 \r\n", 2, "control byte"},
        FaultCase{"Byte255AtTheTextsEnd",
                  "DEVICE\r\n 1 ," + std::string(16, 'a') + "\xff" + ", 1 \r\n", 2, "control byte"},
        // A record that begins with a keyword's letter and is no keyword is read as text.
        FaultCase{"KeywordLetterWithoutKeyword", "DEVICE\r\nPAGX ,a, 1 \r\n", 2, "column"},
        FaultCase{"StarAloneIsACommand", "DEVICE\r\n*\r\nJUS\r\n", 3, "justification"},
        FaultCase{"UnixLineEnds", "DEVICE\nPAGE 9 \n", 1, "LF"}),
    [](const testing::TestParamInfo<FaultCase>& info) { return info.param.name; });

struct NumberCase {
  const char* field;
  bool ok;
  long value;
};

TEST(ParsePrintNumberTest, ReadsTheProgramsNumbers) {
  const NumberCase cases[] = {
      {" 66 ", true, 66},
      {"-3 ", true, -3},
      {" 0 ", true, 0},
      {"5", true, 5},
      {"", false, 0},
      {" - ", false, 0},
      {" 1 2 ", false, 0},
      {"+4 ", false, 0},
      {"1234567890", true, 1234567890},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483648L},
      {"2147483648", false, 0},
      {"12345678901", false, 0},
  };
  for (const NumberCase& c : cases) {
    long value = -999;
    EXPECT_EQ(ParsePrintNumber(c.field, &value), c.ok) << "'" << c.field << "'";
    if (c.ok) {
      EXPECT_EQ(value, c.value) << "'" << c.field << "'";
    }
  }
}

// Keeps every page handed over, for looking at rows and styles.
struct PageCollector : PageSink {
  bool AddPage(const Page& page) override {
    pages.push_back(page);
    return true;
  }
  std::vector<Page> pages;
};

TEST(PageModelTest, StyleSwitchesMarkTheirCharacters) {
  PageCollector pages;
  ReadSummary summary =
      ReadPages(PrintFile({"PAGE 9 ", "*b", " 1 ,ab, 0 ", "*u", " 0 ,cd, 0 ", "*b", "*i",
                           " 0 ,ef, 1 ", "*@", " 1 ,gh, 0 ", "*bu", "*e", " 0 ,ij, 1 "}),
                &pages);
  ASSERT_TRUE(summary.ok) << summary.error;
  ASSERT_EQ(pages.pages.size(), 1u);
  ASSERT_EQ(pages.pages[0].rows.size(), 2u);
  const Row& first = pages.pages[0].rows[0];
  EXPECT_EQ(first.bytes, "abcdef");
  EXPECT_EQ(first.styles, std::string({kBold, kBold, kBold | kUnderline, kBold | kUnderline,
                                       kUnderline | kItalic, kUnderline | kItalic}));
  EXPECT_EQ(pages.pages[0].rows[1].styles, std::string(4, 0));  // "@" and "e" reset
}

// Pages of long skips keep only the lines that hold text, one page at a time.
TEST(PageModelTest, LongSkipsTakeNoMemory) {
  std::vector<std::string> records;
  for (int page = 0; page < 50; ++page) {
    records.push_back("PAGE 66 ");
    for (int i = 0; i < 200; ++i) records.push_back(" 1 ,x, 10000 ");
  }
  struct Sizes : PageSink {
    bool AddPage(const Page& page) override {
      most_rows = std::max(most_rows, page.rows.size());
      last_line = page.rows.back().line;
      ++pages;
      return true;
    }
    size_t most_rows = 0;
    long last_line = 0;
    int pages = 0;
  } sizes;
  ReadSummary summary = ReadPages(PrintFile(records), &sizes);
  ASSERT_TRUE(summary.ok) << summary.error;
  EXPECT_EQ(sizes.pages, 50);
  EXPECT_EQ(sizes.most_rows, 4u);  // lines 0, 10000, 20000, 30000; the rest lies past the last
  EXPECT_EQ(sizes.last_line, 30000);
  EXPECT_EQ(summary.dropped, 50 * 196);
}

// A sink that cannot write stops the reading and says so.
TEST(PageModelTest, SinkFailureStopsTheReading) {
  struct Refusing : PageSink {
    bool AddPage(const Page&) override { return ++pages < 2; }
    int pages = 0;
  } refusing;
  ReadSummary summary =
      ReadPages(PrintFile({"PAGE 9 ", " 1 ,a, 1 ", "PAGE 9 ", "PAGE 9 ", "PAGE 9 "}), &refusing);
  EXPECT_FALSE(summary.ok);
  EXPECT_TRUE(summary.output_failed);
  EXPECT_EQ(refusing.pages, 2);
}

}  // namespace
}  // namespace zem::vakprint
