// Two processes on one data file: record locks, exclusive opens, and a scan while another
// process inserts. The child process reports through a pipe and ends with _exit, so it never
// runs the parent's test machinery.
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "recman_fixture.h"
#include "support/child_process.h"

namespace recman::testing {
namespace {

using zem::testing::Child;

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

// Another process's write is seen by the next call that begins after the write's call ended,
// whatever this open read before it (a read-ahead, a read snapshot shared by its calls).
// The file holds the even numbers 0 to 18; the child changes it once, between two calls.
TEST_F(RecmanProcesses, NextCallSeesWhatAnotherProcessWrote) {
  const std::string changed = Numbered(4).substr(0, 6) + std::string(kLength - 6, 'Z');
  struct Case {
    const char* name;
    std::function<void(Client&)> before;    // this process, before the child writes
    std::function<int16_t(Client&)> write;  // the child
    std::function<void(Client&)> after;     // this process's next call
  } cases[] = {
      {"update, then Get Equal", [](Client& c) { ASSERT_EQ(c.Get(kOpGetEqual, 0, "100004"), 0); },
       [&](Client& w) {
         const int16_t s = w.Get(kOpGetEqual, 0, "100004");
         return s != 0 ? s : w.Update(changed);
       },
       [&](Client& c) {
         ASSERT_EQ(c.Get(kOpGetEqual, 0, "100004"), 0);
         EXPECT_EQ(c.Record(), changed);
       }},
      {"insert, then Get Next along a read-ahead",
       [](Client& c) {
         ASSERT_EQ(c.Get(kOpGetFirst, 0), 0);
         ASSERT_EQ(c.Step(kOpGetNext), 0);
         EXPECT_EQ(c.Record(), Numbered(2));
       },
       [](Client& w) { return w.Insert(Numbered(3)); },
       [](Client& c) {
         ASSERT_EQ(c.Step(kOpGetNext), 0);
         EXPECT_EQ(c.Record(), Numbered(3));
       }},
      {"update, then Get Next along a lookup's read-ahead",
       [](Client& c) {
         // A first walk of three steps makes the next lookup read three records ahead.
         ASSERT_EQ(c.Get(kOpGetGreaterOrEqual, 0, "100000"), 0);
         for (int i = 0; i < 3; ++i) ASSERT_EQ(c.Step(kOpGetNext), 0);
         ASSERT_EQ(c.Get(kOpGetEqual, 0, "100002"), 0);
       },
       [&](Client& w) {
         const int16_t s = w.Get(kOpGetEqual, 0, "100004");
         return s != 0 ? s : w.Update(changed);
       },
       [&](Client& c) {
         ASSERT_EQ(c.Step(kOpGetNext), 0);
         EXPECT_EQ(c.Record(), changed);
       }},
      {"delete, then Get Previous along a read-ahead",
       [](Client& c) {
         ASSERT_EQ(c.Get(kOpGetLast, 0), 0);
         ASSERT_EQ(c.Step(kOpGetPrevious), 0);
         EXPECT_EQ(c.Record(), Numbered(16));
       },
       [](Client& w) {
         const int16_t s = w.Get(kOpGetEqual, 0, "100014");
         return s != 0 ? s : w.Call(kOpDelete);
       },
       [](Client& c) {
         ASSERT_EQ(c.Step(kOpGetPrevious), 0);
         EXPECT_EQ(c.Record(), Numbered(12));
       }},
      {"update, then Get Direct",
       [](Client& c) {
         ASSERT_EQ(c.Get(kOpGetEqual, 0, "100004"), 0);
         ASSERT_EQ(c.Get(kOpGetEqual, 0, "100006"), 0);
       },
       [&](Client& w) {
         const int16_t s = w.Get(kOpGetEqual, 0, "100004");
         return s != 0 ? s : w.Update(changed);
       },
       [&](Client& c) {
         // Position 3: the third record inserted (number 4).
         ASSERT_EQ(c.Direct(3, 0), 0);
         EXPECT_EQ(c.Record(), changed);
       }},
      {"insert, then Stat",
       [](Client& c) {
         ASSERT_EQ(c.Call(kOpStat), 0);
         EXPECT_EQ(ReadU32(c.data.data() + 6), 10u);
       },
       [](Client& w) { return w.Insert(Numbered(7)); },
       [](Client& c) {
         ASSERT_EQ(c.Call(kOpStat), 0);
         EXPECT_EQ(ReadU32(c.data.data() + 6), 11u);
       }},
  };
  int file = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.File("case" + std::to_string(++file) + ".dat");
    {
      Client maker;
      ASSERT_EQ(maker.Create(path, MakeBlock(kLength, {{{1, 6, 0}}})), 0);
      ASSERT_EQ(maker.Open(path), 0);
      for (int n = 0; n < 20; n += 2) ASSERT_EQ(maker.Insert(Numbered(n)), 0);
      ASSERT_EQ(maker.Close(), 0);
    }
    Child child([&](auto report, auto await) {
      Client writer;
      const int16_t status = writer.Open(path);
      report(StatusByte(status));
      await();
      report(StatusByte(status != 0 ? status : c.write(writer)));
    });
    ASSERT_TRUE(child.started());
    ASSERT_EQ(child.Read(), '0');
    Client reader;
    ASSERT_EQ(reader.Open(path), 0);
    c.before(reader);
    child.Go();
    ASSERT_EQ(child.Read(), '0');  // the child's write call has ended
    c.after(reader);
    EXPECT_EQ(reader.Close(), 0);
    child.Finish();
  }
}

// The reads of an open share a read snapshot, which holds back another process's checkpoint
// of the log while it lasts; EndReadSnapshots lets go of it, and the reads carry on.
TEST_F(RecmanProcesses, EndingTheReadSnapshotsLetsAnotherProcessCheckpoint) {
  Child child([&](auto report, auto await) {
    Client writer;
    int16_t status = writer.Open(path_);
    if (status == 0) status = writer.Insert(Numbered(10));
    report(StatusByte(status));
    await();
    if (status == 0) status = writer.Insert(Numbered(11));
    sqlite3* db = nullptr;
    // A connection opens the log at its first read.
    if (sqlite3_open(path_.c_str(), &db) != SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK) {
      status = 1;
    }
    for (int round = 0; round < 2 && status == 0; ++round) {
      const int rc =
          sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
      report(rc == SQLITE_OK ? '0' : rc == SQLITE_BUSY ? 'b' : 'e');
      await();
    }
    if (status != 0) report(StatusByte(status));
    sqlite3_close(db);
  });
  ASSERT_TRUE(child.started());
  ASSERT_EQ(child.Read(), '0');
  Client reader;
  ASSERT_EQ(reader.Open(path_), 0);
  ASSERT_EQ(reader.Get(kOpGetFirst, 0), 0);
  child.Go();
  EXPECT_EQ(child.Read(), 'b');  // the reader's snapshot is still in use
  EndReadSnapshots();
  child.Go();
  EXPECT_EQ(child.Read(), '0');
  // The reader goes on from where it was and sees both inserts.
  ASSERT_EQ(reader.Step(kOpGetNext), 0);
  EXPECT_EQ(reader.Record(), Numbered(1));
  ASSERT_EQ(reader.Get(kOpGetLast, 0), 0);
  EXPECT_EQ(reader.Record(), Numbered(11));
  EXPECT_EQ(reader.Close(), 0);
}

}  // namespace
}  // namespace recman::testing
