// Transactions, walks over damaged files and files the caller may only read.
#include <fcntl.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "recman_fixture.h"

namespace recman::testing {
namespace {

constexpr uint16_t kBegin = 19;
constexpr uint16_t kEnd = 20;
constexpr uint16_t kAbort = 21;

std::string Rec(char c) {
  return std::string(1, c) + std::string(9, '.');
}

uint32_t CountRecords(const std::string& path) {
  Client reader;
  if (reader.Open(path) != 0) return UINT32_MAX;
  uint32_t n = 0;
  for (int16_t s = reader.Get(kOpGetFirst, 0); s == 0; s = reader.Step(kOpGetNext)) ++n;
  reader.Close();
  return n;
}

void Sql(const std::string& path, const std::string& statements) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, statements.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

class RecmanSafety : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("f.dat");
    ASSERT_EQ(client_.Create(path_, MakeBlock(10, {{{1, 1, 0}}})), 0);
    ASSERT_EQ(client_.Open(path_), 0);
  }
  void TearDown() override { client_.Call(kOpReset); }
  TempDir dir_;
  std::string path_;
  Client client_;
};

TEST_F(RecmanSafety, TransactionCommitsOrAbortsAsAWhole) {
  struct Case {
    uint16_t ending;
    uint32_t records;
  } cases[] = {{kAbort, 0}, {kEnd, 3}};
  for (const Case& c : cases) {
    client_.Call(kOpReset);
    ASSERT_EQ(client_.Create(path_, MakeBlock(10, {{{1, 1, 0}}}), 0), 0);
    ASSERT_EQ(client_.Open(path_), 0);
    ASSERT_EQ(client_.Call(kBegin), 0);
    EXPECT_EQ(client_.Call(kBegin), 37);  // one at a time
    for (char k : {'a', 'b', 'c'}) ASSERT_EQ(client_.Insert(Rec(k)), 0);
    // A refused write inside the transaction takes back only itself.
    EXPECT_EQ(client_.Insert(Rec('b')), 5);
    EXPECT_EQ(CountRecords(path_), 0u) << "another open sees nothing before the end";
    ASSERT_EQ(client_.Call(c.ending), 0);
    EXPECT_EQ(CountRecords(path_), c.records);
    EXPECT_EQ(client_.Call(kEnd), 39);  // none active
    EXPECT_EQ(client_.Call(kAbort), 39);
  }
}

TEST_F(RecmanSafety, WalkOverADamagedFileEnds) {
  // Kinds of damage SQLite's own checks do not see: an index column that disagrees with its
  // record, a stored key definition moved to another byte of the record, and records whose
  // position is none a record can have (0, negative, beyond 32 bits), each on a fresh file.
  const std::string damages[] = {
      "UPDATE records SET k0 = X'627A' WHERE pos = 2",
      "UPDATE recman_definition SET block = substr(block, 1, 16) || X'0200' || "
      "substr(block, 19)",
      "UPDATE records SET pos = 0 WHERE pos = 2", "UPDATE records SET pos = -7 WHERE pos = 2",
      "UPDATE records SET pos = 4294967298 WHERE pos = 2"};
  for (const std::string& damage : damages) {
    SCOPED_TRACE(damage);
    client_.Call(kOpReset);
    ASSERT_EQ(client_.Create(path_, MakeBlock(10, {{{1, 1, 0}}}), 0), 0);
    ASSERT_EQ(client_.Open(path_), 0);
    for (char k : {'a', 'b', 'c'}) ASSERT_EQ(client_.Insert(Rec(k)), 0);
    client_.Call(kOpReset);
    Sql(path_, damage);
    Client reader;
    ASSERT_EQ(reader.Open(path_), 0);
    int16_t status = reader.Get(kOpGetFirst, 0);
    int steps = 0;
    while (status == 0 && steps < 10) {
      status = reader.Step(kOpGetNext);
      ++steps;
    }
    EXPECT_EQ(status, kIoError) << "after " << steps << " steps";
    reader.Close();
  }
}

// Runs `body` in a child process as the user nobody; the child's exit code is the step that
// failed (0: all went well). -1 when there is no such user or privileges cannot be dropped.
template <typename Body>
int AsNobody(Body body) {
  const passwd* nobody = ::getpwnam("nobody");
  if (::geteuid() != 0 || nobody == nullptr) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) ::_exit(99);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) != 99 ? WEXITSTATUS(status) : -1;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

class RecmanPermissions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0 || ::getpwnam("nobody") == nullptr) {
      GTEST_SKIP() << "needs root and the user nobody to try another account's access";
    }
    dir_ = dir_holder_.File("");
    // Others may pass through the directory but not make files in it.
    ::chmod(dir_.c_str(), 0755);
    path_ = dir_ + "f.dat";
  }
  TempDir dir_holder_;
  Client client_;
  std::string dir_;
  std::string path_;
};

TEST_F(RecmanPermissions, ReaderLeavesNothingThatBlocksTheWriter) {
  ::chmod(dir_.c_str(), 0777);
  const std::string path = path_;
  const int failed = AsNobody([&] {
    Client c;
    if (c.Create(path, MakeBlock(10, {{{1, 1, 0}}})) != 0) return 1;
    if (c.Open(path) != 0 || c.Insert(Rec('a')) != 0 || c.Close() != 0) return 2;
    ::chmod(path.c_str(), 0444);
    if (c.Open(path) != 0 || c.Get(kOpGetFirst, 0) != 0 || c.Close() != 0) return 3;
    if (Exists(path + "-wal") || Exists(path + "-shm")) return 4;
    ::chmod(path.c_str(), 0644);
    if (c.Open(path) != 0 || c.Insert(Rec('b')) != 0 || c.Close() != 0) return 5;
    return 0;
  });
  EXPECT_EQ(failed, 0) << "1 create, 2 first insert, 3 read-only read, 4 files left, "
                          "5 insert after the read";
}

TEST_F(RecmanPermissions, WriterRemovesLogFilesAnotherAccountLeft) {
  ::chmod(dir_.c_str(), 0777);
  const std::string path = path_;
  ASSERT_EQ(AsNobody([&] {
              Client c;
              return c.Create(path, MakeBlock(10, {{{1, 1, 0}}})) == 0 ? 0 : 1;
            }),
            0);
  // What a reader of another account that could not tidy up leaves: files we may not write.
  for (const char* suffix : {"-wal", "-shm"}) {
    const std::string leftover = path_ + suffix;
    ::close(::open(leftover.c_str(), O_CREAT | O_WRONLY, 0444));
  }
  const int failed = AsNobody([&] {
    Client c;
    if (c.Open(path) != 0) return 1;
    return c.Insert(Rec('a')) == 0 && c.Close() == 0 ? 0 : 2;
  });
  EXPECT_EQ(failed, 0) << "1 open, 2 insert";
}

TEST_F(RecmanPermissions, ReadOnlyFileOfAnotherUserCanBeRead) {
  ASSERT_EQ(client_.Create(path_, MakeBlock(10, {{{1, 1, 0}}})), 0);
  ASSERT_EQ(client_.Open(path_), 0);
  ASSERT_EQ(client_.Insert(Rec('a')), 0);
  ASSERT_EQ(client_.Close(), 0);
  struct stat data {
  }, lock{};
  ASSERT_EQ(::stat(path_.c_str(), &data), 0);
  ASSERT_EQ(::stat((path_ + ".lck").c_str(), &lock), 0);
  EXPECT_EQ(lock.st_mode & 0777, data.st_mode & 0777);
  const std::string path = path_;
  // First with the lock file in place, then in a directory where none can be made.
  for (bool lock_file : {true, false}) {
    if (!lock_file) ::unlink((path_ + ".lck").c_str());
    const int failed = AsNobody([&] {
      Client c;
      if (c.Open(path) != 0) return 1;
      if (c.Get(kOpGetFirst, 0) != 0 || c.Record() != Rec('a')) return 2;
      if (c.Insert(Rec('b')) == 0) return 3;
      return c.Close() == 0 ? 0 : 4;
    });
    EXPECT_EQ(failed, 0) << "lock file " << lock_file
                         << ": 1 open, 2 read, 3 insert allowed, 4 close";
    EXPECT_FALSE(Exists(path_ + "-shm"));
  }
}

}  // namespace
}  // namespace recman::testing
