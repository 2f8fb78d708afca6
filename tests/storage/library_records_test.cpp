// The storage layer over the real record manager library, on files in a temporary directory.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "format/string_stack.h"
#include "platform/services.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "storage/record_ops.h"
#include "storage_fixture.h"
#include "support/fake_services.h"

namespace zem::testing {
namespace {

constexpr int16_t kUnits = 507;
constexpr int kRecordLength = 20;

// Record: code (4 bytes) | number, 16-bit little-endian (2 bytes) | name (14 bytes).
std::string Record(const std::string& code, uint16_t number, const std::string& name) {
  std::string record = code;
  record.push_back(static_cast<char>(number & 0xff));
  record.push_back(static_cast<char>(number >> 8));
  record += name;
  record.resize(kRecordLength, ' ');
  return record;
}

class LibraryTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    char pattern[] = "/tmp/storage-lib-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    std::filesystem::create_directories(dir_ + "/ddf");
    std::filesystem::create_directories(dir_ + "/DADES");
    platform::Current().files = &host_files_;
    services_.SetRecords(&library_);
    Session().RootDir = dir_ + "/";
    Session().WorkDir = dir_ + "/";
    // Key 0: the code; key 1: the binary number, duplicates allowed.
    std::string block = BuildStat(kRecordLength, {{{1, 4, 0}}, {{5, 2, kSegmentBinary | 1}}});
    std::string dictionary;
    PutWord(&dictionary, 0, static_cast<uint16_t>(block.size()));
    ASSERT_TRUE(host_files_.WriteFile(dir_ + "/ddf/Units.xdf", dictionary + block));
    name_ = dir_ + "/DADES\\Units";
  }
  void TearDown() override {
    ResetRecordManager();
    std::filesystem::remove_all(dir_);
    StorageTest::TearDown();
  }

  // Opens (creating the file from its dictionary) and fills the file through a second handle.
  void OpenAndFill(const std::vector<std::string>& records) {
    ASSERT_EQ(OpenDataFile(kUnits, name_, &area_), 0);
    ASSERT_TRUE(ended_codes().empty());
    std::vector<uint8_t> block(129, 0);
    std::string path = dir_ + "/DADES/Units.dat";
    std::string key = path;
    key.resize(256, '\0');
    std::string data(1536, ' ');
    uint32_t length = 0;
    ASSERT_EQ(library_.Call(kOpOpen, block.data(), data.data(), &length, key.data(),
                            static_cast<uint8_t>(path.size()), 0),
              0);
    for (const std::string& record : records) {
      data = record;
      data.resize(1536, ' ');
      length = kRecordLength;
      ASSERT_EQ(library_.Call(2, block.data(), data.data(), &length, key.data(), 255, 0), 0);
    }
    length = 0;
    library_.Call(1, block.data(), data.data(), &length, key.data(), 0, 0);
  }

  std::string Code() const { return area_.substr(0, 4); }

  platform::HostFileSystem host_files_;
  platform::LibraryRecordManager library_{&host_files_};
  std::string dir_;
  std::string name_;
  std::string area_;
};

const std::vector<std::string> kRecords = {
    Record("A001", 0x0102, "Puig"), Record("A002", 0x0201, "Font"), Record("A003", 0x0005, "Roca"),
    Record("B001", 0x0102, "Vidal")};

TEST_F(LibraryTest, OpenCreatesTheMissingFileFromItsDictionary) {
  OpenAndFill({});
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/DADES/Units.dat"));
  int32_t key_length = 0, record_length = 0;
  KeyAndRecordLength(kUnits, 1, key_length, record_length);
  EXPECT_EQ(key_length, 2);
  EXPECT_EQ(record_length, kRecordLength);
  EXPECT_EQ(area_.size(), static_cast<size_t>(kRecordLength));
  EXPECT_EQ(FindByKey(kUnits, 0, "A", 1), kStatusEndOfFile);
}

struct LibraryFindCase {
  const char* name;
  int16_t key_number;
  std::string value;
  int mode;
  int16_t status;
  const char* code;  // record reached
};

class LibraryFindTest : public LibraryTest,
                        public ::testing::WithParamInterface<LibraryFindCase> {};

TEST_P(LibraryFindTest, ReadsByKey) {
  OpenAndFill(kRecords);
  const LibraryFindCase& c = GetParam();
  EXPECT_EQ(FindByKey(kUnits, c.key_number, c.value, c.mode), c.status);
  if (c.status == 0) {
    EXPECT_EQ(Code(), c.code);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryFindTest,
    ::testing::Values(LibraryFindCase{"Equal", 0, "A002", 0, 0, "A002"},
                      LibraryFindCase{"EqualMissing", 0, "A009", 0, kStatusKeyNotFound, ""},
                      LibraryFindCase{"PartialKeyGreaterOrEqual", 0, "A", 1, 0, "A001"},
                      LibraryFindCase{"LongValueCut", 0, "B001-and-more", 0, 0, "B001"},
                      LibraryFindCase{"LessOrEqual", 0, "A9", -1, 0, "A003"},
                      LibraryFindCase{"BinaryKey", 1, std::string("\x05\x00", 2), 0, 0, "A003"},
                      LibraryFindCase{"NoSuchKey", 2, "A", 0, kStatusNoSuchKey, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryTest, MovesAlongTheKey) {
  OpenAndFill(kRecords);
  ASSERT_EQ(FindByKey(kUnits, 0, "A001", 0), 0);
  EXPECT_EQ(MoveRecords(kUnits, 3), 0);
  EXPECT_EQ(Code(), "B001");
  EXPECT_EQ(CurrentKeyText(kUnits), "B001");
  EXPECT_EQ(MoveRecords(kUnits, -2), 0);
  EXPECT_EQ(Code(), "A002");
  EXPECT_EQ(MoveRecords(kUnits, 5), kStatusEndOfFile);
}

TEST_F(LibraryTest, BinaryKeyOrderAndKeyText) {
  OpenAndFill(kRecords);
  // Key 1 in number order: 0x0005 A003, 0x0102 A001, 0x0102 B001, 0x0201 A002.
  ASSERT_EQ(FindByKey(kUnits, 1, "", 1), 0);
  std::vector<std::string> codes = {Code()};
  while (MoveRecords(kUnits, 1) == 0) codes.push_back(Code());
  EXPECT_EQ(codes, (std::vector<std::string>{"A003", "A001", "B001", "A002"}));
  ASSERT_EQ(FindByKey(kUnits, 1, std::string("\x02\x01", 2), 0), 0);
  EXPECT_EQ(CurrentKeyText(kUnits), std::string("\x01\x02", 2));
}

TEST_F(LibraryTest, PositionsComeBack) {
  OpenAndFill(kRecords);
  ASSERT_EQ(FindByKey(kUnits, 0, "A002", 0), 0);
  uint32_t position = GetPosition(kUnits);
  EXPECT_NE(position, 0u);
  ASSERT_EQ(FindByKey(kUnits, 0, "B001", 0), 0);
  EXPECT_EQ(GotoPosition(kUnits, position), 0);
  EXPECT_EQ(Code(), "A002");
  // The position also holds for the key path: the next record follows A002.
  EXPECT_EQ(MoveRecords(kUnits, 1), 0);
  EXPECT_EQ(Code(), "A003");
}

struct LibraryPeekCase {
  const char* name;
  const char* start;
  int n;
  const char* limit;
  bool expected;
};

class LibraryPeekTest : public LibraryTest,
                        public ::testing::WithParamInterface<LibraryPeekCase> {};

TEST_P(LibraryPeekTest, LooksAheadWithoutMoving) {
  OpenAndFill(kRecords);
  const LibraryPeekCase& c = GetParam();
  ASSERT_EQ(FindByKey(kUnits, 0, c.start, 0), 0);
  PushString("outer");
  EXPECT_EQ(PeekMoveWithinLimit(kUnits, c.n, c.limit), c.expected);
  EXPECT_EQ(PopString(), "outer");
  EXPECT_EQ(Code(), c.start);
  EXPECT_EQ(MoveRecords(kUnits, 0), 0);
  // The file still moves on from where it was.
  if (std::string(c.start) == "A002") {
    EXPECT_EQ(MoveRecords(kUnits, 1), 0);
    EXPECT_EQ(Code(), "A003");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LibraryPeekTest,
    ::testing::Values(LibraryPeekCase{"NextWithin", "A002", 1, "A", true},
                      LibraryPeekCase{"NextPastLimit", "A003", 1, "A", false},
                      LibraryPeekCase{"LastRecord", "B001", 1, "Z", false},
                      LibraryPeekCase{"BackWithin", "A002", -1, "A", true},
                      LibraryPeekCase{"BackBeforeLimit", "B001", -1, "B", false},
                      LibraryPeekCase{"FirstRecordBack", "A001", -1, "A", false}),
    [](const auto& info) { return std::string(info.param.name); });

// A clock whose first pause runs `release`.
class ReleasingClock : public platform::FakeClock {
 public:
  explicit ReleasingClock(std::function<void()> release) : release_(std::move(release)) {}
  void SleepMs(int milliseconds) override {
    if (sleeps().empty()) release_();
    platform::FakeClock::SleepMs(milliseconds);
  }

 private:
  std::function<void()> release_;
};

// Another open of the file holds a record locked; the lock mode decides what the read does.
struct LibraryLockCase {
  const char* name;
  const char* flags;
  int16_t status;
  size_t attempts;  // reads of the record (pauses + 1)
};

class LibraryLockTest : public LibraryTest,
                        public ::testing::WithParamInterface<LibraryLockCase> {};

TEST_P(LibraryLockTest, FollowsTheLockMode) {
  const LibraryLockCase& c = GetParam();
  OpenAndFill(kRecords);
  std::vector<uint8_t> other(129, 0);
  std::string path = dir_ + "/DADES/Units.dat";
  std::string key = path;
  key.resize(256, '\0');
  std::string data(1536, ' ');
  uint32_t length = 0;
  ASSERT_EQ(library_.Call(kOpOpen, other.data(), data.data(), &length, key.data(),
                          static_cast<uint8_t>(path.size()), 0),
            0);
  key = "A002";
  key.resize(256, '\0');
  length = 1536;
  ASSERT_EQ(
      library_.Call(kOpGetEqual + kLockBias, other.data(), data.data(), &length, key.data(), 4, 0),
      0);
  // The other open lets go at the first pause.
  ReleasingClock clock([&] {
    uint32_t none = 0;
    library_.Call(1, other.data(), data.data(), &none, key.data(), 0, 0);
  });
  platform::Current().clock = &clock;
  ASSERT_EQ(SetLockMode(kUnits, c.flags), 0);
  area_ = "unchanged-----------";
  EXPECT_EQ(FindByKey(kUnits, 0, "A002", 0), c.status);
  platform::Current().clock = &services_.clock;
  EXPECT_EQ(clock.sleeps().size() + 1, c.attempts);
  EXPECT_EQ(Code(), c.status == 0 ? "A002" : "unch");
  if (clock.sleeps().empty())
    library_.Call(1, other.data(), data.data(), &length, key.data(), 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, LibraryLockTest,
                         ::testing::Values(LibraryLockCase{"NoLockReads", "D", 0, 1},
                                           LibraryLockCase{"NoWaitReturns84", "B", 84, 1},
                                           LibraryLockCase{"WaitRetries", "A", 0, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryTest, ResetClosesEverything) {
  OpenAndFill(kRecords);
  EXPECT_EQ(ResetRecordManager(), 0);
  EXPECT_EQ(FindFileSlot(kUnits), -kMaxOpenFiles);
  EXPECT_EQ(FindByKey(kUnits, 0, "A001", 0), kStatusNotOpen);
  // The file can be opened again afterwards and keeps its records.
  ASSERT_EQ(OpenDataFile(kUnits, name_, &area_), 0);
  EXPECT_EQ(FindByKey(kUnits, 0, "A003", 0), 0);
  EXPECT_EQ(Code(), "A003");
}

// Host files under a directory of its own: a suite path "DATA\x" names <base>/x.
class PrefixedFiles : public platform::HostFileSystem {
 public:
  explicit PrefixedFiles(std::string base) : base_(std::move(base)) {}
  std::string HostPath(const std::string& path) override {
    return platform::HostFileSystem::HostPath(base_ + "/" + path.substr(5));
  }

 private:
  std::string base_;
};

// A host path longer than a key length can announce is refused as a bad file name: cut short,
// it would name another file, which the open would then create from the dictionary.
struct LongPathCase {
  const char* name;
  size_t host_length;  // length of the data file's host path
  int16_t status;      // the Create's answer
};

class LibraryLongPathTest : public LibraryTest,
                            public ::testing::WithParamInterface<LongPathCase> {};

TEST_P(LibraryLongPathTest, IsCreatedWholeOrRefused) {
  const LongPathCase& c = GetParam();
  // <dir_>/<first>/<second>/U.dat, the two directory names sharing what is left.
  size_t rest = c.host_length - dir_.size() - std::string("///U.dat").size();
  std::string data_dir =
      dir_ + "/" + std::string(rest / 2, 'd') + "/" + std::string(rest - rest / 2, 'e');
  std::filesystem::create_directories(data_dir);
  ASSERT_EQ((data_dir + "/U.dat").size(), c.host_length);
  PrefixedFiles files(data_dir);
  platform::LibraryRecordManager library(&files);
  std::string block = BuildStat(kRecordLength, {{{1, 4, 0}}});
  block.resize(1536, ' ');
  std::vector<uint8_t> position(129, 0);
  std::string key = "DATA\\U.dat";
  uint8_t key_length = static_cast<uint8_t>(key.size());
  key.resize(256, '\0');
  uint32_t length = 1536;
  EXPECT_EQ(library.Call(14, position.data(), block.data(), &length, key.data(), key_length, -1),
            c.status);
  // Whatever was made carries its whole name.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_)) {
    if (entry.is_regular_file() && entry.path().parent_path() != dir_ + "/ddf") {
      EXPECT_EQ(entry.path().string().substr(0, c.host_length), data_dir + "/U.dat");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, LibraryLongPathTest,
                         ::testing::Values(LongPathCase{"Fits", 250, 0},
                                           LongPathCase{"LongestThatFits", 255, 0},
                                           LongPathCase{"OneTooLong", 256, 11},
                                           LongPathCase{"FarTooLong", 400, 11}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LibraryTest, OverlongDataFileNameIsReportedNotCut) {
  std::string sub(200, 'x');
  std::filesystem::create_directories(dir_ + "/" + sub);
  std::string base(100, 'y');
  std::filesystem::copy_file(dir_ + "/ddf/Units.xdf", dir_ + "/ddf/" + base + ".xdf");
  std::string area;
  OpenDataFile(60, dir_ + "/" + sub + "/" + base, &area);
  // Reported (exit code 0 after the report), and no file made under a shortened name.
  EXPECT_EQ(ended_codes(), std::vector<int>{0});
  EXPECT_TRUE(std::filesystem::is_empty(dir_ + "/" + sub));
}

TEST_F(LibraryTest, MissingDictionaryEndsTheProgram) {
  std::string area;
  OpenDataFile(60, dir_ + "/DADES\\Nothing", &area);
  EXPECT_EQ(ended_codes(), std::vector<int>{255});
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/DADES/Nothing.dat"));
}

}  // namespace
}  // namespace zem::testing
