#include "platform/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/fake_services.h"

namespace zem::platform {
namespace {

TEST(SuitePaths, MapToHostSyntax) {
  struct Case {
    const char* suite;
    const char* host;
  } cases[] = {
      {"DADES\\FinquesV", "DADES/FinquesV"},
      {"C:\\VAK\\DADES\\", "/VAK/DADES/"},
      {"C:", "/"},
      {"c:TMP", "/TMP"},
      {"/already/host", "/already/host"},
      {"", ""},
      {"/work/TMP/\\merge.tmp", "/work/TMP/merge.tmp"},
      {"TMP\\\\x", "TMP/x"},
  };
  for (const Case& c : cases) EXPECT_EQ(SuiteToHostSyntax(c.suite), c.host) << c.suite;
}

TEST(MemoryFiles, FindsComponentsCaseInsensitively) {
  MemoryFileSystem fs;
  fs.AddFile("/root/dades/finquesv.dat", "x");
  std::string bytes;
  ASSERT_TRUE(fs.ReadFile("\\ROOT\\DADES\\FinquesV.dat", &bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_EQ(fs.HostPath("\\root\\Dades\\New.tmp"), "/root/dades/New.tmp");
  ASSERT_TRUE(fs.ChangeDir("\\ROOT"));
  EXPECT_TRUE(fs.Exists("DADES\\FINQUESV.DAT"));
}

TEST(MemoryFiles, ExactCaseWinsOverFolding) {
  MemoryFileSystem fs;
  fs.AddFile("/d/Name", "upper");
  fs.AddFile("/d/name", "lower");
  std::string bytes;
  ASSERT_TRUE(fs.ReadFile("/d/name", &bytes));
  EXPECT_EQ(bytes, "lower");
}

TEST(MemoryFiles, OutputAppendsAndRefusesMissingDirectory) {
  MemoryFileSystem fs;
  ASSERT_TRUE(fs.MakeDir("/w"));
  ASSERT_TRUE(fs.WriteFile("\\w\\f.tmp", "ab"));
  auto out = fs.OpenOutput("/W/F.TMP", true);
  ASSERT_TRUE(out);
  out->Write("cd");
  out->Close();
  EXPECT_EQ(fs.Contents("/w/f.tmp"), "abcd");
  EXPECT_EQ(fs.OpenOutput("/nodir/x", false), nullptr);
  EXPECT_TRUE(fs.Remove("/w/f.tmp"));
  EXPECT_FALSE(fs.Exists("/w/f.tmp"));
}

TEST(HostFiles, ResolvesCaseOnDisk) {
  namespace stdfs = std::filesystem;
  stdfs::path dir = stdfs::temp_directory_path() / ("zem_files_" + std::to_string(getpid()));
  stdfs::create_directories(dir / "dades");
  std::ofstream(dir / "dades" / "textos.dat") << "t";
  HostFileSystem fs;
  std::string bytes;
  EXPECT_TRUE(fs.ReadFile(dir.string() + "\\DADES\\Textos.dat", &bytes));
  EXPECT_EQ(bytes, "t");
  stdfs::remove_all(dir);
}

// A rewritten file holds exactly the last writing also when it grows past what one mapping
// covers, and when another process cut it between two rewritings (the bytes the writer
// believed the file had are gone: the copy into them faults and the writer writes instead).
TEST(HostFiles, RewrittenFileSurvivesGrowthAndAnOutsideCut) {
  namespace stdfs = std::filesystem;
  stdfs::path dir = stdfs::temp_directory_path() / ("zem_rewrite_" + std::to_string(getpid()));
  stdfs::create_directories(dir);
  const std::string path = (dir / "merge.tmp").string();
  HostFileSystem fs;
  auto out = fs.OpenRewritten(path);
  ASSERT_TRUE(out);
  struct Step {
    size_t length;
    char fill;
    size_t cut_before;  // the file's length another process leaves, or SIZE_MAX
  };
  const Step steps[] = {{3000, 'a', SIZE_MAX}, {2000, 'b', SIZE_MAX}, {200000, 'c', SIZE_MAX},
                        {150000, 'd', 0},      {150000, 'e', 4096},   {70000, 'f', SIZE_MAX},
                        {100, 'g', SIZE_MAX},  {5000, 'h', 10}};
  for (const Step& step : steps) {
    if (step.cut_before != SIZE_MAX) stdfs::resize_file(path, step.cut_before);
    std::string text(step.length, step.fill);
    text.front() = '<';
    text.back() = '>';
    ASSERT_TRUE(out->Rewrite(text)) << step.fill;
    std::string bytes;
    ASSERT_TRUE(fs.ReadFile(path, &bytes));
    EXPECT_TRUE(bytes == text) << step.fill << ": " << bytes.size() << " bytes";
  }
  EXPECT_TRUE(out->Close());
  stdfs::remove_all(dir);
}

// A rewrite that the disk cannot take fails and says why, in the system's words.
TEST(HostFiles, RewriteOntoAFullDiskFailsWithTheReason) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  HostFileSystem fs;
  auto out = fs.OpenRewritten("/dev/full");
  ASSERT_TRUE(out);
  EXPECT_FALSE(out->Rewrite("a letter's merge data"));
  EXPECT_NE(out->LastError().find("No space"), std::string::npos) << out->LastError();
}

TEST(TextReader, FollowsSuiteLineRules) {
  TextReader reader(
      "a\r\nb\nc\rd\r\r\n\x1a"
      "ignored");
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b\nc", "d", ""}));
}

// One item reader serves the screen form file and the message catalogue.
TEST(TextReader, ReadsItems) {
  TextReader reader(
      "  plain  ,\"a, \r\nquoted\" ignored,x\ty\nz\r\n"
      "last\r\n\"open");
  std::vector<std::string> items;
  std::string item;
  TextReader::Item result;
  while ((result = reader.ReadTextItem(&item)) == TextReader::Item::kRead) items.push_back(item);
  EXPECT_EQ(items, (std::vector<std::string>{"plain  ", "a, \r\nquoted", "xyz", "last"}));
  EXPECT_EQ(result, TextReader::Item::kUnclosedQuote);
  EXPECT_EQ(item, "open");
  EXPECT_EQ(reader.ReadTextItem(&item), TextReader::Item::kEnd);
}

// The line number is right whether it is asked after every item or only now and then, and a
// quoted item spanning lines counts the line ends inside it.
TEST(TextReader, LineNumberFollowsTheReadPosition) {
  const std::string text = "a,b\r\n\"c\r\nd\",e\r\n\r\nf\rg";
  const std::vector<int> expected_before_item = {1, 1, 2, 3, 4, 5, 6};
  for (int ask_every : {1, 2, 3}) {
    TextReader reader(text);
    std::string item;
    for (size_t i = 0; i < expected_before_item.size(); ++i) {
      if (i % ask_every == 0) {
        EXPECT_EQ(reader.LineNumber(), expected_before_item[i]) << i;
      }
      ASSERT_EQ(reader.ReadTextItem(&item), TextReader::Item::kRead) << i;
    }
    EXPECT_EQ(reader.LineNumber(), 6);
  }
}

TEST(TextReader, ReadsNumberItemsAndSkipsComments) {
  TextReader reader(
      "' a comment\r\n  ' another\r\n 12, -3 ,x7\r\n99999999999\r\n4 5\r\n\x1a"
      "9");
  EXPECT_TRUE(reader.SkipCommentLines());
  EXPECT_EQ(reader.LineNumber(), 3);
  std::vector<int32_t> numbers;
  int32_t n;
  while (reader.ReadNumberItem(&n) == TextReader::Item::kRead) numbers.push_back(n);
  EXPECT_EQ(numbers, (std::vector<int32_t>{12, -3, 0, INT32_MAX, 4, 5}));
  EXPECT_FALSE(reader.SkipCommentLines());
}

}  // namespace
}  // namespace zem::platform
