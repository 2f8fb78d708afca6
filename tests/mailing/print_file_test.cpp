#include "mailing/print_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/leading_number.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"
#include "support/fake_services.h"

namespace zem {
namespace {

class PrintFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Session().WorkDir = "C:\\TMP\\";
    services_.files.MakeDir("/TMP");
  }
  void TearDown() override { ResetProgramState(); }
  std::string Written() { return services_.files.Contents("/TMP/vakprint.tmp"); }

  platform::FakeServices services_;
};

TEST_F(PrintFileTest, OpenWritesTheDeviceRecordInTheWorkDirectory) {
  ASSERT_TRUE(OpenPrintFile("LPT1"));
  EXPECT_TRUE(ClosePrintFile());
  EXPECT_EQ(Written(), "DEVICELPT1\r\n");
  EXPECT_FALSE(ClosePrintFile());  // nothing open any more
}

TEST_F(PrintFileTest, OpenFailsWhenTheWorkDirectoryIsMissing) {
  Session().WorkDir = "C:\\NOWHERE\\";
  EXPECT_FALSE(OpenPrintFile("LPT1"));
  PrintText(1, "dropped", 1);
  EXPECT_FALSE(ClosePrintFile());
  EXPECT_TRUE(services_.files.FileNames().empty());
}

// The print file of an in-memory file system that takes only `room` bytes: a write that would
// go beyond fails, and so does every write after it.
class ShortFiles : public platform::MemoryFileSystem {
 public:
  explicit ShortFiles(size_t room) : room_(room) {}
  std::unique_ptr<platform::OutputFile> OpenOutput(const std::string& path, bool append) override {
    auto file = MemoryFileSystem::OpenOutput(path, append);
    if (!file) return file;
    return std::make_unique<ShortFile>(std::move(file), room_);
  }

 private:
  class ShortFile : public platform::OutputFile {
   public:
    ShortFile(std::unique_ptr<platform::OutputFile> file, size_t room)
        : file_(std::move(file)), room_(room) {}
    bool Write(std::string_view bytes) override {
      if (failed_ || bytes.size() > room_) failed_ = true;
      if (failed_) return false;
      room_ -= bytes.size();
      return file_->Write(bytes);
    }
    bool Close() override { return file_->Close(); }

   private:
    std::unique_ptr<platform::OutputFile> file_;
    size_t room_;
    bool failed_ = false;
  };
  size_t room_;
};

// Records reach the file whole and in order however many are written (they go in blocks of
// many), and a record that does not reach it, in the first block, a later one or the last,
// makes the close fail.
TEST_F(PrintFileTest, EveryRecordArrivesOrTheCloseFails) {
  const struct {
    size_t room;
    int records;
    bool complete;
  } cases[] = {
      {SIZE_MAX, 1, true},  {SIZE_MAX, 5000, true}, {0, 1, false},        {50000, 10, true},
      {50000, 5000, false}, {80000, 5000, false},   {200000, 5000, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.room << " bytes, " << c.records << " records");
    ShortFiles files(c.room);
    files.MakeDir("/TMP");
    platform::Current().files = &files;
    std::string expected = "DEVICELPT1\r\nPAGE 30000 \r\n";
    ASSERT_TRUE(OpenPrintFile("LPT1"));
    BeginPage(30000);
    for (int i = 0; i < c.records; ++i) {
      const std::string text = "line " + std::to_string(i);
      PrintText(2, text, 1);
      expected += " 2 ," + text + ", 1 \r\n";
    }
    EXPECT_EQ(ClosePrintFile(), c.complete);
    if (c.complete) {
      EXPECT_EQ(files.Contents("/TMP/vakprint.tmp"), expected);
    }
    platform::Current().files = &services_.files;
  }
}

TEST_F(PrintFileTest, OpenReplacesAnEarlierFile) {
  services_.files.AddFile("/TMP/vakprint.tmp", "old contents\r\n");
  ASSERT_TRUE(OpenPrintFile(""));
  ClosePrintFile();
  EXPECT_EQ(Written(), "DEVICE\r\n");
}

TEST_F(PrintFileTest, RecordsAreLaidOutByteForByte) {
  struct Case {
    const char* name;
    void (*write)();
    const char* record;
  };
  const std::vector<Case> cases = {
      {"page", [] { BeginPage(66); }, "PAGE 66 "},
      {"negative page", [] { BeginPage(-3); }, "PAGE-3 "},
      {"command", [] { PrintCommand("@e"); }, "*@e"},
      {"text", [] { PrintText(5, "Hello", 1); }, " 5 ,Hello, 1 "},
      {"commas kept", [] { PrintText(0, "a,b", 0); }, " 0 ,a,b, 0 "},
      {"tab and 255 blanked",
       [] {
         PrintText(3,
                   "a\tb\xff"
                   "c\x7f",
                   2);
       },
       " 3 ,a b c , 2 "},
      {"control bytes blanked", [] { PrintText(0, "\x01\x10x\x1f", 0); }, " 0 ,  x , 0 "},
      {"negative line ends", [] { PrintText(0, "", -4); }, " 0 ,,-4 "},
      {"widest numbers", [] { PrintText(INT32_MAX, "", INT32_MIN); }, " 2147483647 ,,-2147483648 "},
      {"one digit and two", [] { PrintText(9, "", 10); }, " 9 ,, 10 "},
      {"minus one", [] { PrintText(-1, "", 0); }, "-1 ,, 0 "},
  };
  for (const Case& c : cases) {
    ResetPrinting();
    ASSERT_TRUE(OpenPrintFile("D"));
    BeginPage(10);
    c.write();
    ClosePrintFile();
    EXPECT_EQ(Written(), std::string("DEVICED\r\nPAGE 10 \r\n") + c.record + "\r\n") << c.name;
  }
}

// Records longer than the block the pending records are gathered in arrive whole and in
// order, between short ones.
TEST_F(PrintFileTest, RecordsLongerThanABlockArriveWhole) {
  ASSERT_TRUE(OpenPrintFile("D"));
  BeginPage(30000);
  std::string expected = "DEVICED\r\nPAGE 30000 \r\n";
  for (size_t size : {10u, 70000u, 3u, 200000u, 65530u, 1u}) {
    const std::string text(size, static_cast<char>('a' + size % 26));
    PrintText(1, text, 1);
    PrintCommand("b");
    expected += " 1 ," + text + ", 1 \r\n*b\r\n";
  }
  ASSERT_TRUE(ClosePrintFile());
  EXPECT_EQ(Written(), expected);
}

TEST_F(PrintFileTest, CallersTextIsNotChanged) {
  OpenPrintFile("");
  BeginPage(66);
  std::string text = "x\ty";
  PrintText(1, text, 0);
  EXPECT_EQ(text, "x\ty");
}

TEST_F(PrintFileTest, TextBeforeAnyPageBeginsAPageOfZeroLines) {
  OpenPrintFile("");
  PrintText(1, "A", 0);
  PrintText(0, "B", 0);
  ClosePrintFile();
  // Line 0 is never below page length 0, so every text record gets a page record of its own.
  EXPECT_EQ(Written(), "DEVICE\r\nPAGE 0 \r\n 1 ,A, 0 \r\nPAGE 0 \r\n 0 ,B, 0 \r\n");
}

TEST_F(PrintFileTest, FullPageBeginsANewPageOfTheSameLength) {
  OpenPrintFile("");
  BeginPage(2);
  PrintText(0, "1", 1);
  PrintText(0, "2", 1);
  EXPECT_EQ(Printing().CurrentLine, 2);
  PrintText(0, "3", 1);
  ClosePrintFile();
  EXPECT_EQ(Written(), "DEVICE\r\nPAGE 2 \r\n 0 ,1, 1 \r\n 0 ,2, 1 \r\nPAGE 2 \r\n 0 ,3, 1 \r\n");
  EXPECT_EQ(Printing().CurrentLine, 1);
}

TEST_F(PrintFileTest, LineAndColumnBookkeeping) {
  struct Step {
    int column;
    const char* text;
    int line_ends;
    int line;
    int current_column;
  };
  const std::vector<Step> steps = {
      {12, "ABC", 0, 0, 15}, {0, "DE", 0, 0, 17}, {0, "", 2, 2, 0},  {40, "", 0, 2, 40},
      {0, "\t", 0, 2, 41},   {3, "xy", 3, 5, 0},  {0, "", -2, 3, 0}, {0, "", 0, 3, 0},
  };
  OpenPrintFile("");
  BeginPage(66);
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    PrintText(s.column, s.text, s.line_ends);
    EXPECT_EQ(Printing().CurrentLine, s.line) << "step " << i;
    EXPECT_EQ(Printing().CurrentColumn, s.current_column) << "step " << i;
  }
  BeginPage(30);
  EXPECT_EQ(Printing().CurrentLine, 0);
  EXPECT_EQ(Printing().CurrentColumn, 0);
  EXPECT_EQ(Printing().PageLength, 30);
}

TEST_F(PrintFileTest, OpeningKeepsTheLineBookkeeping) {
  OpenPrintFile("");
  BeginPage(20);
  PrintText(0, "", 4);
  ClosePrintFile();
  OpenPrintFile("");
  EXPECT_EQ(Printing().CurrentLine, 4);
  EXPECT_EQ(Printing().PageLength, 20);
}

TEST_F(PrintFileTest, JustificationCodes) {
  struct Case {
    const char* code;
    const char* record;
  };
  const std::vector<Case> cases = {
      {"C", "JUSC"},
      {"c", "JUSC"},
      {"D", "JUSD"},
      {" r", "JUSD"},
      {"A", "JUSA"},
      {"b ", "JUSA"},
      {"E", "JUSE"},
      {"I", "JUSE"},
      {"L", "JUSE"},
      {"", "JUSE"},
      {"   ", "JUSE"},
      {"x", "JUSE"},
      {"N 96 \\-\\", "JUSN 96 \\-\\"},
      {"  n-96 \\-\\ ", "JUSN 96 \\-\\"},
      {"N 12 \\ab\\cd", "JUSN 12 \\ab\\"},
      {"N", "JUSN 0 "},
      {"N 7 \\open", "JUSN 7 \\open"},
  };
  for (const Case& c : cases) {
    ResetPrinting();
    OpenPrintFile("");
    SetJustification(c.code);
    ClosePrintFile();
    EXPECT_EQ(Written(), std::string("DEVICE\r\n") + c.record + "\r\n")
        << "code '" << c.code << "'";
  }
}

TEST_F(PrintFileTest, NothingOpenMeansNothingWrittenAndNoCrash) {
  PrintCommand("@");
  BeginPage(66);
  PrintText(1, "lost", 1);
  SetJustification("D");
  EXPECT_FALSE(services_.files.Exists("/TMP/vakprint.tmp"));
  EXPECT_EQ(Printing().CurrentLine, 1);  // the bookkeeping still follows the calls
}

TEST(LeadingNumberTest, ReadsTheNumberATextBeginsWith) {
  struct Case {
    const char* text;
    int value;
  };
  const std::vector<Case> cases = {
      {"66", 66}, {"  12abc", 12}, {"-05", -5},         {"+7", 7},          {"", 0},   {"x12", 0},
      {"-", 0},   {"005", 5},      {"99999999", 32767}, {"-99999", -32768}, {" 0", 0}, {"1 2", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.value) << "'" << c.text << "'";
}

}  // namespace
}  // namespace zem
