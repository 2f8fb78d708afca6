// Tests of the data tool's logic. The tool's sources (all but its main) are compiled in here.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/services.h"
#include "support/fake_services.h"
#include "support/memory_records.h"
#include "support/stat_block.h"
#include "tools/vakdata/cli.cpp"
#include "tools/vakdata/commands.cpp"
#include "tools/vakdata/csv.cpp"
#include "tools/vakdata/data_file.cpp"
#include "tools/vakdata/key_description.cpp"
#include "tools/vakdata/layout.cpp"
#include "tools/vakdata/text_lines.cpp"

namespace zem::vakdata {
namespace {

using zem::testing::Answer;
using zem::testing::BuildStat;
using zem::testing::ScriptedRecords;

// ---- Layouts ----

TEST(LayoutTest, ReadsFieldsWithTheirSizes) {
  Layout layout;
  std::string error;
  ASSERT_TRUE(
      ParseLayout("# receipts\nrecord 40\nfield property 0 digits 4\n"
                  "field date 4 date   # packed\nfield seq 8 digits 3\n"
                  "field amount 13 amount\nfield state 17 text 1\n",
                  &layout, &error))
      << error;
  EXPECT_EQ(layout.RecordLength, 40);
  ASSERT_EQ(layout.Fields.size(), 5u);
  struct Expected {
    const char* name;
    int offset;
    FieldType type;
    int bytes;
  } expected[] = {{"property", 0, FieldType::kDigits, 2},
                  {"date", 4, FieldType::kDate, 4},
                  {"seq", 8, FieldType::kDigits, 2},
                  {"amount", 13, FieldType::kAmount, 4},
                  {"state", 17, FieldType::kText, 1}};
  for (size_t i = 0; i < layout.Fields.size(); ++i) {
    EXPECT_EQ(layout.Fields[i].Name, expected[i].name);
    EXPECT_EQ(layout.Fields[i].Offset, expected[i].offset);
    EXPECT_EQ(layout.Fields[i].Type, expected[i].type);
    EXPECT_EQ(layout.Fields[i].Bytes, expected[i].bytes);
  }
}

struct BadLayoutCase {
  const char* name;
  const char* text;
  const char* message_part;
};

class BadLayoutTest : public ::testing::TestWithParam<BadLayoutCase> {};

TEST_P(BadLayoutTest, IsRefusedWithAReason) {
  Layout layout;
  std::string error;
  EXPECT_FALSE(ParseLayout(GetParam().text, &layout, &error));
  EXPECT_NE(error.find(GetParam().message_part), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadLayoutTest,
    ::testing::Values(BadLayoutCase{"NoRecord", "field a 0 text 3\n", "record"},
                      BadLayoutCase{"NoField", "record 10\n", "no field"},
                      BadLayoutCase{"PastTheRecord", "record 10\nfield a 8 amount\n", "past"},
                      BadLayoutCase{"UnknownType", "record 10\nfield a 0 float 2\n", "line 2"},
                      BadLayoutCase{"RepeatedName",
                                    "record 9\nfield a 0 text 1\nfield a 1 text 1\n", "line 3"},
                      BadLayoutCase{"NegativeOffset", "record 9\nfield a -1 text 1\n", "offset"},
                      BadLayoutCase{"ZeroSize", "record 9\nfield a 0 text 0\n", "size"},
                      BadLayoutCase{"TrailingWords", "record 9\nfield a 0 date x\n", "unexpected"},
                      BadLayoutCase{"HugeRecord", "record 2000\n", "1536"},
                      BadLayoutCase{"UnknownStatement", "recs 9\n", "unknown"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Field conversion ----

struct FieldCase {
  const char* name;
  FieldType type;
  int size;
  std::string csv;
  std::string bytes;     // what the field holds
  std::string exported;  // what export writes back
};

class FieldTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldTest, ConvertsBothWays) {
  const FieldCase& c = GetParam();
  Field field;
  field.Name = "f";
  field.Offset = 2;
  field.Type = c.type;
  field.Size = c.size;
  field.Bytes = c.type == FieldType::kDigits ? (c.size + 1) / 2
                : c.type == FieldType::kText ? c.size
                                             : 4;
  std::string record(field.Offset + field.Bytes + 2, '#');
  std::string error;
  ASSERT_TRUE(EncodeField(field, c.csv, &record, &error)) << error;
  EXPECT_EQ(record.substr(0, 2), "##");
  EXPECT_EQ(record.substr(2, field.Bytes), c.bytes);
  EXPECT_EQ(record.substr(2 + field.Bytes), "##");
  EXPECT_EQ(DecodeField(field, record), c.exported);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldTest,
    ::testing::Values(
        FieldCase{"TextPadded", FieldType::kText, 7,
                  "Gr\xc3\xa0"
                  "cia",
                  "Gr\x85"
                  "cia ",
                  "Gr\xc3\xa0"
                  "cia"},
        FieldCase{"TextEmpty", FieldType::kText, 3, "", "   ", ""},
        FieldCase{"TextLeadingBlankKept", FieldType::kText, 3, " P", " P ", " P"},
        FieldCase{"DigitsRightAligned", FieldType::kDigits, 4, "12", "\x80\x8c", "12"},
        FieldCase{"DigitsZero", FieldType::kDigits, 4, "0", "\x80\x80", "0"},
        FieldCase{"DigitsOdd", FieldType::kDigits, 3, "123", "\x8c\x9e", "123"},
        FieldCase{"Date", FieldType::kDate, 8, "2024-01-05", "\x94\x98\x81\x85", "2024-01-05"},
        FieldCase{"LeapDay", FieldType::kDate, 8, "2024-02-29", "\x94\x98\x82\x9d", "2024-02-29"},
        FieldCase{"NoDate", FieldType::kDate, 8, "", "\x80\x80\x80\x80", ""},
        FieldCase{"Amount", FieldType::kAmount, 0, "123.45", std::string("\x39\x30\0\0", 4),
                  "123.45"},
        FieldCase{"AmountOneDecimal", FieldType::kAmount, 0, "0.5", std::string("\x32\0\0\0", 4),
                  "0.50"},
        FieldCase{"AmountWhole", FieldType::kAmount, 0, "7", std::string("\xbc\x02\0\0", 4),
                  "7.00"},
        FieldCase{"CreditNote", FieldType::kAmount, 0, "-10.00", "\x18\xfc\xff\xff", "-10.00"},
        FieldCase{"SmallCredit", FieldType::kAmount, 0, "-0.05", "\xfb\xff\xff\xff", "-0.05"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadValueCase {
  const char* name;
  FieldType type;
  int size;
  std::string csv;
};

class BadValueTest : public ::testing::TestWithParam<BadValueCase> {};

TEST_P(BadValueTest, IsRefusedAndLeavesTheRecord) {
  Field field;
  field.Type = GetParam().type;
  field.Size = GetParam().size;
  field.Bytes = field.Type == FieldType::kText ? field.Size : 4;
  std::string record(8, '#');
  std::string error;
  EXPECT_FALSE(EncodeField(field, GetParam().csv, &record, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(record, std::string(8, '#'));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadValueTest,
    ::testing::Values(BadValueCase{"TextTooLong", FieldType::kText, 3, "ABCD"},
                      BadValueCase{"AccentCountsOnce", FieldType::kText, 3,
                                   "\xc3\xa0\xc3\xa0\xc3\xa0x"},
                      BadValueCase{"NotInCodePage", FieldType::kText, 5, "\xe2\x82\xac"},
                      BadValueCase{"DigitsTooMany", FieldType::kDigits, 4, "12345"},
                      BadValueCase{"DigitsNotNumber", FieldType::kDigits, 4, "1a"},
                      BadValueCase{"DigitsNegative", FieldType::kDigits, 4, "-1"},
                      BadValueCase{"DateDayMissing", FieldType::kDate, 8, "2024-02-30"},
                      BadValueCase{"DateNotLeap", FieldType::kDate, 8, "2023-02-29"},
                      BadValueCase{"DateOtherOrder", FieldType::kDate, 8, "05/01/2024"},
                      BadValueCase{"DateShort", FieldType::kDate, 8, "2024-1-5"},
                      BadValueCase{"AmountThreeDecimals", FieldType::kAmount, 0, "1.234"},
                      BadValueCase{"AmountComma", FieldType::kAmount, 0, "1,50"},
                      BadValueCase{"AmountBareDot", FieldType::kAmount, 0, "3."},
                      BadValueCase{"AmountTooBig", FieldType::kAmount, 0, "21474837.00"},
                      BadValueCase{"AmountEmpty", FieldType::kAmount, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- CSV ----

struct CsvCase {
  const char* name;
  std::string text;
  std::vector<std::vector<std::string>> values;
  std::vector<int> lines;
};

class CsvTest : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvTest, SplitsRowsAndValues) {
  std::vector<CsvRow> rows;
  std::string error;
  ASSERT_TRUE(ParseCsv(GetParam().text, &rows, &error)) << error;
  ASSERT_EQ(rows.size(), GetParam().values.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].Values, GetParam().values[r]);
    EXPECT_EQ(rows[r].Line, GetParam().lines[r]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvTest,
    ::testing::Values(CsvCase{"Plain", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
                      CsvCase{"NoFinalLineEnd", "a,b\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}},
                      CsvCase{"CrLf", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
                      CsvCase{"QuotedComma", "\"C. Major, 4\",x\n", {{"C. Major, 4", "x"}}, {1}},
                      CsvCase{
                          "DoubledQuote", "\"say \"\"hi\"\"\",\"\"\n", {{"say \"hi\"", ""}}, {1}},
                      CsvCase{"LineEndInQuotes",
                              "\"two\nlines\",x\nnext,y\n",
                              {{"two\nlines", "x"}, {"next", "y"}},
                              {1, 3}},
                      CsvCase{"BlankLinesSkipped", "a\n\n\nb\n", {{"a"}, {"b"}}, {1, 4}},
                      CsvCase{"EmptyValues", ",,\n", {{"", "", ""}}, {1}},
                      CsvCase{"BlankValue", "1, \n", {{"1", " "}}, {1}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CsvErrorTest, NamesTheLine) {
  std::vector<CsvRow> rows;
  std::string error;
  EXPECT_FALSE(ParseCsv("a\nb\n\"open,\n", &rows, &error));
  EXPECT_NE(error.find("line 3"), std::string::npos) << error;
  EXPECT_FALSE(ParseCsv("a\n\"x\"y,z\n", &rows, &error));
  EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(CsvWriteTest, QuotesOnlyWhatNeedsIt) {
  std::vector<std::vector<std::string>> rows = {
      {"plain", "with, comma", "say \"x\"", " P", "two\nlines", ""}};
  std::string text = CsvLine(rows[0]);
  EXPECT_EQ(text, "plain,\"with, comma\",\"say \"\"x\"\"\",\" P\",\"two\nlines\",\n");
  std::vector<CsvRow> parsed;
  std::string error;
  ASSERT_TRUE(ParseCsv(text, &parsed, &error));
  EXPECT_EQ(parsed.at(0).Values, rows[0]);
}

// ---- Key descriptions ----

TEST(KeyDescriptionTest, BuildsTheCreationBlock) {
  std::string block, error;
  ASSERT_TRUE(
      BuildCreationBlock("record 64\npage 2048\nkey 0: 1-8 alt\n"
                         "key 1: 49-56, 1-2 binary dup mod  # group then code\n"
                         "collating upper\n",
                         &block, &error))
      << error;
  FileStat stat = ParseStat(block);
  EXPECT_EQ(stat.RecordLength, 64);
  EXPECT_EQ(stat.PageSize, 2048);
  ASSERT_EQ(stat.Keys.size(), 2u);
  EXPECT_EQ(stat.Keys[0][0].Position, 1);
  EXPECT_EQ(stat.Keys[0][0].Length, 8);
  EXPECT_EQ(stat.Keys[0][0].Flags, kSegmentAlternate);
  ASSERT_EQ(stat.Keys[1].size(), 2u);
  EXPECT_EQ(stat.Keys[1][0].Position, 49);
  EXPECT_EQ(stat.Keys[1][0].Flags, kSegmentContinues | kSegmentDuplicates | kSegmentModifiable);
  EXPECT_EQ(stat.Keys[1][1].Length, 2);
  EXPECT_EQ(stat.Keys[1][1].Flags, kSegmentBinary | kSegmentDuplicates | kSegmentModifiable);
  ASSERT_EQ(stat.CollatingTable.size(), 256u);
  EXPECT_EQ(stat.CollatingTable['a'], 'A');
  EXPECT_EQ(stat.CollatingTable['1'], '1');
  EXPECT_EQ(block.size(), 16u + 3 * 16 + 265);
  std::string dictionary = DictionaryBytes(block);
  EXPECT_EQ(static_cast<uint8_t>(dictionary[0]) | static_cast<uint8_t>(dictionary[1]) << 8,
            static_cast<int>(block.size()));
}

struct BadKeysCase {
  const char* name;
  const char* text;
  const char* message_part;
};

class BadKeysTest : public ::testing::TestWithParam<BadKeysCase> {};

TEST_P(BadKeysTest, IsRefused) {
  std::string block, error;
  EXPECT_FALSE(BuildCreationBlock(GetParam().text, &block, &error));
  EXPECT_NE(error.find(GetParam().message_part), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadKeysTest,
    ::testing::Values(BadKeysCase{"NoRecord", "key 0: 1-2\n", "record"},
                      BadKeysCase{"NoKey", "record 10\n", "no key"},
                      BadKeysCase{"KeyOutOfOrder", "record 10\nkey 1: 1-2\n", "line 2"},
                      BadKeysCase{"PastTheRecord", "record 10\nkey 0: 9-11\n", "past"},
                      BadKeysCase{"BackwardRange", "record 10\nkey 0: 5-4\n", "bad segment"},
                      BadKeysCase{"DupNotLast", "record 10\nkey 0: 1-2 dup, 3-4\n", "unknown"},
                      BadKeysCase{"AltWithoutTable", "record 10\nkey 0: 1-2 alt\n", "collating"},
                      BadKeysCase{"OtherTable", "record 10\ncollating lower\n", "line 2"},
                      BadKeysCase{"OddPage", "record 10\npage 1000\n", "page"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Import over a scripted record manager ----

class ImportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.SetRecords(&records_);
    records_.stat = BuildStat(12, {{{1, 2, 0}}});
    services_.files.AddFile("/d/units.layout",
                            "record 12\nfield code 0 digits 4\nfield name 2 text 10\n");
  }
  int Import(const std::string& csv) {
    services_.files.AddFile("/d/units.csv", csv);
    return ImportCommand("/d/units.dat", "/d/units.layout", "/d/units.csv", out_, err_);
  }
  std::vector<uint16_t> Operations() const {
    std::vector<uint16_t> ops;
    for (const auto& call : records_.calls) ops.push_back(call.Operation);
    return ops;
  }
  platform::FakeServices services_;
  ScriptedRecords records_;
  std::ostringstream out_, err_;
};

TEST_F(ImportTest, InsertsEveryRow) {
  records_.default_status = 0;
  EXPECT_EQ(Import("code,name\n1,Puig\n2,\"Font, J.\"\n"), kExitOk);
  std::vector<zem::testing::RecordedCall> inserts;
  for (const auto& call : records_.calls) {
    if (call.Operation == 2) inserts.push_back(call);
  }
  ASSERT_EQ(inserts.size(), 2u);
  EXPECT_EQ(inserts[0].Data.substr(0, 12), "\x80\x81Puig      ");
  EXPECT_EQ(inserts[0].DataLength, 12u);
  EXPECT_EQ(inserts[1].Data.substr(0, 12),
            "\x80\x82"
            "Font, J.  ");
}

TEST_F(ImportTest, BadRowsTouchNothing) {
  EXPECT_EQ(Import("code,name\n1,Puig\nx,Font\n3,Massa llarg nom\n"), kExitDataError);
  EXPECT_TRUE(records_.calls.empty());
  EXPECT_NE(err_.str().find("line 3, field code"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("line 4, field name"), std::string::npos) << err_.str();
}

TEST_F(ImportTest, WrongHeaderOrWidthIsRefused) {
  EXPECT_EQ(Import("name,code\n1,Puig\n"), kExitDataError);
  EXPECT_EQ(Import("code,name\n1,Puig,extra\n"), kExitDataError);
  EXPECT_TRUE(records_.calls.empty());
}

TEST_F(ImportTest, RefusedInsertTakesBackWhatWasInserted) {
  records_.answers = {
      {0, "", 0, ""},                            // Open
      {0, "", 0, ""},                            // Insert row 1
      {0, std::string("\x11\0\0\0", 4), 4, ""},  // its position
      {0, "", 0, ""},                            // Insert row 2
      {0, std::string("\x22\0\0\0", 4), 4, ""},  // its position
      {5, "", 0, ""},                            // Insert row 3: duplicate
  };
  EXPECT_EQ(Import("code,name\n1,A\n2,B\n1,C\n"), kExitDataError);
  std::vector<uint16_t> expected = {0, 15, 2, 22, 2, 22, 2, 23, 4, 23, 4, 1};
  EXPECT_EQ(Operations(), expected);
  // The second record is removed first, then the first.
  std::vector<std::string> direct;
  for (const auto& call : records_.calls) {
    if (call.Operation == 23) direct.push_back(call.Data.substr(0, 4));
  }
  EXPECT_EQ(direct,
            (std::vector<std::string>{std::string("\x22\0\0\0", 4), std::string("\x11\0\0\0", 4)}));
  EXPECT_NE(err_.str().find("line 4"), std::string::npos);
  EXPECT_NE(err_.str().find("duplicate"), std::string::npos);
}

TEST_F(ImportTest, RecordLengthMustMatchTheLayout) {
  records_.stat = BuildStat(20, {{{1, 2, 0}}});
  EXPECT_EQ(Import("code,name\n1,A\n"), kExitDataError);
  for (const auto& call : records_.calls) EXPECT_NE(call.Operation, 2);
}

// ---- Command line ----

struct CliCase {
  const char* name;
  std::vector<std::string> args;
  int code;
};

class CliTest : public ::testing::TestWithParam<CliCase> {};

TEST_P(CliTest, ExitCodes) {
  platform::FakeServices services;
  ScriptedRecords records;
  services.SetRecords(&records);
  std::ostringstream out, err;
  EXPECT_EQ(RunVakdata(GetParam().args, out, err), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliTest,
    ::testing::Values(
        CliCase{"Nothing", {}, kExitUsage}, CliCase{"Help", {"--help"}, kExitOk},
        CliCase{"UnknownCommand", {"frob"}, kExitUsage},
        CliCase{"MissingArgument", {"import", "a.dat", "a.layout"}, kExitUsage},
        CliCase{"CommandHelp", {"import", "--help"}, kExitOk},
        CliCase{"StatHelp", {"stat", "-h"}, kExitOk},
        CliCase{"DictFromMissingFile", {"dict", "/none.keys", "/o.xdf"}, kExitDataError},
        CliCase{"CreateFromMissingDictionary", {"create", "/a.dat", "/none.xdf"}, kExitDataError}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zem::vakdata
