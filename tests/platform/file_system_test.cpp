// The host file system and its in-memory twin answer the same calls the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/files.h"
#include "support/memory_file_system.h"
#include "support/temp_dir.h"

namespace zem::platform {
namespace {

// A fresh directory on disk; the current directory comes back afterwards.
struct HostTree {
  ~HostTree() { std::filesystem::current_path(cwd); }
  testing::TempDir dir;
  std::filesystem::path cwd = std::filesystem::current_path();
  HostFileSystem files;
  std::string root = dir.path();
};

struct MemoryTree {
  MemoryTree() { files.MakeDir(root); }
  MemoryFileSystem files;
  std::string root = "/root";
};

template <typename Tree>
class FileSystemTest : public ::testing::Test {
 protected:
  FileSystem& fs() { return tree_.files; }
  std::string At(const std::string& relative) { return tree_.root + "/" + relative; }

  Tree tree_;
};

using Trees = ::testing::Types<HostTree, MemoryTree>;
TYPED_TEST_SUITE(FileSystemTest, Trees);

TYPED_TEST(FileSystemTest, WritesReadsAndAppends) {
  FileSystem& fs = this->fs();
  ASSERT_TRUE(fs.WriteFile(this->At("f.tmp"), "ab"));
  auto out = fs.OpenOutput(this->At("f.tmp"), true);
  ASSERT_TRUE(out);
  EXPECT_TRUE(out->Write("cd"));
  EXPECT_TRUE(out->Close());
  std::string bytes;
  ASSERT_TRUE(fs.ReadFile(this->At("f.tmp"), &bytes));
  EXPECT_EQ(bytes, "abcd");
  ASSERT_TRUE(fs.WriteFile(this->At("f.tmp"), "x"));  // truncates
  ASSERT_TRUE(fs.ReadFile(this->At("f.tmp"), &bytes));
  EXPECT_EQ(bytes, "x");
}

// A file kept open and rewritten holds exactly the last writing after each one, shorter or
// longer than before, also when it held more before it was opened; until the first rewriting
// it keeps what it held.
TYPED_TEST(FileSystemTest, RewritesInPlaceAndCutsToLength) {
  FileSystem& fs = this->fs();
  const std::string path = this->At("merge.tmp");
  ASSERT_TRUE(fs.WriteFile(path, "an older text, longer than the first writing"));
  auto out = fs.OpenRewritten(path);
  ASSERT_TRUE(out);
  std::string bytes;
  ASSERT_TRUE(fs.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "an older text, longer than the first writing");
  for (std::string text : {"first writing", "short", "", "a longer writing than all", "x"}) {
    EXPECT_TRUE(out->Rewrite(text)) << text;
    ASSERT_TRUE(fs.ReadFile(path, &bytes));
    EXPECT_EQ(bytes, text);
  }
  EXPECT_TRUE(out->Close());
  ASSERT_TRUE(fs.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_FALSE(out->Rewrite("after the close"));
  ASSERT_TRUE(fs.ReadFile(path, &bytes));
  EXPECT_EQ(bytes, "x");
  // A missing file is made; a missing directory or a directory cannot be opened.
  auto made = fs.OpenRewritten(this->At("new.tmp"));
  ASSERT_TRUE(made);
  EXPECT_TRUE(fs.Exists(this->At("new.tmp")));
  EXPECT_TRUE(made->Rewrite("made"));
  EXPECT_TRUE(made->Close());
  ASSERT_TRUE(fs.ReadFile(this->At("new.tmp"), &bytes));
  EXPECT_EQ(bytes, "made");
  EXPECT_FALSE(fs.OpenRewritten(this->At("no such dir/merge.tmp")));
  ASSERT_TRUE(fs.MakeDir(this->At("dir")));
  EXPECT_FALSE(fs.OpenRewritten(this->At("dir")));
}

// The suite's names are found in any letter case: rewriting writes over the file that is
// there, whether its name stands as written or in other capitals.
TYPED_TEST(FileSystemTest, RewriteFindsTheFileInAnyLetterCase) {
  FileSystem& fs = this->fs();
  for (const char* written : {"merge.tmp", "MERGE.TMP"}) {
    SCOPED_TRACE(written);
    ASSERT_TRUE(fs.WriteFile(this->At(written), "an older and longer text"));
    auto out = fs.OpenRewritten(this->At("merge.tmp"));
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->Rewrite("new"));
    EXPECT_TRUE(out->Close());
    std::string bytes;
    ASSERT_TRUE(fs.ReadFile(this->At(written), &bytes));
    EXPECT_EQ(bytes, "new");
    ASSERT_TRUE(fs.Remove(this->At(written)));
    EXPECT_FALSE(fs.Exists(this->At("merge.tmp")));
  }
}

// What each call answers for a missing path, a file, an empty and a filled directory.
TYPED_TEST(FileSystemTest, AnswersByKindOfPath) {
  FileSystem& fs = this->fs();
  ASSERT_TRUE(fs.MakeDir(this->At("empty")));
  ASSERT_TRUE(fs.MakeDir(this->At("full")));
  ASSERT_TRUE(fs.WriteFile(this->At("full/f"), "1"));
  struct Case {
    const char* path;
    bool exists, directory, readable, writable, makes_dir;
  } cases[] = {
      {"missing", false, false, false, true, true},   {"full/f", true, false, true, true, false},
      {"empty", true, true, false, false, false},     {"full", true, true, false, false, false},
      {"nodir/x", false, false, false, false, false},
  };
  for (const Case& c : cases) {
    const std::string path = this->At(c.path);
    std::string bytes;
    EXPECT_EQ(fs.Exists(path), c.exists) << c.path;
    EXPECT_EQ(fs.IsDirectory(path), c.directory) << c.path;
    EXPECT_EQ(fs.ReadFile(path, &bytes), c.readable) << c.path;
    EXPECT_EQ(fs.MakeDir(path), c.makes_dir) << c.path;
    if (c.makes_dir) {
      EXPECT_TRUE(fs.Remove(path)) << c.path;
    }
    EXPECT_EQ(fs.OpenOutput(path, true) != nullptr, c.writable) << c.path;  // last: it creates
  }
}

TYPED_TEST(FileSystemTest, RemovesFilesAndEmptyDirectoriesOnly) {
  FileSystem& fs = this->fs();
  ASSERT_TRUE(fs.MakeDir(this->At("d")));
  ASSERT_TRUE(fs.WriteFile(this->At("d/f"), "1"));
  EXPECT_FALSE(fs.Remove(this->At("d")));
  EXPECT_FALSE(fs.Remove(this->At("missing")));
  EXPECT_TRUE(fs.Remove(this->At("d/f")));
  EXPECT_FALSE(fs.Exists(this->At("d/f")));
  EXPECT_TRUE(fs.Remove(this->At("d")));
  EXPECT_FALSE(fs.Exists(this->At("d")));
}

TYPED_TEST(FileSystemTest, FindsSuitePathsCaseInsensitively) {
  FileSystem& fs = this->fs();
  ASSERT_TRUE(fs.MakeDir(this->At("dades")));
  ASSERT_TRUE(fs.WriteFile(this->At("dades/finquesv.dat"), "x"));
  std::string bytes;
  ASSERT_TRUE(fs.ReadFile(this->At("DADES\\FinquesV.dat"), &bytes));
  EXPECT_EQ(bytes, "x");
  // A new file keeps the caller's spelling inside the directory found.
  EXPECT_EQ(fs.HostPath(this->At("Dades\\New.tmp")), fs.HostPath(this->At("dades")) + "/New.tmp");
  ASSERT_TRUE(fs.ChangeDir(this->At("DADES")));
  EXPECT_TRUE(fs.Exists("FINQUESV.DAT"));
  EXPECT_FALSE(fs.ChangeDir(this->At("dades/finquesv.dat")));
}

}  // namespace
}  // namespace zem::platform
