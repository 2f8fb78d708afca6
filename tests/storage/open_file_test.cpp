#include "storage/open_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "storage/file_table.h"
#include "storage_fixture.h"

namespace zem::testing {
namespace {

// ---- Name splitting ----

struct NameCase {
  const char* name;
  const char* directory;
  const char* base;
  const char* extension;
  const char* path;
  const char* dictionary;
};

class SplitNameTest : public StorageTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(SplitNameTest, SplitsDirectoryBaseAndExtension) {
  const NameCase& c = GetParam();
  FileNameParts parts = SplitDataFileName(c.name);
  EXPECT_EQ(parts.Directory, c.directory);
  EXPECT_EQ(parts.Base, c.base);
  EXPECT_EQ(parts.Extension, c.extension);
  EXPECT_EQ(DataFilePath(parts), c.path);
  EXPECT_EQ(DictionaryPath(parts), c.dictionary);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SplitNameTest,
    ::testing::Values(
        NameCase{"DADES\\FinquesV", "DADES\\", "FinquesV", ".dat", "DADES\\FinquesV.dat",
                 "C:\\VAK\\ddf\\FinquesV.xdf"},
        NameCase{"D:\\X.Y\\ABD", "D:\\X.Y\\", "ABD", ".dat", "D:\\X.Y\\ABD.dat",
                 "C:\\VAK\\ddf\\ABD.xdf"},
        NameCase{"DADES\\A.B.Z", "DADES\\", "A", ".B.Z", "DADES\\A.B.Z", "C:\\VAK\\ddf\\A.xdf"},
        NameCase{"C:FILE.DTA", "C:", "FILE", ".DTA", "C:FILE.DTA", "C:\\VAK\\ddf\\FILE.xdf"},
        NameCase{"/srv/vak/dades/cobramv", "/srv/vak/dades/", "cobramv", ".dat",
                 "/srv/vak/dades/cobramv.dat", "C:\\VAK\\ddf\\cobramv.xdf"},
        NameCase{"Textos", "", "Textos", ".dat", "Textos.dat", "C:\\VAK\\ddf\\Textos.xdf"},
        NameCase{"DADES\\", "DADES\\", "", ".dat", "DADES\\.dat", "C:\\VAK\\ddf\\.xdf"}));

// ---- Opening ----

constexpr const char* kRoot = "C:\\VAK\\";

class OpenTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    records_.stat = BuildStat(30, {{{1, 4, 0}, {5, 6, 0}}, {{11, 2, kSegmentBinary}}});
  }
  void AddDictionary(const std::string& base, const std::string& block, int16_t length) {
    std::string bytes;
    PutWord(&bytes, 0, static_cast<uint16_t>(length));
    services_.files.AddFile(std::string("/VAK/ddf/") + base + ".xdf", bytes + block);
  }
};

TEST_F(OpenTest, OpensWithOwnerNameAndPath) {
  std::string area;
  EXPECT_EQ(OpenDataFile(506, std::string(kRoot) + "DADES\\FinquesV", &area), 0);
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_EQ(issued.size(), 1u);
  const RecordedCall& open = issued[0];
  EXPECT_EQ(open.Operation, kOpOpen);
  EXPECT_EQ(open.DataLength, 5u);
  EXPECT_EQ(open.Data[4], '\0');
  EXPECT_EQ(open.OfferedKey(), "C:\\VAK\\DADES\\FinquesV.dat");
  EXPECT_EQ(open.Key[open.KeyLength], '\0');
  EXPECT_EQ(open.KeyNumber, 0);
  int slot = FindFileSlot(506);
  ASSERT_EQ(slot, 40);
  const FileSlot& entry = OpenFiles().Slots[slot];
  EXPECT_EQ(open.PositionBlock, entry.PositionBlock.data());
  EXPECT_EQ(entry.RecordLength, 30);
  // Key 0 is made of segments of 4 and 6 bytes.
  EXPECT_EQ(entry.KeyValue, std::string(10, '\0'));
  EXPECT_EQ(entry.KeyNumber, 0);
  EXPECT_EQ(entry.LockMode, 0);
  EXPECT_EQ(entry.RecordArea, &area);
  EXPECT_EQ(area.size(), 30u);
  EXPECT_TRUE(ended_codes().empty());
}

TEST_F(OpenTest, FortyFirstOpenIsRefusedAndChangesNothing) {
  std::vector<std::string> areas(41);
  for (int i = 0; i < 40; ++i) {
    ASSERT_EQ(OpenDataFile(static_cast<int16_t>(100 + i), "F" + std::to_string(i), &areas[i]), 0);
  }
  size_t calls = records_.calls.size();
  FileTable before = OpenFiles();
  EXPECT_EQ(OpenDataFile(60, "DADES\\Textos", &areas[40]), kStatusNoFreeSlot);
  EXPECT_EQ(records_.calls.size(), calls);
  for (int slot = 1; slot <= kMaxOpenFiles; ++slot) {
    EXPECT_EQ(OpenFiles().Slots[slot].Id, before.Slots[slot].Id);
  }
}

TEST_F(OpenTest, OpenIdIsRefusedEvenUnderAnotherName) {
  std::string a, b;
  ASSERT_EQ(OpenDataFile(507, "DADES\\DepartaV", &a), 0);
  size_t calls = records_.calls.size();
  EXPECT_EQ(OpenDataFile(507, "DADES\\Other", &b), kStatusAlreadyOpen);
  EXPECT_EQ(records_.calls.size(), calls);
  EXPECT_EQ(OpenFiles().Slots[FindFileSlot(507)].RecordArea, &a);
}

TEST_F(OpenTest, MissingFileIsCreatedFromItsDictionary) {
  std::string block = BuildStat(30, {{{1, 4, 0}, {5, 6, 0}}});
  AddDictionary("A", block, static_cast<int16_t>(block.size()));
  records_.answers = {{12, "", 0, ""}, {0, "", 0, ""}, {0, "", 0, ""}};
  std::string area;
  EXPECT_EQ(OpenDataFile(509, "DADES\\A.B.Z", &area), 0);
  std::vector<RecordedCall> issued = records_.Issued();
  ASSERT_EQ(issued.size(), 3u);
  EXPECT_EQ(issued[1].Operation, kOpCreate);
  EXPECT_EQ(issued[1].Data, block + std::string(1536 - block.size(), ' '));
  EXPECT_EQ(issued[1].DataLength, 1536u);
  EXPECT_EQ(issued[1].KeyNumber, -1);
  EXPECT_EQ(issued[1].OfferedKey(), "DADES\\A.B.Z");
  EXPECT_EQ(issued[2].Operation, kOpOpen);
  EXPECT_TRUE(ended_codes().empty());
}

TEST_F(OpenTest, OverlongDictionaryIsCutToOneBuffer) {
  std::string block;
  for (int i = 0; i < 2000; ++i) block.push_back(static_cast<char>('a' + i % 26));
  AddDictionary("Big", block, 2000);
  records_.answers = {{12, "", 0, ""}, {0, "", 0, ""}, {0, "", 0, ""}};
  std::string area;
  EXPECT_EQ(OpenDataFile(60, "Big", &area), 0);
  EXPECT_EQ(records_.Issued().at(1).Data, block.substr(0, 1536));
}

TEST_F(OpenTest, LockedFileIsWaitedOutInThreeSecondSteps) {
  records_.answers = {{85, "", 0, ""}, {85, "", 0, ""}, {0, "", 0, ""}};
  std::string area;
  EXPECT_EQ(OpenDataFile(60, "DADES\\Textos", &area), 0);
  EXPECT_EQ(services_.clock.sleeps(), (std::vector<int>{3000, 3000}));
  EXPECT_EQ(records_.Issued().size(), 3u);
}

struct FailureCase {
  const char* name;
  std::vector<int16_t> statuses;  // answers to Open, Create, Open ...
  bool with_dictionary;
  int expected_code;
  int16_t reported_status;
};

class OpenFailureTest : public OpenTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(OpenFailureTest, ReportsAndEnds) {
  const FailureCase& c = GetParam();
  if (c.with_dictionary) AddDictionary("CobramV", "block", 5);
  for (int16_t status : c.statuses) records_.answers.push_back({status, "", 0, ""});
  std::string area;
  int beeps = console_.beeps();
  int16_t status = OpenDataFile(509, "DADES\\CobramV", &area);
  ASSERT_EQ(ended_codes(), std::vector<int>{c.expected_code});
  EXPECT_EQ(status, c.reported_status);
  EXPECT_EQ(console_.beeps(), beeps + 1);
  EXPECT_GE(console_.discards(), 1);
  EXPECT_EQ(Windows().WindowDepth, 0);
  // The record manager was reset before the end, which freed every slot.
  EXPECT_EQ(records_.calls.back().Operation, kOpReset);
  EXPECT_EQ(FindFileSlot(509), -40);
}

INSTANTIATE_TEST_SUITE_P(Failures, OpenFailureTest,
                         ::testing::Values(FailureCase{"OpenDenied", {46}, true, 0, 46},
                                           FailureCase{"OpenForeignStatus", {-7}, true, 0, -7},
                                           FailureCase{"CreateFails", {12, 59}, true, 0, 59},
                                           FailureCase{
                                               "StillMissingAfterCreate", {12, 0, 12}, true, 0, 12},
                                           FailureCase{"NoDictionary", {12}, false, 255, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BadDictionaryCase {
  const char* name;
  std::string bytes;
};

class BadDictionaryTest : public OpenTest,
                          public ::testing::WithParamInterface<BadDictionaryCase> {};

TEST_P(BadDictionaryTest, EndsWithCode255) {
  services_.files.AddFile("/VAK/ddf/Textos.xdf", GetParam().bytes);
  records_.answers = {{12, "", 0, ""}};
  std::string area;
  OpenDataFile(60, "DADES\\Textos", &area);
  EXPECT_EQ(ended_codes(), std::vector<int>{255});
  for (const RecordedCall& call : records_.calls) EXPECT_NE(call.Operation, kOpCreate);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, BadDictionaryTest,
                         ::testing::Values(BadDictionaryCase{"Empty", ""},
                                           BadDictionaryCase{"OneByte", "\x05"},
                                           BadDictionaryCase{"Truncated", "\x10\x00short"},
                                           BadDictionaryCase{"NegativeLength", "\x00\x80xyz"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReportCase {
  const char* language;
  const char* unreachable;
  const char* dictionary;
};

class ReportTextTest : public StorageTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportTextTest, NamesTheFileInTheLanguage) {
  Session().Language = GetParam().language;
  EXPECT_EQ(UnreachableFileMessage("C:\\VAK\\DADES\\FinquesV", 46), GetParam().unreachable);
  EXPECT_EQ(UnreadableDictionaryMessage("C:\\VAK\\ddf\\FinquesV.xdf"), GetParam().dictionary);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, ReportTextTest,
    ::testing::Values(
        ReportCase{"SPA", "NO SE PUEDE ACCEDER AL FICHERO C:\\VAK\\DADES\\FinquesV (46)",
                   "NO SE PUEDE LEER EL DICCIONARIO C:\\VAK\\ddf\\FinquesV.xdf"},
        ReportCase{"GLG", "NOM SE PODE ACEDER AO FICHEIRO C:\\VAK\\DADES\\FinquesV (46)",
                   "NOM SE PODE LER O DICIONARIO C:\\VAK\\ddf\\FinquesV.xdf"},
        ReportCase{"OCI", "NON SE P\xe3T ACCEDIR ATH FICH\xd4R C:\\VAK\\DADES\\FinquesV (46)",
                   "NON SE P\xe3T LEGIR ETH DICCIONARI C:\\VAK\\ddf\\FinquesV.xdf"},
        ReportCase{"   ", "NO ES POT ACCEDIR AL FITXER C:\\VAK\\DADES\\FinquesV (46)",
                   "NO ES POT LLEGIR EL DICCIONARI C:\\VAK\\ddf\\FinquesV.xdf"}));

TEST_F(StorageTest, NegativeStatusIsWrittenWithItsSign) {
  EXPECT_EQ(UnreachableFileMessage("X", -3), "NO ES POT ACCEDIR AL FITXER X (-3)");
}

// ---- Stat reading ----

struct KeyLengthCase {
  int16_t key_number;
  int32_t expected;
};

class KeyLengthTest : public OpenTest, public ::testing::WithParamInterface<KeyLengthCase> {};

// The lengths come from the Stat answer read at open: asking again calls nothing.
TEST_P(KeyLengthTest, SumsTheKeysSegmentsOfTheAnswerAtOpen) {
  std::string area;
  ASSERT_EQ(OpenDataFile(60, "T", &area), 0);
  const size_t calls = records_.calls.size();
  for (int again = 0; again < 2; ++again) {
    int32_t key_length = -1, record_length = -1;
    KeyAndRecordLength(60, GetParam().key_number, key_length, record_length);
    EXPECT_EQ(key_length, GetParam().expected);
    EXPECT_EQ(record_length, 30);
  }
  EXPECT_EQ(records_.calls.size(), calls);
  const RecordedCall& stat = records_.calls.back();
  EXPECT_EQ(stat.Operation, kOpStat);
  EXPECT_EQ(stat.DataLength, 1536u);
  EXPECT_EQ(stat.KeyLength, 255);
  EXPECT_EQ(stat.Key.substr(0, 255), std::string(255, ' '));
}

INSTANTIATE_TEST_SUITE_P(Keys, KeyLengthTest,
                         ::testing::Values(KeyLengthCase{0, 10}, KeyLengthCase{1, 2},
                                           KeyLengthCase{2, 0}, KeyLengthCase{-1, 0}));

TEST_F(StorageTest, KeyAndRecordLengthOfAClosedFileIsZero) {
  int32_t key_length = 5, record_length = 5;
  KeyAndRecordLength(60, 0, key_length, record_length);
  EXPECT_EQ(key_length, 0);
  EXPECT_EQ(record_length, 0);
  EXPECT_TRUE(records_.calls.empty());
}

TEST(ParseStatTest, DamagedAnswersStayWithinTheBuffer) {
  // A key count far beyond the segments present, every segment saying another follows.
  std::string data(1536, '\0');
  PutWord(&data, 0, 100);
  PutWord(&data, 4, 500);
  for (size_t offset = 16; offset + 16 <= data.size(); offset += 16) {
    PutWord(&data, offset + 2, 1);
    PutWord(&data, offset + 4, kSegmentContinues);
  }
  FileStat stat = ParseStat(data);
  EXPECT_EQ(stat.Keys.size(), 1u);
  EXPECT_EQ(stat.Keys[0].size(), (1536u - 16) / 16);
  EXPECT_TRUE(stat.CollatingTable.empty());
  EXPECT_EQ(ParseStat("").Keys.size(), 0u);
}

TEST(ParseStatTest, ReadsCountsAndCollatingTable) {
  std::string table;
  for (int i = 0; i < 256; ++i) table.push_back(static_cast<char>(255 - i));
  std::string data = BuildStat(64, {{{1, 8, kSegmentAlternate}}, {{49, 8, 0}, {1, 8, 0}}}, table);
  data[6] = 7;
  FileStat stat = ParseStat(data);
  EXPECT_EQ(stat.RecordLength, 64);
  EXPECT_EQ(stat.PageSize, 1024);
  EXPECT_EQ(stat.KeyCount, 2);
  EXPECT_EQ(stat.RecordCount, 7u);
  EXPECT_EQ(KeyLength(stat, 1), 16);
  EXPECT_EQ(stat.CollatingOffset, 16u + 3 * 16);
  EXPECT_EQ(stat.CollatingTable, table);
}

}  // namespace
}  // namespace zem::testing
