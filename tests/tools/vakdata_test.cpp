// Tests of the data tool's logic. The tool's sources (all but its main) are compiled in here.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
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
    ::testing::Values(
        BadLayoutCase{"NoRecord", "field a 0 text 3\n", "record"},
        BadLayoutCase{"NoField", "record 10\n", "no field"},
        BadLayoutCase{"PastTheRecord", "record 10\nfield a 8 amount\n", "past"},
        BadLayoutCase{"UnknownType", "record 10\nfield a 0 float 2\n", "line 2"},
        BadLayoutCase{"RepeatedName", "record 9\nfield a 0 text 1\nfield a 1 text 1\n", "line 3"},
        BadLayoutCase{"NegativeOffset", "record 9\nfield a -1 text 1\n", "offset"},
        BadLayoutCase{"ZeroSize", "record 9\nfield a 0 text 0\n", "size"},
        BadLayoutCase{"TrailingWords", "record 9\nfield a 0 date x\n", "unexpected"},
        BadLayoutCase{"HugeRecord", "record 2000\n", "1536"},
        BadLayoutCase{"UnknownStatement", "recs 9\n", "unknown"},
        BadLayoutCase{"HugeDigits", "record 9\nfield p 0 digits 2147483647\n", "past"},
        BadLayoutCase{"HugeText", "record 9\nfield p 1 text 2147483647\n", "past"},
        BadLayoutCase{"HugeOffset", "record 9\nfield p 2147483647 amount\n", "past"}),
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

struct MessageCase {
  const char* name;
  FieldType type;
  std::string csv;
  const char* message_part;
};

class BadValueMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(BadValueMessageTest, SaysWhatIsWrong) {
  Field field;
  field.Type = GetParam().type;
  field.Size = 6;
  field.Bytes = field.Type == FieldType::kText ? 6 : 4;
  std::string record(8, '#');
  std::string error;
  EXPECT_FALSE(EncodeField(field, GetParam().csv, &record, &error));
  EXPECT_NE(error.find(GetParam().message_part), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadValueMessageTest,
    ::testing::Values(MessageCase{"NotInCodePage", FieldType::kText, "a\xe2\x82\xac",
                                  "'\xe2\x82\xac' is not in code page 850"},
                      MessageCase{"InvalidUtf8", FieldType::kText, "a\xff", "not valid UTF-8"},
                      MessageCase{"Tab", FieldType::kText, "a\tb", "0x09"},
                      MessageCase{"LineFeed", FieldType::kText, "a\nb", "0x0a"},
                      MessageCase{"CarriageReturn", FieldType::kText, "a\rb", "0x0d"},
                      MessageCase{"CtrlZ", FieldType::kText, "a\x1a", "0x1a"},
                      MessageCase{"Nul", FieldType::kText, std::string("a\0", 2), "0x00"},
                      MessageCase{"AmountTooLarge", FieldType::kAmount, "21474837.00", "too large"},
                      MessageCase{"CreditTooLarge", FieldType::kAmount, "-21474837.00",
                                  "too large"},
                      MessageCase{"ValueQuoted", FieldType::kDigits, "1a", "'1a'"}),
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
    ::testing::Values(
        CsvCase{"Plain", "a,b\n1,2\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        CsvCase{"NoFinalLineEnd", "a,b\n1,2", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        CsvCase{"CrLf", "a,b\r\n1,2\r\n", {{"a", "b"}, {"1", "2"}}, {1, 2}},
        CsvCase{"QuotedComma", "\"C. Major, 4\",x\n", {{"C. Major, 4", "x"}}, {1}},
        CsvCase{"DoubledQuote", "\"say \"\"hi\"\"\",\"\"\n", {{"say \"hi\"", ""}}, {1}},
        CsvCase{"LineEndInQuotes",
                "\"two\nlines\",x\nnext,y\n",
                {{"two\nlines", "x"}, {"next", "y"}},
                {1, 3}},
        CsvCase{"BlankLinesSkipped", "a\n\n\nb\n", {{"a"}, {"b"}}, {1, 4}},
        CsvCase{"EmptyValues", ",,\n", {{"", "", ""}}, {1}},
        CsvCase{"BlankValue", "1, \n", {{"1", " "}}, {1}},
        // A lone CR ends a line as well, after a quoted value too.
        CsvCase{"LoneCr", "a\rb\r\"\"\r\rc\n", {{"a"}, {"b"}, {""}, {"c"}}, {1, 2, 3, 5}},
        CsvCase{"CrInQuotes", "\"x\ry\"\rz\n", {{"x\ry"}, {"z"}}, {1, 3}}),
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
  // A row whose one value is empty must not come out as a blank line, which reads as no row.
  EXPECT_EQ(CsvLine({""}), "\"\"\n");
  ASSERT_TRUE(ParseCsv(CsvLine({""}) + CsvLine({"x"}), &parsed, &error));
  EXPECT_EQ(parsed.size(), 2u);
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
                      BadKeysCase{"OddPage", "record 10\npage 1000\n", "page"},
                      BadKeysCase{"LengthWrapsRound", "record 100\nkey 0: 1-65536\n", "65535"},
                      BadKeysCase{"LastWrapsRound", "record 65\nkey 0: 4-65568\n", "65535"}),
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
      {0, "", 0, ""},  // Open
      {0, "", 0, ""},  // Begin Transaction
      {0, "", 0, ""},  // Insert row 1
      {0, "", 0, ""},  // Insert row 2
      {5, "", 0, ""},  // Insert row 3: duplicate
  };
  EXPECT_EQ(Import("code,name\n1,A\n2,B\n1,C\n"), kExitDataError);
  // The inserts run in one transaction, which the refusal aborts.
  std::vector<uint16_t> expected = {0, 15, 19, 2, 2, 2, 21, 1};
  EXPECT_EQ(Operations(), expected);
  EXPECT_NE(err_.str().find("line 4"), std::string::npos);
  EXPECT_NE(err_.str().find("status 5: duplicate key"), std::string::npos) << err_.str();
}

TEST_F(ImportTest, InsertsCommitAsOneTransaction) {
  records_.default_status = 0;
  EXPECT_EQ(Import("code,name\n1,A\n2,B\n"), kExitOk);
  std::vector<uint16_t> expected = {0, 15, 19, 2, 2, 20, 1};
  EXPECT_EQ(Operations(), expected);
}

TEST_F(ImportTest, EmptyKeyFieldAndControlBytesAreRefused) {
  records_.default_status = 0;
  struct Case {
    const char* csv;
    const char* message_part;
  } cases[] = {{"code,name\n1,A\n,B\n", "line 3, field code: empty"},
               {"code,name\n1,\"A\rB\"\n", "line 2, field name"},
               {"code,name\n1,A\x1a\n", "line 2, field name"}};
  for (const Case& c : cases) {
    records_.calls.clear();
    err_.str("");
    EXPECT_EQ(Import(c.csv), kExitDataError) << c.csv;
    EXPECT_NE(err_.str().find(c.message_part), std::string::npos) << err_.str();
    for (const auto& call : records_.calls) EXPECT_NE(call.Operation, 2);
  }
}

TEST_F(ImportTest, StatusCodesComeWithTheirWords) {
  records_.answers = {{0, "", 0, ""}, {0, "", 0, ""}, {46, "", 0, ""}};
  EXPECT_EQ(Import("code,name\n1,A\n"), kExitDataError);
  EXPECT_NE(err_.str().find("status 46: the file is open read-only"), std::string::npos)
      << err_.str();
  // Log files left beside the data file are named.
  services_.files.AddFile("/d/units.dat-shm", "");
  records_.answers = {{0, "", 0, ""}, {0, "", 0, ""}, {46, "", 0, ""}};
  EXPECT_EQ(Import("code,name\n1,A\n"), kExitDataError);
  EXPECT_NE(err_.str().find("remove /d/units.dat-shm"), std::string::npos) << err_.str();
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

TEST(CliTextTest, VersionAndCommandHelp) {
  platform::FakeServices services;
  struct Case {
    std::vector<std::string> args;
    const char* output_part;
  } cases[] = {{{"--version"}, "vakdata "}, {{"help", "import"}, "usage: vakdata import"}};
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunVakdata(c.args, out, err), kExitOk) << c.args[0];
    EXPECT_NE(out.str().find(c.output_part), std::string::npos) << out.str();
  }
}

TEST(CliTextTest, PathsTheToolCannotUseAreRefused) {
  platform::FakeServices services;
  ScriptedRecords records;
  services.SetRecords(&records);
  services.files.AddFile("/d/units.layout", "record 12\nfield code 0 digits 4\n");
  services.files.MakeDir("/d/rows");
  struct Case {
    std::vector<std::string> args;
    const char* message_part;
  } cases[] = {
      {{"stat", "/d/" + std::string(300, 'a') + ".dat"}, "255"},
      {{"import", "/d/units.dat", "/d/units.layout", "/d/rows"}, "/d/rows: is a directory"},
      {{"import", "/d/units.dat", "/d/units.layout", "/d/none.csv"}, "/d/none.csv: "},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunVakdata(c.args, out, err), kExitDataError);
    EXPECT_NE(err.str().find(c.message_part), std::string::npos) << err.str();
  }
  EXPECT_TRUE(records.calls.empty());
  // On the host the system says why.
  platform::HostFileSystem host;
  platform::Current().files = &host;
  std::ostringstream out, err;
  EXPECT_EQ(RunVakdata({"dict", "/nonexistent/r.keys", "/tmp/r.xdf"}, out, err), kExitDataError);
  EXPECT_NE(err.str().find("/nonexistent/r.keys: cannot read (No such file or directory)"),
            std::string::npos)
      << err.str();
  platform::Current().files = &services.files;
}

// ---- Spreadsheet settings and where the CSV goes ----

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.SetRecords(&records_);
    records_.stat = BuildStat(8, {{{1, 2, 0}}});
    services_.files.AddFile("/d/r.layout",
                            "record 8\nfield code 0 digits 4\nfield amount 2 amount\n");
    // Open, the first record, then the end of the file.
    records_.answers = {
        {0, "", 0, ""}, {0, std::string("\x80\x81\xe2\x04\0\0  ", 8), 8, ""}, {9, "", 0, ""}};
  }
  int Run(std::vector<std::string> args) { return RunVakdata(args, out_, err_); }
  platform::FakeServices services_;
  ScriptedRecords records_;
  std::ostringstream out_, err_;
};

TEST_F(ExportTest, SpreadsheetSettings) {
  EXPECT_EQ(
      Run({"export", "--delimiter", ";", "--decimal", ",", "--bom", "/d/r.dat", "/d/r.layout"}),
      kExitOk)
      << err_.str();
  EXPECT_EQ(out_.str(),
            "\xef\xbb\xbf"
            "code;amount\n1;12,50\n");
}

// A file system whose files take only so many bytes.
class FullFiles : public platform::MemoryFileSystem {
 public:
  class Output : public platform::OutputFile {
   public:
    explicit Output(std::unique_ptr<platform::OutputFile> inner) : inner_(std::move(inner)) {}
    bool Write(std::string_view bytes) override {
      written_ += bytes.size();
      return written_ <= 10 && inner_->Write(bytes);
    }
    bool Close() override { return inner_->Close() && written_ <= 10; }

   private:
    std::unique_ptr<platform::OutputFile> inner_;
    size_t written_ = 0;
  };
  std::unique_ptr<platform::OutputFile> OpenOutput(const std::string& path, bool append) override {
    auto inner = MemoryFileSystem::OpenOutput(path, append);
    if (!inner) return nullptr;
    return std::make_unique<Output>(std::move(inner));
  }
};

TEST_F(ExportTest, TheFileAppearsOnlyWhenComplete) {
  FullFiles full;
  for (platform::MemoryFileSystem* files :
       {&services_.files, static_cast<platform::MemoryFileSystem*>(&full)}) {
    const bool fails = files == &full;
    files->AddFile("/d/r.layout", services_.files.Contents("/d/r.layout"));
    files->AddFile("/d/out.csv", "old");
    platform::Current().files = files;
    EXPECT_EQ(Run({"export", "/d/r.dat", "/d/r.layout", "/d/out.csv"}),
              fails ? kExitDataError : kExitOk);
    EXPECT_EQ(files->Contents("/d/out.csv"), fails ? "old" : "code,amount\n1,12.50\n");
    EXPECT_EQ(files->FileNames().size(), 2u);  // no temporary file stays
    records_.answers = {
        {0, "", 0, ""}, {0, std::string("\x80\x81\xe2\x04\0\0  ", 8), 8, ""}, {9, "", 0, ""}};
  }
  platform::Current().files = &services_.files;
  EXPECT_NE(err_.str().find("cannot write /d/out.csv"), std::string::npos) << err_.str();
}

TEST_F(ExportTest, AFailingStandardOutputIsReported) {
  out_.setstate(std::ios::badbit);
  EXPECT_EQ(Run({"export", "/d/r.dat", "/d/r.layout"}), kExitDataError);
  EXPECT_NE(err_.str().find("standard output"), std::string::npos) << err_.str();
}

TEST_F(ExportTest, AFullDiskIsReported) {
  char pattern[] = "/tmp/vakdata-full-XXXXXX";
  const std::string dir = ::mkdtemp(pattern);
  platform::HostFileSystem host;
  host.WriteFile(dir + "/r.layout", services_.files.Contents("/d/r.layout"));
  platform::Current().files = &host;
  // A file system of 4 KB already full, when one can be mounted.
  const std::string small = dir + "/small";
  host.MakeDir(small);
  const bool mounted = ::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=4k") == 0;
  if (mounted) {
    host.WriteFile(small + "/out.csv", "old");
    host.WriteFile(small + "/filler", std::string(4096, 'x'));
  }
  for (const std::string& target : {std::string("/dev/full"), small + "/out.csv"}) {
    if (!mounted && target != "/dev/full") {
      std::cout << "[ SKIPPED  ] no small tmpfs could be mounted for " << target << "\n";
      continue;
    }
    records_.answers = {
        {0, "", 0, ""}, {0, std::string("\x80\x81\xe2\x04\0\0  ", 8), 8, ""}, {9, "", 0, ""}};
    err_.str("");
    EXPECT_EQ(Run({"export", "/d/r.dat", dir + "/r.layout", target}), kExitDataError);
    EXPECT_NE(err_.str().find(target + " (No space left on device)"), std::string::npos)
        << err_.str();
  }
  if (mounted) {
    std::string kept;
    host.ReadFile(small + "/out.csv", &kept);
    EXPECT_EQ(kept, "old");
    ::umount(small.c_str());
  }
  platform::Current().files = &services_.files;
  std::filesystem::remove_all(dir);
}

TEST_F(ImportTest, SpreadsheetSettingsAndStandardInput) {
  records_.default_status = 0;
  services_.files.AddFile("/d/r.layout",
                          "record 12\nfield code 0 digits 4\nfield amount 2 amount\n");
  std::istringstream in(
      "\xef\xbb\xbf"
      "code;amount\n1;12,50\n");
  EXPECT_EQ(RunVakdata({"import", "--delimiter", ";", "--decimal", ",", "/d/units.dat",
                        "/d/r.layout", "-"},
                       in, out_, err_),
            kExitOk)
      << err_.str();
  bool inserted = false;
  for (const auto& call : records_.calls) {
    if (call.Operation != 2) continue;
    inserted = true;
    EXPECT_EQ(call.Data.substr(0, 6), std::string("\x80\x81\xe2\x04\0\0", 6));
  }
  EXPECT_TRUE(inserted);
}

// ---- A real import killed part-way ----

class KilledImportTest : public ::testing::TestWithParam<int> {
 protected:
  static constexpr int kRows = 40000;
  void SetUp() override {
    char pattern[] = "/tmp/vakdata-kill-XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::ofstream keys(dir_ + "/r.keys");
    keys << "record 12\nkey 0: 1-3 dup\n";
    std::ofstream layout(dir_ + "/r.layout");
    layout << "record 12\nfield code 0 digits 6\nfield name 3 text 9\n";
    std::ofstream csv(dir_ + "/r.csv");
    csv << "code,name\n";
    for (int r = 0; r < kRows; ++r) csv << r % 1000 << ",row" << r << "\n";
    platform::Current().files = &host_;
    fakes_.SetRecords(&records_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  int Vakdata(std::vector<std::string> args) { return RunVakdata(args, out_, err_); }
  // The number of records, read by export.
  int Records() {
    std::ostringstream out, err;
    if (RunVakdata({"export", data_(), dir_ + "/r.layout"}, out, err) != kExitOk) return -1;
    const std::string text = out.str();
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) - 1;
  }
  std::string data_() const { return dir_ + "/r.dat"; }
  // The change counter the record manager keeps at the start of the lock file.
  uint64_t Changes() const {
    uint64_t count = 0;
    std::ifstream lock(data_() + ".lck", std::ios::binary);
    lock.read(reinterpret_cast<char*>(&count), sizeof count);
    return lock ? count : 0;
  }
  platform::FakeServices fakes_;  // put back the services in force afterwards
  platform::HostFileSystem host_;
  platform::LibraryRecordManager records_{&host_};
  std::string dir_;
  std::ostringstream out_, err_;
};

TEST_P(KilledImportTest, LeavesAllOrNothing) {
  ASSERT_EQ(Vakdata({"dict", dir_ + "/r.keys", dir_ + "/r.xdf"}), kExitOk) << err_.str();
  ASSERT_EQ(Vakdata({"create", data_(), dir_ + "/r.xdf"}), kExitOk) << err_.str();
  const pid_t child = ::fork();
  if (child == 0) {
    std::ostringstream out, err;
    ::_exit(RunVakdata({"import", data_(), dir_ + "/r.layout", dir_ + "/r.csv"}, out, err));
  }
  // Wait until a good part of the rows went in, then stop the import.
  for (int wait = 0; wait < 60000 && Changes() < 2 * kRows / 4; ++wait) ::usleep(500);
  ASSERT_GE(Changes(), 2u * kRows / 4) << "the import never got going";
  ::kill(child, GetParam());
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the import ended before the signal";
  EXPECT_EQ(Records(), 0);
  // The file is sound: the same import, run to its end, adds every row once.
  ASSERT_EQ(Vakdata({"import", data_(), dir_ + "/r.layout", dir_ + "/r.csv"}), kExitOk)
      << err_.str();
  EXPECT_EQ(Records(), kRows);
}

INSTANTIATE_TEST_SUITE_P(Signals, KilledImportTest, ::testing::Values(SIGTERM, SIGINT, SIGKILL),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace zem::vakdata
