// Two processes on one data file: record locks, exclusive opens, and a scan while another
// process inserts. The child process reports through a pipe and ends with _exit, so it never
// runs the parent's test machinery.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "recman_fixture.h"

namespace recman::testing {
namespace {

constexpr int kLength = 40;

std::string Numbered(int n) {
  std::string record(kLength, static_cast<char>('a' + n % 26));
  const std::string code = std::to_string(100000 + n);
  record.replace(0, code.size(), code);
  return record;
}

// A record is whole when its filler matches its number.
bool Whole(const std::string& record) {
  if (record.size() != static_cast<size_t>(kLength)) return false;
  const int n = std::stoi(record.substr(0, 6)) - 100000;
  return record == Numbered(n);
}

class Child {
 public:
  // Runs `body` in a child process; it gets a function to report a byte to the parent and one
  // to wait for the parent's go-ahead.
  template <typename Body>
  explicit Child(Body body) {
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      auto report = [&](char c) { (void)!::write(up[1], &c, 1); };
      auto await = [&] {
        char c = 0;
        (void)!::read(down[0], &c, 1);
      };
      body(report, await);
      // Stay until the parent lets go, so its go-ahead always finds a reader.
      await();
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    from_child_ = up[0];
    to_child_ = down[1];
  }
  ~Child() { Finish(); }
  bool started() const { return pid_ > 0; }
  char Read() {
    char c = 0;
    return ::read(from_child_, &c, 1) == 1 ? c : 0;
  }
  void Go() {
    const char c = 'g';
    (void)!::write(to_child_, &c, 1);
  }
  // Lets the child end and waits for it.
  void Finish() {
    if (pid_ <= 0) return;
    Go();
    ::close(to_child_);
    ::close(from_child_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int from_child_ = -1;
  int to_child_ = -1;
};

class RecmanProcesses : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("shared.dat");
    Client maker;
    ASSERT_EQ(maker.Create(path_, MakeBlock(kLength, {{{1, 6, 0}}})), 0);
    ASSERT_EQ(maker.Open(path_), 0);
    for (int n = 0; n < 3; ++n) ASSERT_EQ(maker.Insert(Numbered(n)), 0);
    // Nothing of this process is open on the file when a child starts.
    ASSERT_EQ(maker.Close(), 0);
  }
  TempDir dir_;
  std::string path_;
};

// The child reports the status of its call as one byte ('0' + status).
char StatusByte(int16_t status) {
  return static_cast<char>('0' + status);
}

TEST_F(RecmanProcesses, RecordLockOfAnotherProcess) {
  Child child([&](auto report, auto await) {
    Client holder;
    int16_t status = holder.Open(path_);
    if (status == 0) status = holder.Get(kOpGetEqual + kLockBias, 0, "100001");
    report(StatusByte(status));
    await();
    // Ends without unlocking or closing: the kernel drops the lock.
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Read(), '0');
  Client client;
  ASSERT_EQ(client.Open(path_), 0);
  EXPECT_EQ(client.Get(kOpGetEqual + kLockBias, 0, "100001"), kRecordLocked);
  ASSERT_EQ(client.Get(kOpGetEqual, 0, "100001"), 0);
  EXPECT_EQ(client.Record(), Numbered(1));
  EXPECT_EQ(client.Update(Numbered(1)), kRecordLocked);
  EXPECT_EQ(client.Get(kOpGetEqual + kLockBias, 0, "100002"), 0);
  child.Finish();
  EXPECT_EQ(client.Get(kOpGetEqual + kLockBias, 0, "100001"), 0);
  EXPECT_EQ(client.Close(), 0);
}

TEST_F(RecmanProcesses, ExclusiveOpenAgainstAnotherProcess) {
  struct Case {
    int8_t child_mode;
    int8_t parent_mode;
    int16_t parent_status;
  } cases[] = {{kModeExclusive, kModeNormal, kFileLocked},
               {kModeExclusive, kModeExclusive, kFileLocked},
               {kModeNormal, kModeExclusive, kFileLocked},
               {kModeNormal, kModeNormal, 0},
               {kModeReadOnly, kModeNormal, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.child_mode) + " " + std::to_string(c.parent_mode));
    Child child([&](auto report, auto await) {
      Client holder;
      report(StatusByte(holder.Open(path_, c.child_mode)));
      await();
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.Read(), '0');
    Client client;
    EXPECT_EQ(client.Open(path_, c.parent_mode), c.parent_status);
    client.Close();
    child.Finish();
  }
  // And the other way round: this process holds the file, the child cannot take it.
  Client client;
  ASSERT_EQ(client.Open(path_), 0);
  ASSERT_EQ(client.Close(), 0);
}

// Another process holding the database's write lock longer than the short wait: the write
// answers 85 and changes nothing; reads go on meanwhile.
TEST_F(RecmanProcesses, WriteLockHeldElsewhereGivesFileLocked) {
  Child child([&](auto report, auto await) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open(path_.c_str(), &db);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    report(rc == SQLITE_OK ? '0' : '1');
    await();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    report('0');
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Read(), '0');
  Client client;
  ASSERT_EQ(client.Open(path_), 0);
  EXPECT_EQ(client.Insert(Numbered(50)), kFileLocked);
  ASSERT_EQ(client.Get(kOpGetEqual, 0, "100001"), 0);
  EXPECT_EQ(client.Update(Numbered(1)), kFileLocked);
  child.Go();
  ASSERT_EQ(child.Read(), '0');
  EXPECT_EQ(client.Get(kOpGetEqual, 0, "100050"), kKeyNotFound);
  EXPECT_EQ(client.Insert(Numbered(50)), 0);
  EXPECT_EQ(client.Close(), 0);
}

TEST_F(RecmanProcesses, ScanWhileAnotherProcessInserts) {
  constexpr int kInserted = 1500;
  Child child([&](auto report, auto) {
    Client writer;
    int16_t status = writer.Open(path_);
    report(StatusByte(status));
    for (int n = 3; n < 3 + kInserted && status == 0; ++n) status = writer.Insert(Numbered(n));
    report(StatusByte(status));
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Read(), '0');
  Client reader;
  ASSERT_EQ(reader.Open(path_), 0);
  size_t last_count = 0;
  int scans = 0;
  for (bool writer_done = false; !writer_done; ++scans) {
    int status;
    std::string previous;
    size_t count = 0;
    for (status = reader.Get(kOpGetFirst, 0); status == 0; status = reader.Step(kOpGetNext)) {
      const std::string record = reader.Record();
      ASSERT_TRUE(Whole(record)) << record;
      ASSERT_LT(previous, record);
      previous = record;
      ++count;
    }
    ASSERT_EQ(status, kEndOfFile);
    ASSERT_GE(count, last_count);
    last_count = count;
    writer_done = count == 3 + kInserted;
    ASSERT_LT(scans, 100000);
  }
  EXPECT_GT(scans, 1);  // the scans overlapped the inserts
  EXPECT_EQ(child.Read(), '0');
  EXPECT_EQ(reader.Call(kOpStat), 0);
  EXPECT_EQ(ReadU32(reader.data.data() + 6), static_cast<uint32_t>(3 + kInserted));
  EXPECT_EQ(reader.Close(), 0);
}

}  // namespace
}  // namespace recman::testing
