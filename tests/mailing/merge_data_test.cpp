#include "mailing/merge_data.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "mailing/amount_in_words.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/merge_fixture.h"

namespace zem {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

// Reads a merge data file back into its entries; a malformed file fails the test.
Entries ParseEntries(const std::string& bytes) {
  Entries entries;
  size_t pos = 0;
  while (pos < bytes.size()) {
    EXPECT_EQ(bytes[pos], '\x7f') << "name line expected at " << pos;
    size_t name_end = bytes.find("\r\n", pos);
    size_t value_end = bytes.find('\xff', name_end);
    if (name_end == std::string::npos || value_end == std::string::npos) {
      ADD_FAILURE() << "entry without its end at " << pos;
      break;
    }
    entries.emplace_back(bytes.substr(pos + 1, name_end - pos - 1),
                         bytes.substr(name_end + 2, value_end - name_end - 2));
    EXPECT_EQ(bytes.substr(value_end + 1, 2), "\r\n");
    pos = value_end + 3;
  }
  return entries;
}

std::string Find(const Entries& entries, const std::string& name) {
  for (const auto& [n, v] : entries) {
    if (n == name) return v;
  }
  ADD_FAILURE() << "no entry " << name;
  return {};
}

// Everything one letter's file holds, as plain values.
struct MergeLetter {
  std::array<std::string, 8> Letterhead;
  std::string LetterDate;              // packed date
  std::array<std::string, 5> Address;  // DES0 to DES4
  struct Receipt {
    std::string Date;   // packed date
    double Amount = 0;  // hundredths
  };
  std::vector<Receipt> Receipts;
};

// Writes the whole file for one letter through the writer, in the driver's order (NUMREB and
// TOTPEN counted from the receipts); false when it could not be written.
bool WriteMergeData(const std::string& path, const MergeLetter& letter) {
  MergeDataWriter writer(path);
  writer.WriteHeading(letter.Letterhead, LetterDateValues(letter.LetterDate), letter.Address);
  double total = 0;
  for (const MergeLetter::Receipt& receipt : letter.Receipts) total += receipt.Amount;
  writer.BeginReceipts(static_cast<int>(letter.Receipts.size()), total);
  for (const MergeLetter::Receipt& receipt : letter.Receipts) {
    writer.AddReceipt(receipt.Date, receipt.Amount);
  }
  writer.EndReceipts();
  return writer.Close();
}

std::string Date(const char* digits) {
  return PackDigits(digits);
}

class MergeDataTest : public testing::MergeTest {
 protected:
  Entries Written() { return ParseEntries(services_.files.Contents("/VAK/TMP/merge.tmp")); }

  MergeLetter SampleLetter(int receipts) {
    MergeLetter letter;
    for (int i = 0; i < 8; ++i) letter.Letterhead[i] = "  head " + std::to_string(i + 1) + "  ";
    letter.LetterDate = Date("20240405");
    letter.Address = {"V007012", "Joan Puig", "C. Major 3 1r 2a      ", "08001", "Barcelona"};
    for (int i = 0; i < receipts; ++i) {
      letter.Receipts.push_back({Date(i % 2 ? "20240105" : "20231130"), 1000.0 * (i + 1) + 5});
    }
    return letter;
  }
};

TEST_F(MergeDataTest, AllEntriesInOrder) {
  const MergeLetter letter = SampleLetter(2);
  ASSERT_TRUE(WriteMergeData(MergeDataPath(), letter));
  const Entries entries = Written();
  const std::vector<std::string> names = {
      "MEM1", "MEM2", "MEM3", "MEM4", "MEM5", "MEM6", "MEM7", "MEM8", "FEC0",   "FEC1",   "FECHA",
      "FEC3", "FEC4", "DES0", "DES1", "DES2", "DES3", "DES4", "DES5", "NUMREB", "TOTPEN", "RELPEN"};
  ASSERT_EQ(entries.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(entries[i].first, names[i]) << i;
  for (int i = 0; i < 8; ++i) EXPECT_EQ(entries[i].second, letter.Letterhead[i]);  // untrimmed
  for (int i = 0; i < 5; ++i) EXPECT_EQ(entries[13 + i].second, letter.Address[i]);
  EXPECT_EQ(Find(entries, "DES5"), "");
  EXPECT_EQ(Find(entries, "NUMREB"), "   2");
  EXPECT_EQ(Find(entries, "TOTPEN"), FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 3010));
}

TEST_F(MergeDataTest, CatalanDateFields) {
  const std::array<std::string, 5> dates = LetterDateValues(Date("20240405"));
  const std::string five = AmountInWords(5, "m");
  const std::string year = AmountInWords(2024, "m");
  ASSERT_FALSE(five.empty());
  ASSERT_FALSE(year.empty());
  EXPECT_EQ(dates[0], "5/4/2024  ");
  EXPECT_EQ(dates[1], "5/abr/2024 ");
  EXPECT_EQ(dates[2], "5 d'abril del 2024");
  EXPECT_EQ(dates[3], five + " d'abril del 2024");
  EXPECT_EQ(dates[4], five + " d'abril del " + year);
}

TEST_F(MergeDataTest, DateFieldsAreLowerCase) {
  struct Case {
    const char* language;
    const char* date;
  };
  const std::vector<Case> cases = {
      {"   ", "20240105"}, {"SPA", "20241231"}, {"GLG", "19991001"}, {"OCI", "20240405"}};
  for (const Case& c : cases) {
    Session().Language = c.language;
    for (const std::string& value : LetterDateValues(Date(c.date))) {
      for (char ch : value) EXPECT_FALSE(ch >= 'A' && ch <= 'Z') << c.language << ": " << value;
    }
  }
}

TEST_F(MergeDataTest, ZeroDateGivesBlankDates) {
  const std::array<std::string, 5> dates = LetterDateValues(ZeroDate());
  EXPECT_EQ(dates[0], std::string(10, ' '));
  EXPECT_EQ(dates[2], "");
  EXPECT_EQ(dates[3], " ");
  EXPECT_EQ(dates[4], "  ");
}

TEST_F(MergeDataTest, ReceiptListLayout) {
  auto item = [](const char* date, double amount) {
    std::string shown = date;
    shown.resize(11, ' ');
    return shown + FormatAmount("Z,ZZZ,ZZZ,ZZ9-", amount) + "   ";
  };
  const std::string indent(10, ' ');
  const std::string a = item("30/11/2023", 1005), b = item("5/1/2024", 2005),
                    c = item("30/11/2023", 3005), d = item("5/1/2024", 4005),
                    e = item("30/11/2023", 5005), f = item("5/1/2024", 6005);
  struct Case {
    int receipts;
    std::string value;
  };
  const std::vector<Case> cases = {
      {0, "\x01"},
      {1, "\x01" + indent + a},
      {3, "\x01" + indent + a + b + c + "\r\n"},
      {4, "\x01" + indent + a + b + c + "\r\n" + indent + d},
      {5, "\x01" + indent + a + b + c + "\r\n" + indent + d + e},
      {6, "\x01" + indent + a + b + c + "\r\n" + indent + d + e + f + "\r\n"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteMergeData(MergeDataPath(), SampleLetter(c.receipts)));
    const std::string bytes = services_.files.Contents("/VAK/TMP/merge.tmp");
    const std::string tail = "\x7fRELPEN\r\n" + c.value + "\xff\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail) << c.receipts << " receipts";
    EXPECT_EQ(Find(Written(), "NUMREB"), FormatMask("ZZZ9", c.receipts));
  }
}

// A receipt's item: the date (cut to its field of 10) trimmed of blanks in a column of 11,
// blank for a zero date, then the amount and three blanks; a row of three begins indented.
TEST_F(MergeDataTest, ReceiptItemsTrimTheirDates) {
  const std::string amount = FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 1005) + "   ";
  struct Case {
    const char* order;
    const char* joiner;
    std::string date;
    int index;
    std::string item;
  } cases[] = {
      {"DMA", "/", Date("20240105"), 1, "5/1/2024   " + amount},
      {"DMA", "/", Date("20240105"), 0, std::string(10, ' ') + "5/1/2024   " + amount},
      {"DMA", "/", Date("20241231"), 2, "31/12/2024 " + amount + "\r\n"},
      {"DMA", "/", ZeroDate(), 1, std::string(11, ' ') + amount},
      {"DMA", "--", Date("20241231"), 1, "31--12--20 " + amount},  // cut to its field
      {"ADX", " ", Date("20240105"), 1, "2024 5     " + amount},
  };
  for (const Case& c : cases) {
    DateDisplay().DatOrdre = c.order;
    DateDisplay().DatCaracter = c.joiner;
    EXPECT_EQ(ReceiptListItem(c.index, c.date, 1005), c.item) << c.order << " " << c.index;
  }
}

TEST_F(MergeDataTest, WriterInTheDriversOrder) {
  MergeDataWriter writer(MergeDataPath());
  ASSERT_TRUE(writer.ok());
  std::array<std::string, 8> head{};
  writer.WriteHeading(head, LetterDateValues(Date("20240405")), {"V1", "2", "3", "4", "5"});
  writer.BeginReceipts(2, 300);
  writer.AddReceipt(Date("20240101"), 100);
  writer.AddReceipt(Date("20240201"), 200);
  writer.EndReceipts();
  EXPECT_TRUE(writer.Close());
  ASSERT_TRUE(WriteMergeData("C:\\VAK\\TMP\\other.tmp",
                             MergeLetter{head,
                                         Date("20240405"),
                                         {"V1", "2", "3", "4", "5"},
                                         {{Date("20240101"), 100}, {Date("20240201"), 200}}}));
  EXPECT_EQ(services_.files.Contents("/VAK/TMP/merge.tmp"),
            services_.files.Contents("/VAK/TMP/other.tmp"));
}

// Letters one after another with the letterhead or the date changing between them: each file
// holds its own letter's heading, also when an earlier heading comes back.
TEST_F(MergeDataTest, EachLetterHoldsItsOwnHeading) {
  const std::array<std::string, 8> first{"Finques Puig", "C. Major, 1"};
  const std::array<std::string, 8> second{"Administraci\xa2 Serra", "Pl. Nova, 2"};
  const struct {
    const std::array<std::string, 8>* head;
    const char* date;
  } letters[] = {
      {&first, "20240405"}, {&second, "20240405"}, {&second, "20250101"}, {&first, "20240405"}};
  for (const auto& letter : letters) {
    MergeDataWriter writer(MergeDataPath());
    writer.WriteHeading(*letter.head, LetterDateValues(Date(letter.date)), {"A", "", "", "", ""});
    writer.BeginReceipts(0, 0);
    writer.EndReceipts();
    ASSERT_TRUE(writer.Close());
    const Entries entries = Written();
    EXPECT_EQ(Find(entries, "MEM1"), (*letter.head)[0]) << letter.date;
    EXPECT_EQ(Find(entries, "MEM2"), (*letter.head)[1]) << letter.date;
    EXPECT_EQ(Find(entries, "FEC0"), LetterDateValues(Date(letter.date))[0]);
    EXPECT_EQ(Find(entries, "DES0"), "A");
  }
}

TEST_F(MergeDataTest, FileThatCannotBeCreated) {
  MergeDataWriter writer("C:\\NOWHERE\\merge.tmp");
  EXPECT_FALSE(writer.ok());
  writer.WriteEntry("X", "y");
  EXPECT_FALSE(writer.Close());
  EXPECT_FALSE(WriteMergeData("C:\\NOWHERE\\merge.tmp", SampleLetter(1)));
}

TEST_F(MergeDataTest, UnitReferenceFromTheUnitCode) {
  std::string unit(200, ' ');
  unit.replace(0, 4, PackDigits("00070012"));
  const std::string property(200, ' ');
  MergeLetter letter = SampleLetter(0);
  BuildAddressLines(property, unit, letter.Address);
  ASSERT_TRUE(WriteMergeData(MergeDataPath(), letter));
  EXPECT_EQ(Find(Written(), "DES0"), "V007012");
}

TEST_F(MergeDataTest, LetterFromTheFileThroughTheTemplate) {
  ASSERT_TRUE(WriteMergeData(MergeDataPath(), SampleLetter(4)));
  services_.files.AddFile("/VAK/TEXTOS/AVIS.txt",
                          "@MEM1\r\nBarcelona, @FECHA\r\n@DES1\r\nRebuts: @NUMREB, @fec2\r\n"
                          "#RELPEN\r\nTotal: @TOTPEN\r\n");
  ASSERT_TRUE(OpenPrintFile(""));
  ASSERT_TRUE(MergeTemplate("AVIS", MergeDataPath(), true));
  ASSERT_TRUE(ClosePrintFile());
  const std::string printed = services_.files.Contents("/VAK/TMP/vakprint.tmp");
  for (const std::string& expected :
       {std::string(",head 1 "), std::string(",Barcelona, 5 d'abril del 2024 "),
        std::string(",Joan Puig "), std::string(",Rebuts: 4, @fec2 "), std::string(",30/11/2023 "),
        std::string(",5/1/2024 "),
        "Total: " + FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 10020)
                        .substr(FormatAmount("Z,ZZZ,ZZZ,ZZ9-", 10020).find_first_not_of(' '))}) {
    EXPECT_NE(printed.find(expected), std::string::npos) << expected;
  }
}

}  // namespace
}  // namespace zem
