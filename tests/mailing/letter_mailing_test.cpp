// The mailing run over an in-memory portfolio: unit and code ranges, the state selector, the
// count and total limits, the address lines, the merge data file of a letter, the spooler
// after every run and the parameter screen loop.
#include "mailing/letter_mailing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "format/text_utils.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "storage/record_ops.h"
#include "support/fake_services.h"
#include "support/memory_records.h"

namespace zem {
namespace {

using testing::PropertyRecord;
using testing::ReceiptRecord;
using testing::UnitRecord;

// Answers every message that waits for a key (after discarding pending keys) with Enter.
class AnsweringConsole : public platform::MemoryConsole {
 public:
  void DiscardInput() override {
    MemoryConsole::DiscardInput();
    PushKeys("\r");
    ++answered;
  }
  int answered = 0;
};

// Property 1 (own addresses not used), property 2 (flag "P"), property 3 (no receipts).
// Amounts in hundredths; states P and D outstanding, C collected.
class MailingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    platform::Current().console = &console_;
    Session().RootDir = "/root/";
    Session().ExeDir = "/root/EXE/";
    Session().WorkDir = "/work/";
    Session().OutputDevice = "LPT1";
    services_.files.MakeDir("/work");
    services_.files.AddFile(
        "/root/Nera.ini", "[Administrador]\r\nMEM1=Administraci\xa2 Prova\r\nMEM3=  C. Nou, 1\r\n");
    SetCurrency("a,E");
    records_.AddFile("FinquesV.dat", 160, 2);
    records_.AddFile("DepartaV.dat", 200, 4);
    records_.AddFile("CobramV.dat", 40, 10);
    records_.AddFile("Textos.dat", 64, 8);
    services_.SetRecords(&records_);

    records_.Insert("FinquesV.dat",
                    PropertyRecord(1, "C. Gran*", "08001 BARCELONA", "(Barcelona)"));
    records_.Insert("FinquesV.dat",
                    PropertyRecord(2, "Pl. Major, 3", "17001 GIRONA", "(Girona)", "P"));
    records_.Insert("FinquesV.dat", PropertyRecord(3, "C. Buit, 9", "43001 TARRAGONA", "(T.)"));
    records_.Insert("DepartaV.dat", UnitRecord(1, 1, "Puig*Joan", "Baixos"));
    records_.Insert("DepartaV.dat", UnitRecord(1, 2, "Roca*Anna", "1r 1a"));
    records_.Insert("DepartaV.dat", UnitRecord(1, 3, "Camps*Pere", "1r 2a"));
    records_.Insert("DepartaV.dat", UnitRecord(2, 1, "Vila*Rosa", "Baixos", "C. Propi, 5",
                                               "25001 LLEIDA", "(Lleida)"));
    records_.Insert("DepartaV.dat",
                    UnitRecord(2, 2, "Sala*Marc", "2n", "C. Altre, 7", "", "ignored"));
    records_.Insert("DepartaV.dat", UnitRecord(3, 1, "Soler*Eva", "Baixos"));
    // 1.1: P 100.00, D 50.00, C 20.00, P 10.00 -> T: 3 receipts, 160.00
    records_.Insert("CobramV.dat", ReceiptRecord(1, 1, "20260105", 1, 10000, 'P'));
    records_.Insert("CobramV.dat", ReceiptRecord(1, 1, "20260205", 1, 5000, 'D'));
    records_.Insert("CobramV.dat", ReceiptRecord(1, 1, "20260305", 1, 2000, 'C'));
    records_.Insert("CobramV.dat", ReceiptRecord(1, 1, "20260405", 1, 1000, 'P'));
    // 1.2: C only
    records_.Insert("CobramV.dat", ReceiptRecord(1, 2, "20260110", 1, 3000, 'C'));
    // 1.3: D 250.00, D -250.00 (a credit): 2 receipts, total 0
    records_.Insert("CobramV.dat", ReceiptRecord(1, 3, "20260110", 1, 25000, 'D'));
    records_.Insert("CobramV.dat", ReceiptRecord(1, 3, "20260210", 1, -25000, 'D'));
    // 2.1: P 1,234.56
    records_.Insert("CobramV.dat", ReceiptRecord(2, 1, "20261201", 1, 123456, 'P'));
    // 2.2: five receipts P of 1.00 each
    for (int month = 1; month <= 5; ++month) {
      records_.Insert("CobramV.dat",
                      ReceiptRecord(2, 2, "20260" + std::to_string(month) + "15", 1, 100, 'P'));
    }
    for (auto [id, name, area] : {std::tuple{kTextsFileId, "DADES\\Textos", &texts_},
                                  std::tuple{kPropertiesFileId, "DADES\\FinquesV", &properties_},
                                  std::tuple{kUnitsFileId, "DADES\\DepartaV", &units_},
                                  std::tuple{kReceiptsFileId, "DADES\\CobramV", &receipts_}}) {
      ASSERT_EQ(OpenDataFile(id, Session().RootDir + name, area), 0) << name;
    }
    Mailing().FirstCode = PackCode("1.0");
    Mailing().LastCode = PackCode("999.999");
    Mailing().LetterDate = PackDigits("20261208");
  }
  void TearDown() override { ResetProgramState(); }

  // Runs with labels and returns the DES0 of every unit written, in order.
  std::vector<std::string> UnitsWritten() {
    Mailing().OutputKind = "E";
    Mailing().LabelWidth = 45;
    Mailing().LinesPerLabel = 1;
    EXPECT_TRUE(OpenPrintFile("LPT1"));
    ProduceMailingOutput();
    EXPECT_TRUE(ClosePrintFile());
    std::string bytes = services_.files.Contents("/work/vakprint.tmp");
    std::vector<std::string> units;
    for (size_t at = bytes.find(",V"); at != std::string::npos; at = bytes.find(",V", at + 1)) {
      units.push_back(bytes.substr(at + 1, 7));
    }
    return units;
  }

  platform::FakeServices services_;
  AnsweringConsole console_;
  testing::MemoryRecords records_;
  std::string texts_, properties_, units_, receipts_;
};

struct SelectionCase {
  const char* name;
  const char* first;
  const char* last;
  const char* selector;
  int16_t min_count, max_count;
  double min_total, max_total;
  std::vector<std::string> expected;
};

class SelectionTest : public MailingTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionTest, WritesTheUnitsWithinRangesAndLimits) {
  const SelectionCase& c = GetParam();
  Mailing().FirstCode = PackCode(c.first);
  Mailing().LastCode = PackCode(c.last);
  Mailing().StateSelector = c.selector;
  Mailing().MinCount = c.min_count;
  Mailing().MaxCount = c.max_count;
  Mailing().MinTotal = c.min_total;
  Mailing().MaxTotal = c.max_total;
  EXPECT_EQ(UnitsWritten(), c.expected);
  EXPECT_EQ(MailingRun().UnitsWritten, static_cast<int>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Walk, SelectionTest,
    ::testing::Values(
        // Defaults: at least one P or D receipt and a total of at least 0.01.
        SelectionCase{
            "Defaults", "1.0", "999.999", "T", 1, 99, 1, 2e9, {"V001001", "V002001", "V002002"}},
        SelectionCase{
            "CollectedOnly", "1.0", "999.999", "C", 1, 99, 1, 2e9, {"V001001", "V001002"}},
        SelectionCase{"ReturnedOnly", "1.0", "999.999", "D", 1, 99, 1, 2e9, {"V001001"}},
        SelectionCase{"ReturnedWithCreditsNeedsZeroTotal",
                      "1.0",
                      "999.999",
                      "D",
                      1,
                      99,
                      -1e9,
                      2e9,
                      {"V001001", "V001003"}},
        SelectionCase{"NoMinimumTakesUnitsWithoutReceipts",
                      "1.0",
                      "999.999",
                      "T",
                      0,
                      99,
                      0,
                      2e9,
                      {"V001001", "V001002", "V001003", "V002001", "V002002", "V003001"}},
        SelectionCase{
            "CountBetween2And3", "1.0", "999.999", "T", 2, 3, -1e9, 2e9, {"V001001", "V001003"}},
        SelectionCase{
            "TotalBetween100And200", "1.0", "999.999", "T", 1, 99, 10000, 20000, {"V001001"}},
        SelectionCase{"TotalBoundsInclusive",
                      "1.0",
                      "999.999",
                      "T",
                      1,
                      99,
                      500,
                      16000,
                      {"V001001", "V002002"}},
        SelectionCase{"UnitRangeAcrossProperties",
                      "1.2",
                      "2.1",
                      "T",
                      0,
                      99,
                      -1e9,
                      2e9,
                      {"V001002", "V001003", "V002001"}},
        SelectionCase{"SingleUnit", "2.2", "2.2", "T", 1, 99, 1, 2e9, {"V002002"}},
        SelectionCase{"PropertyRangeAboveAll", "4.0", "999.999", "T", 0, 99, -1e9, 2e9, {}},
        SelectionCase{"UnknownStateSelectsNothing", "1.0", "999.999", "X", 1, 99, -1e9, 2e9, {}}),
    [](const ::testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

struct ScanCase {
  int unit;
  const char* selector;
  int count;
  double total;
};

TEST_F(MailingTest, ScanCountsAndTotalsTheSelectedReceipts) {
  const ScanCase cases[] = {
      {1, "T", 3, 16000}, {1, "P", 2, 11000}, {1, "D", 1, 5000}, {1, "C", 1, 2000},
      {2, "T", 0, 0},     {2, "C", 1, 3000},  {3, "D", 2, 0},    {3, "T", 2, 0},
  };
  // Letters keep the selected receipts for their list; labels count and total them alone.
  for (const char* output : {"C", "E"}) {
    Mailing().OutputKind = output;
    const bool listed = Mailing().OutputKind == "C";
    for (const ScanCase& c : cases) {
      ASSERT_EQ(FindByKey(kUnitsFileId, 0, PackCode("1." + std::to_string(c.unit)), 0), 0);
      Mailing().StateSelector = c.selector;
      ScanReceipts();
      EXPECT_EQ(MailingRun().ReceiptCount, c.count) << output << c.unit << c.selector;
      EXPECT_EQ(MailingRun().Receipts.size(), listed ? static_cast<size_t>(c.count) : 0u)
          << output << c.unit << c.selector;
      EXPECT_EQ(MailingRun().ReceiptTotal, c.total) << output << c.unit << c.selector;
    }
  }
}

TEST(ReceiptSelectedTest, TSelectsPendingAndReturned) {
  struct Case {
    char state;
    const char* selector;
    bool selected;
  } cases[] = {{'P', "T", true},  {'D', "T", true},  {'C', "T", false}, {'T', "T", true},
               {'C', "C", true},  {'P', "C", false}, {'D', "D", true},  {'P', "D", false},
               {'P', "P ", true}, {'P', "", false},  {'P', "PD", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(ReceiptSelected(c.state, c.selector), c.selected) << c.state << c.selector;
    // A scan trims the selector once and asks with the trimmed text.
    EXPECT_EQ(StateSelected(c.state, TrimTrailingBlanks(c.selector)), c.selected)
        << c.state << c.selector;
  }
}

struct AddressCase {
  const char* name;
  std::string property;
  std::string unit;
  std::array<std::string, 5> expected;
};

class AddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(AddressTest, BuildsDes0ToDes4) {
  const AddressCase& c = GetParam();
  std::array<std::string, 5> lines;
  BuildAddressLines(c.property, c.unit, lines);
  EXPECT_EQ(lines, c.expected);
  // Lines reused from another unit's address end up holding this unit's alone.
  lines.fill(std::string(200, 'x'));
  BuildAddressLines(c.property, c.unit, lines);
  EXPECT_EQ(lines, c.expected);
}

const std::string kBlank30(30, ' ');
std::string Pad(const std::string& text, size_t width) {
  return text + std::string(width - text.size(), ' ');
}
std::string Pad30(const std::string& text) {
  return Pad(text, 30);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, AddressTest,
    ::testing::Values(
        AddressCase{"PropertyAddress",
                    PropertyRecord(12, "C. Gran, 4", "08001 BARCELONA", "(Barcelona)"),
                    UnitRecord(12, 3, "Puig*Joan", "1r 2a", "C. Propi, 5", "25001 LLEIDA"),
                    {"V012003", "Joan Puig", "C. Gran, 4 " + Pad("1r 2a", 10),
                     Pad30("08001 BARCELONA"), Pad30("(Barcelona)")}},
        AddressCase{
            "MailingFlagUsesOwnAddress",
            PropertyRecord(7, "C. Gran, 4", "08001 BARCELONA", "(Barcelona)", "P"),
            UnitRecord(7, 12, "Puig*Joan", "1r 2a", "C. Propi, 5", "25001 LLEIDA", "(Lleida)"),
            {"V007012", "Joan Puig", "C. Propi, 5", Pad30("25001 LLEIDA"), Pad30("(Lleida)")}},
        AddressCase{"MailingFlagWithBlankOwnLine2KeepsPropertyLines",
                    PropertyRecord(7, "C. Gran, 4", "08001 BARCELONA", "(Barcelona)", "P"),
                    UnitRecord(7, 1, "Sala*Marc", "2n", "C. Altre, 7", "", "(ignored)"),
                    {"V007001", "Marc Sala", "C. Altre, 7", Pad30("08001 BARCELONA"),
                     Pad30("(Barcelona)")}},
        AddressCase{"MailingFlagWithoutOwnStreetKeepsPropertyStreet",
                    PropertyRecord(2, "Av. Catedral, 12", "08002 BARCELONA", "(Barcelona)", "P"),
                    UnitRecord(2, 1, "Ruiz*Rosa", "Baixos"),
                    {"V002001", "Rosa Ruiz", "Av. Catedral, 12 " + Pad("Baixos", 10),
                     Pad30("08002 BARCELONA"), Pad30("(Barcelona)")}},
        AddressCase{"NameOrderOnStreetAndLongCodes",
                    PropertyRecord(1234, "Gran*Via", "", ""),
                    UnitRecord(1234, 5678, "Anna", ""),
                    {"V234678", "Anna", "Via Gran " + Pad("", 10), kBlank30, kBlank30}}),
    [](const ::testing::TestParamInfo<AddressCase>& info) { return info.param.name; });

// A letter: the merge data file holds every entry in order, the receipts three to a line.
TEST_F(MailingTest, LetterWritesTheMergeDataFileAndPrints) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES1 #NUMREB @TOTPEN\r\n#RELPEN\r\n");
  Mailing().TemplateName = "CARTA";
  Mailing().FirstCode = PackCode("2.2");
  Mailing().LastCode = PackCode("2.2");
  LoadLetterhead();
  ASSERT_TRUE(OpenPrintFile("LPT1"));
  ProduceMailingOutput();
  ASSERT_TRUE(ClosePrintFile());
  std::string merge = services_.files.Contents("/work/merge.tmp");
  const std::vector<std::string> names = {
      "MEM1", "MEM2", "MEM3", "MEM4", "MEM5", "MEM6", "MEM7", "MEM8", "FEC0",   "FEC1",   "FECHA",
      "FEC3", "FEC4", "DES0", "DES1", "DES2", "DES3", "DES4", "DES5", "NUMREB", "TOTPEN", "RELPEN"};
  size_t at = 0;
  for (const std::string& name : names) {
    size_t found = merge.find("\x7f" + name + "\r\n", at);
    ASSERT_NE(found, std::string::npos) << name;
    EXPECT_EQ(found, at) << name << " does not follow the entry before it";
    at = merge.find("\xff\r\n", found) + 3;
  }
  EXPECT_EQ(at, merge.size());
  EXPECT_NE(merge.find("\x7fMEM1\r\nAdministraci\xa2 Prova\xff\r\n"), std::string::npos);
  EXPECT_NE(merge.find("\x7fMEM2\r\n\xff\r\n"), std::string::npos);  // missing key: empty
  EXPECT_NE(merge.find("\x7fMEM3\r\n  C. Nou, 1\xff\r\n"), std::string::npos);  // as stored
  EXPECT_NE(merge.find("\x7f"
                       "DES0\r\nV002002\xff\r\n"),
            std::string::npos);
  EXPECT_NE(merge.find("\x7f"
                       "DES5\r\n\xff\r\n"),
            std::string::npos);
  EXPECT_NE(merge.find("\x7fNUMREB\r\n   5\xff\r\n"), std::string::npos);
  // Five receipts: byte 1, 10 blanks, three items, CR LF, 10 blanks, two items, byte 255.
  size_t list = merge.find("\x7fRELPEN\r\n") + 9;
  std::string value = merge.substr(list, merge.size() - list - 3);
  ASSERT_FALSE(value.empty());
  EXPECT_EQ(value[0], '\x01');
  size_t line_end = value.find("\r\n");
  ASSERT_NE(line_end, std::string::npos);
  std::string first_line = value.substr(1, line_end - 1);
  std::string second_line = value.substr(line_end + 2);
  const size_t item = 11 + 14 + 3;
  EXPECT_EQ(first_line.size(), 10 + 3 * item);
  EXPECT_EQ(second_line.size(), 10 + 2 * item);
  EXPECT_EQ(first_line.substr(0, 10), std::string(10, ' '));
  EXPECT_EQ(first_line.substr(10, 11), "15/1/2026  ");
  EXPECT_EQ(second_line.substr(10, 11), "15/4/2026  ");
  EXPECT_EQ(value.find("\r\n", line_end + 2), std::string::npos);
  // The letter reached the print file with the unit's name and count.
  std::string print = services_.files.Contents("/work/vakprint.tmp");
  EXPECT_NE(print.find("Marc Sala    5"), std::string::npos) << print;
}

// Each letter writes the file over the one before: after a letter with a shorter receipt list
// nothing of the longer one is left behind it, and the merge takes the values as written
// without reading the file back.
TEST_F(MailingTest, EachLetterLeavesExactlyItsOwnMergeDataFile) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0 @NUMREB\r\n");
  Mailing().TemplateName = "CARTA";
  Mailing().LastCode = PackCode("2.1");
  LoadLetterhead();
  ASSERT_TRUE(OpenPrintFile("LPT1"));
  ProduceMailingOutput();
  ASSERT_TRUE(ClosePrintFile());
  EXPECT_EQ(MailingRun().UnitsWritten, 2);
  const std::string merge = services_.files.Contents("/work/merge.tmp");
  const std::string list_start = "\x7fRELPEN\r\n\x01";
  const size_t list = merge.find(list_start);
  ASSERT_NE(list, std::string::npos);
  // 2.1's one receipt: 10 blanks and one item, then the end of the value and of the file.
  EXPECT_EQ(merge.size(), list + list_start.size() + 10 + (11 + 14 + 3) + 3);
  EXPECT_EQ(merge.substr(merge.size() - 3), "\xff\r\n");
  EXPECT_NE(merge.find("\x7f"
                       "DES0\r\nV002001\xff\r\n"),
            std::string::npos);
  EXPECT_EQ(services_.files.ReadCount("/work/merge.tmp"), 0);
  const std::string print = services_.files.Contents("/work/vakprint.tmp");
  EXPECT_NE(print.find("V001001 3"), std::string::npos) << print;
  EXPECT_NE(print.find("V002001 1"), std::string::npos) << print;
}

// The merge data file stays open through one run's letters only: the run closes it at its end
// and the next one writes it wherever the work directory then is. Where it cannot be made the
// run stops at the first letter with one report.
TEST_F(MailingTest, MergeDataFileIsKeptOpenForOneRunOnly) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0 @NUMREB\r\n");
  Mailing().TemplateName = "CARTA";
  Mailing().LastCode = PackCode("2.1");
  LoadLetterhead();
  services_.files.MakeDir("/other");
  const struct {
    const char* work_dir;
    int letters;
    int reports;
  } runs[] = {{"/work/", 2, 0}, {"/other/", 2, 0}, {"/missing/", 0, 1}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.work_dir);
    Session().WorkDir = "/work/";
    ASSERT_TRUE(OpenPrintFile("LPT1"));
    Session().WorkDir = run.work_dir;
    console_.answered = 0;
    ProduceMailingOutput();
    ASSERT_TRUE(ClosePrintFile());
    EXPECT_EQ(MailingRun().UnitsWritten, run.letters);
    EXPECT_EQ(console_.answered, run.reports);
    EXPECT_EQ(MailingRun().MergeFile, nullptr);
    if (run.letters > 0) {
      EXPECT_NE(services_.files.Contents(std::string(run.work_dir) + "merge.tmp").find("V002001"),
                std::string::npos);
    }
  }
  EXPECT_FALSE(services_.files.Exists("/missing/merge.tmp"));
}

// The template is read for a run's first letter and used for all of them; the next run (a new
// print file) reads it again and sees an edit made in between.
TEST_F(MailingTest, TemplatesAreReadOncePerRun) {
  Mailing().TemplateName = "CARTA";
  LoadLetterhead();
  for (const std::string text : {"first @DES0", "second @DES0"}) {
    services_.files.AddFile("/root/TEXTOS/CARTA.txt", text + "\r\n");
    ASSERT_TRUE(OpenPrintFile("LPT1"));
    ProduceMailingOutput();
    ASSERT_TRUE(ClosePrintFile());
    EXPECT_GT(MailingRun().UnitsWritten, 1);
    const std::string print = services_.files.Contents("/work/vakprint.tmp");
    EXPECT_NE(print.find(text.substr(0, text.find(' ')) + " V001001"), std::string::npos) << print;
  }
  EXPECT_EQ(services_.files.ReadCount("/root/TEXTOS/CARTA.txt"), 2);
}

TEST_F(MailingTest, NoSelectedReceiptsGiveByteOneAloneInTheList) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0\r\n");
  Mailing().TemplateName = "CARTA";
  Mailing().FirstCode = PackCode("3.1");
  Mailing().LastCode = PackCode("3.1");
  Mailing().MinCount = 0;
  Mailing().MinTotal = 0;
  ASSERT_TRUE(OpenPrintFile("LPT1"));
  ProduceMailingOutput();
  ASSERT_TRUE(ClosePrintFile());
  std::string merge = services_.files.Contents("/work/merge.tmp");
  EXPECT_NE(merge.find("\x7fNUMREB\r\n   0\xff\r\n"), std::string::npos);
  EXPECT_TRUE(merge.ends_with("\x7fRELPEN\r\n\x01\xff\r\n"));
}

TEST_F(MailingTest, AmountsUseThePrintingCurrencyDuringTheRunOnly) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@TOTPEN\r\n");
  SetCurrency("x,P");  // pesetas as the alternative currency
  Mailing().TemplateName = "CARTA";
  Mailing().FirstCode = PackCode("2.1");
  Mailing().LastCode = PackCode("2.1");
  SetCurrency("p");
  const std::string in_pesetas = FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 123456);
  SetCurrency("");
  const std::string in_euros = FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 123456);
  ASSERT_NE(in_pesetas, in_euros);
  RunOneMailing();
  std::string merge = services_.files.Contents("/work/merge.tmp");
  EXPECT_NE(merge.find("\x7fTOTPEN\r\n" + in_pesetas + "\xff"), std::string::npos) << merge;
  EXPECT_EQ(merge.find(in_euros), std::string::npos);
  EXPECT_EQ(Currency().Active, Currency().Main);
}

TEST_F(MailingTest, SpoolerRunsAfterEveryRunEvenWithNothingSelected) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0\r\n");
  Mailing().TemplateName = "CARTA";
  Mailing().FirstCode = PackCode("9.0");
  Mailing().LastCode = PackCode("9.9");
  EXPECT_TRUE(RunOneMailing());
  ASSERT_EQ(services_.processes.calls.size(), 1u);
  EXPECT_EQ(services_.processes.calls[0].program, services_.files.HostPath("/root/EXE/VAKPRINT"));
  EXPECT_TRUE(services_.processes.calls[0].args.empty());
  EXPECT_EQ(services_.files.Contents("/work/vakprint.tmp"), "DEVICELPT1\r\n");
  EXPECT_EQ(Printing().File, nullptr);  // closed before the spooler ran
}

TEST_F(MailingTest, UnwritablePrintFileIsReportedAndNotSpooled) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0\r\n");
  Mailing().TemplateName = "CARTA";
  Session().WorkDir = "/missing/";  // no such directory: the print file cannot be created
  EXPECT_FALSE(RunOneMailing());
  EXPECT_TRUE(services_.processes.calls.empty());
  EXPECT_EQ(console_.answered, 1);  // the operator saw the message
  EXPECT_EQ(Currency().Active, Currency().Main);
}

TEST_F(MailingTest, MissingTemplateStopsTheRunAfterOneReport) {
  int reports = 0;
  SetMergeProblemReporter([&](const std::string&) { ++reports; });
  Mailing().TemplateName = "NOEXISTE";
  EXPECT_TRUE(RunOneMailing());
  SetMergeProblemReporter(nullptr);
  EXPECT_EQ(reports, 1);  // three units qualify, one report
  EXPECT_EQ(MailingRun().UnitsWritten, 0);
  EXPECT_EQ(services_.processes.calls.size(), 1u);
}

TEST_F(MailingTest, LetterheadIsReadOnceWithMissingKeysEmpty) {
  LoadLetterhead();
  const std::array<std::string, 8> expected = {
      "Administraci\xa2 Prova", "", "  C. Nou, 1", "", "", "", "", ""};
  EXPECT_EQ(Letterhead().Lines, expected);
  services_.files.AddFile("/root/Nera.ini", "[Administrador]\r\nMEM1=Changed\r\n");
  LoadLetterhead();  // already loaded: the file is not read again
  EXPECT_EQ(Letterhead().Lines, expected);
  ResetLetterhead();
  LoadLetterhead();
  EXPECT_EQ(Letterhead().Lines[0], "Changed");
}

// The parameter screen loop: each accepted screen is one run with its spooler; refused label
// parameters send the operator back to the screen without a run; Esc leaves.
TEST_F(MailingTest, LoopRunsUntilEscAndRefusesUnusableLabels) {
  services_.files.AddFile("/root/TEXTOS/CARTA.txt", "@DES0\r\n");
  struct Step {
    const char* output_kind;
    int16_t width;
    int16_t lines;
  };
  const std::vector<Step> steps = {{"C", 45, 9}, {"E", 0, 9}, {"E", 45, 101}, {"E", 45, 3}};
  size_t shown = 0;
  SetParameterScreen([&](MailingParameters& parameters) {
    if (shown == steps.size()) return false;  // Esc
    parameters.TemplateName = "CARTA";
    parameters.OutputKind = steps[shown].output_kind;
    parameters.LabelWidth = steps[shown].width;
    parameters.LinesPerLabel = steps[shown].lines;
    ++shown;
    return true;
  });
  RunLetterMailing();
  EXPECT_EQ(shown, steps.size());
  EXPECT_EQ(console_.answered, 2);                  // one message for each refused screen
  EXPECT_EQ(services_.processes.calls.size(), 2u);  // the two usable runs only
  EXPECT_TRUE(Letterhead().Loaded);
}

TEST_F(MailingTest, WithoutAParameterScreenTheLoopLeavesAtOnce) {
  RunLetterMailing();
  EXPECT_TRUE(services_.processes.calls.empty());
  EXPECT_FALSE(services_.files.Exists("/work/vakprint.tmp"));
}

}  // namespace
}  // namespace zem
