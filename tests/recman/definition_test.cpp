// Creation blocks, the definitions read from them, and comparable keys.
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "recman/file_definition.h"
#include "recman/key_codec.h"
#include "recman_fixture.h"

namespace recman::testing {
namespace {

struct RefusedBlock {
  const char* name;
  std::vector<uint8_t> block;
  int16_t status;
};

std::vector<uint8_t> Truncated(std::vector<uint8_t> block, size_t size) {
  block.resize(size);
  return block;
}

std::vector<uint8_t> WithByte(std::vector<uint8_t> block, size_t at, uint8_t value) {
  block[at] = value;
  return block;
}

class RefusedBlocks : public ::testing::TestWithParam<RefusedBlock> {};

TEST_P(RefusedBlocks, AreRefusedWithTheirStatusAndNoFileAppears) {
  const RefusedBlock& c = GetParam();
  FileDefinition definition;
  EXPECT_EQ(ParseCreationBlock(c.block.data(), c.block.size(), &definition), c.status);
  TempDir dir;
  Client client;
  EXPECT_EQ(client.Create(dir.File("x.dat"), c.block), c.status);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")),
                          std::filesystem::directory_iterator()),
            0);
}

const std::vector<uint8_t> kTwoKeys = MakeBlock(10, {{{1, 4, 0}, {5, 2, kSegBinary}}, {{7, 4, 0}}});
const std::vector<uint8_t> kCollated = MakeBlock(10, {{{1, 4, kSegAltCollate}}}, UpperCaseTable());

INSTANTIATE_TEST_SUITE_P(
    Recman, RefusedBlocks,
    ::testing::Values(RefusedBlock{"RecordLengthZero", MakeBlock(0, {{{1, 1, 0}}}), 28},
                      RefusedBlock{"RecordLengthTooLong", MakeBlock(1537, {{{1, 4, 0}}}), 28},
                      RefusedBlock{"NoKeys", MakeBlock(10, {}), 26},
                      RefusedBlock{"SegmentPastTheEnd", MakeBlock(10, {{{8, 4, 0}}}), 27},
                      RefusedBlock{"SegmentAtZero", MakeBlock(10, {{{0, 4, 0}}}), 27},
                      RefusedBlock{"EmptySegment", MakeBlock(10, {{{1, 0, 0}}}), 29},
                      RefusedBlock{"KeyLongerThan255",
                                   MakeBlock(400, {{{1, 200, 0}, {201, 100, 0}}}), 29},
                      RefusedBlock{"ShorterThanTheFileSpecification", Truncated(kTwoKeys, 15), 22},
                      RefusedBlock{"ShorterThanItsSegments", Truncated(kTwoKeys, 16 + 40), 22},
                      RefusedBlock{"KeyCountPastTheSegments", WithByte(kTwoKeys, 4, 5), 22},
                      RefusedBlock{"CollatingSequenceMissing", Truncated(kCollated, 32), 22},
                      RefusedBlock{"CollatingSequenceCut", Truncated(kCollated, 32 + 100), 22},
                      RefusedBlock{"CollatingSignatureWrong", WithByte(kCollated, 32, 0xAB), 48}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecmanDefinition, KeysAreBuiltFromTheirSegments) {
  FileDefinition definition;
  const auto block = MakeBlock(
      30,
      {{{1, 4, 0}, {5, 2, kSegBinary | kSegDuplicates}}, {{7, 4, kSegModifiable}}, {{11, 20, 0}}});
  ASSERT_EQ(ParseCreationBlock(block.data(), block.size(), &definition), 0);
  ASSERT_EQ(definition.keys.size(), 3u);
  struct Expected {
    int segments, length;
    bool duplicates, modifiable;
  } expected[] = {{2, 6, true, false}, {1, 4, false, true}, {1, 20, false, false}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(definition.keys[k].segment_count, expected[k].segments) << k;
    EXPECT_EQ(definition.keys[k].length, expected[k].length) << k;
    EXPECT_EQ(definition.keys[k].duplicates, expected[k].duplicates) << k;
    EXPECT_EQ(definition.keys[k].modifiable, expected[k].modifiable) << k;
  }
  // Bytes after the last segment (the callers pad with blanks) are not part of the file.
  std::vector<uint8_t> padded = block;
  padded.resize(1536, ' ');
  FileDefinition again;
  ASSERT_EQ(ParseCreationBlock(padded.data(), padded.size(), &again), 0);
  EXPECT_EQ(again.block, block);
}

struct ComparableCase {
  const char* name;
  std::vector<SegmentSpec> segments;
  std::string value;
  std::string comparable;
};

class Comparable : public ::testing::TestWithParam<ComparableCase> {};

TEST_P(Comparable, SortsLikeTheKey) {
  const ComparableCase& c = GetParam();
  FileDefinition definition;
  const auto block = MakeBlock(40, {c.segments}, UpperCaseTable());
  ASSERT_EQ(ParseCreationBlock(block.data(), block.size(), &definition), 0);
  EXPECT_EQ(ComparableKey(definition, 0, c.value), c.comparable);
}

INSTANTIATE_TEST_SUITE_P(
    Recman, Comparable,
    ::testing::Values(
        ComparableCase{"Plain", {{1, 3, 0}}, "abc", "abc"},
        ComparableCase{"BinaryReversed", {{1, 2, kSegBinary}}, "\x34\x12", "\x12\x34"},
        ComparableCase{"Collated", {{1, 4, kSegAltCollate}}, "aB1z", "AB1Z"},
        ComparableCase{"Descending", {{1, 2, kSegDescending}}, "\x01\xfe", "\xfe\x01"},
        ComparableCase{
            "BinaryDescending", {{1, 2, kSegBinary | kSegDescending}}, "\x01\x02", "\xfd\xfe"},
        ComparableCase{"CollatedDescending",
                       {{1, 1, kSegAltCollate | kSegDescending}},
                       "a",
                       std::string(1, static_cast<char>(255 - 'A'))},
        ComparableCase{"MixedSegments",
                       {{1, 2, 0}, {3, 4, kSegBinary}, {7, 1, kSegAltCollate}},
                       std::string("xy\x01\x02\x03\x04q", 7),
                       std::string("xy\x04\x03\x02\x01Q", 7)},
        ComparableCase{"ShortValuePaddedWithNul", {{1, 4, 0}}, "ab", std::string("ab\0\0", 4)}),
    [](const auto& info) { return std::string(info.param.name); });

// Little-endian binary values sort numerically once made comparable.
TEST(RecmanDefinition, BinarySegmentsSortNumerically) {
  FileDefinition definition;
  const auto block = MakeBlock(4, {{{1, 4, kSegBinary}}});
  ASSERT_EQ(ParseCreationBlock(block.data(), block.size(), &definition), 0);
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const uint32_t a = random(), b = random();
    auto encode = [&](uint32_t v) {
      std::string s(4, '\0');
      WriteU32(reinterpret_cast<uint8_t*>(s.data()), v);
      return ComparableKey(definition, 0, s);
    };
    EXPECT_EQ(a < b, encode(a) < encode(b)) << a << " " << b;
  }
}

// Files that are not data files of ours are answered with a status, never a crash.
class ForeignFiles : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  void Sql(const char* statements) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, statements, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  void MakeOurs(int records) {
    Client maker;
    ASSERT_EQ(maker.Create(path_, MakeBlock(100, {{{1, 8, 0}}})), 0);
    ASSERT_EQ(maker.Open(path_), 0);
    for (int i = 0; i < records; ++i) {
      std::string record(100, 'r');
      record.replace(0, 8, std::to_string(10000000 + i));
      ASSERT_EQ(maker.Insert(record), 0);
    }
    ASSERT_EQ(maker.Close(), 0);
  }
  TempDir dir_;
  std::string path_ = dir_.File("foreign.dat");
};

TEST_F(ForeignFiles, AreRefusedAtOpen) {
  std::mt19937 random(3);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const std::string header_only = std::string("SQLite format 3\0", 16) + noise.substr(0, 84);
  struct Case {
    const char* name;
    std::function<void()> make;
  } cases[] = {
      {"RandomBytes", [&] { Write(noise); }},
      {"Empty", [&] { Write(""); }},
      {"SqliteHeaderThenNoise", [&] { Write(header_only + noise); }},
      {"OtherTables", [&] { Sql("CREATE TABLE t(a); INSERT INTO t VALUES(1);"); }},
      {"DefinitionDamaged",
       [&] {
         MakeOurs(0);
         Sql("UPDATE recman_definition SET block = x'0100';");
       }},
      {"RecordsTableMissing",
       [&] {
         MakeOurs(0);
         Sql("DROP TABLE records;");
       }},
      {"TruncatedHeader",
       [&] {
         MakeOurs(0);
         ::truncate(path_.c_str(), 100);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(path_);
    c.make();
    Client client;
    EXPECT_EQ(client.Open(path_), kIoError);
    EXPECT_EQ(client.Get(kOpGetFirst, 0), kFileNotOpen);
  }
}

TEST_F(ForeignFiles, TruncatedDataGivesStatusesNotCrashes) {
  MakeOurs(600);
  const auto size = std::filesystem::file_size(path_);
  ASSERT_EQ(::truncate(path_.c_str(), static_cast<off_t>(size * 6 / 10)), 0);
  Client client;
  const int16_t opened = client.Open(path_);
  if (opened != 0) {
    EXPECT_EQ(opened, kIoError);
    return;
  }
  int16_t status = client.Get(kOpGetFirst, 0);
  int steps = 0;
  while (status == 0 && steps < 1000) {
    status = client.Step(kOpGetNext);
    ++steps;
  }
  EXPECT_TRUE(status == kEndOfFile || status == kIoError) << status;
  EXPECT_LT(steps, 600);
  client.Close();
}

}  // namespace
}  // namespace recman::testing
