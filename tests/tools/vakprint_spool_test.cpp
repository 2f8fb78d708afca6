// The spooler's run over a work directory: where each device sends the pages, what is kept when
// a printer queue cannot take them, and that a fault leaves the previous output as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/key_script.h"
#include "platform/services.h"
#include "support/fake_services.h"
#include "tools/vakprint/spool/spooler.h"

// Fontconfig keeps its font cache for the life of the process: not a leak of the code tested.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace zem::vakprint {
namespace {

TEST(RouteTest, DeviceChoosesTheOutput) {
  using Kind = Route::Kind;
  const struct {
    const char* device;
    Kind kind;
    const char* queue;
  } cases[] = {
      {"", Kind::kPdfFile, ""},
      {"  ", Kind::kPdfFile, ""},
      {"PDF", Kind::kPdfFile, ""},
      {"pdf ", Kind::kPdfFile, ""},
      {"TXT", Kind::kTextFile, ""},
      {"Pantalla", Kind::kPreview, ""},
      {"LPT1", Kind::kQueue, ""},
      {"lpt3:", Kind::kQueue, ""},
      {"PRN", Kind::kQueue, ""},
      {"LPT4", Kind::kQueue, "LPT4"},
      {" Oficina ", Kind::kQueue, "Oficina"},
  };
  for (const auto& c : cases) {
    Route route = RouteForDevice(c.device);
    EXPECT_EQ(route.kind, c.kind) << "'" << c.device << "'";
    EXPECT_EQ(route.queue, c.queue) << "'" << c.device << "'";
  }
}

// Printer queues that record what they were given and answer as told.
class FakeQueues : public PrintQueues {
 public:
  QueueAnswer Submit(const std::string& queue, const std::string& pdf_path,
                     const std::string& title) override {
    submitted.push_back({queue, pdf_path, title});
    return answer;
  }
  struct Job {
    std::string queue, path, title;
  };
  std::vector<Job> submitted;
  QueueAnswer answer{true, 7, "printer queue \"x\", job 7"};
};

// A disk with room for only so many bytes more.
class SmallDisk : public platform::MemoryFileSystem {
 public:
  std::unique_ptr<platform::OutputFile> OpenOutput(const std::string& path, bool append) override {
    auto file = MemoryFileSystem::OpenOutput(path, append);
    if (!file) return nullptr;
    return std::make_unique<Limited>(std::move(file), &room);
  }
  long room = 0;

 private:
  class Limited : public platform::OutputFile {
   public:
    Limited(std::unique_ptr<platform::OutputFile> file, long* room)
        : file_(std::move(file)), room_(room) {}
    bool Write(std::string_view bytes) override {
      if (static_cast<long>(bytes.size()) > *room_) return false;
      *room_ -= static_cast<long>(bytes.size());
      return file_->Write(bytes);
    }
    bool Close() override { return file_->Close(); }

   private:
    std::unique_ptr<platform::OutputFile> file_;
    long* room_;
  };
};

const char kTwoPages[] = "PAGE 66 \r\n 3 ,one, 1 \r\nPAGE 66 \r\n 1 ,two, 1 \r\n";

class SpoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_.files.MakeDir("/work");
    job_.work_dir = "/work/";
    job_.queues = &queues_;
    job_.paper = PaperNamed("a4");
    job_.open_screen = [](std::string*) { return true; };
  }
  void PrintFile(const std::string& device, const std::string& records) {
    services_.files.AddFile("/work/vakprint.tmp", "DEVICE" + device + "\r\n" + records);
  }
  std::string File(const char* name) {
    return services_.files.Contents(std::string("/work/") + name);
  }
  bool Has(const char* name) { return services_.files.Exists(std::string("/work/") + name); }

  platform::FakeServices services_;
  FakeQueues queues_;
  SpoolJob job_;
};

TEST_F(SpoolTest, EachDeviceSendsThePagesItsWay) {
  const struct {
    const char* device;
    bool text, pdf;
    const char* queue;  // nullptr: nothing submitted
  } cases[] = {
      {"TXT", true, false, nullptr},       {"", false, true, nullptr},
      {"PDF", false, true, nullptr},       {"LPT2", false, true, ""},
      {"Oficina", false, true, "Oficina"},
  };
  for (const auto& c : cases) {
    services_.files.Remove("/work/vakprint.txt");
    services_.files.Remove("/work/vakprint.pdf");
    queues_.submitted.clear();
    PrintFile(c.device, kTwoPages);
    SpoolReport report = Spool(job_);
    EXPECT_EQ(report.exit_code, 0) << c.device << ": " << report.errors;
    EXPECT_EQ(Has("vakprint.txt"), c.text) << c.device;
    EXPECT_EQ(Has("vakprint.pdf"), c.pdf) << c.device;
    if (c.pdf) {
      EXPECT_EQ(File("vakprint.pdf").substr(0, 5), "%PDF-") << c.device;
    }
    ASSERT_EQ(queues_.submitted.size(), c.queue ? 1u : 0u) << c.device;
    if (c.queue) {
      EXPECT_EQ(queues_.submitted[0].queue, c.queue);
      EXPECT_EQ(queues_.submitted[0].path, "/work/vakprint.pdf");
      EXPECT_EQ(queues_.submitted[0].title, "vakprint 2026-12-08, 2 pages");
    }
    EXPECT_FALSE(Has("vakprint.pdf.part") || Has("vakprint.txt.part")) << c.device;
  }
  EXPECT_NE(File("vakprint.pdf").find("%%EOF"), std::string::npos);
}

TEST_F(SpoolTest, QueueThatCannotPrintKeepsThePdf) {
  queues_.answer = QueueAnswer{false, 0, "the print server /run/cups.sock does not answer"};
  PrintFile("Oficina", kTwoPages);
  SpoolReport report = Spool(job_);
  EXPECT_EQ(report.exit_code, 1);
  EXPECT_NE(report.errors.find("does not answer; the 2 pages are kept in /work/vakprint.pdf"),
            std::string::npos)
      << report.errors;
  EXPECT_EQ(File("vakprint.pdf").substr(0, 5), "%PDF-");
}

// A print file at fault or a full disk: exit code 1, the message, and the previous outputs as
// they were, with no temporary file left.
TEST_F(SpoolTest, FaultsLeaveThePreviousOutput) {
  const struct {
    const char* name;
    const char* device;
    std::string records;
    long room;
    const char* message;
  } cases[] = {
      {"BadRecord", "TXT", "PAGE 66 \r\ngarbage\r\n", 1 << 20,
       "/work/vakprint.tmp: line 3: unrecognised record: garbage; nothing printed"},
      {"BadRecordForPdf", "PDF", "PAGE 66 \r\n 1 ,a, x \r\n", 1 << 20, "line 3: text record"},
      {"CutShort", "", "PAGE 66 \r\n 1 ,a", 1 << 20, "line 3: the print file is incomplete"},
      {"FullDiskText", "TXT", kTwoPages, 4, "/work/vakprint.txt: could not be written"},
      {"FullDiskPdf", "PDF", kTwoPages, 3000, "/work/vakprint.pdf: could not be written"},
      {"FullDiskQueue", "LPT1", kTwoPages, 3000, "/work/vakprint.pdf: could not be written"},
  };
  for (const auto& c : cases) {
    SmallDisk disk;
    disk.room = 1 << 20;
    platform::Current().files = &disk;
    disk.MakeDir("/work");
    disk.AddFile("/work/vakprint.txt", "earlier text");
    disk.AddFile("/work/vakprint.pdf", "earlier pdf");
    disk.AddFile("/work/vakprint.tmp", std::string("DEVICE") + c.device + "\r\n" + c.records);
    disk.room = c.room;
    queues_.submitted.clear();
    SpoolReport report = Spool(job_);
    EXPECT_EQ(report.exit_code, 1) << c.name;
    EXPECT_NE(report.errors.find(c.message), std::string::npos) << c.name << ": " << report.errors;
    EXPECT_EQ(disk.Contents("/work/vakprint.txt"), "earlier text") << c.name;
    EXPECT_EQ(disk.Contents("/work/vakprint.pdf"), "earlier pdf") << c.name;
    EXPECT_FALSE(disk.Exists("/work/vakprint.txt.part") || disk.Exists("/work/vakprint.pdf.part"))
        << c.name;
    EXPECT_TRUE(queues_.submitted.empty()) << c.name;
  }
  platform::Current().files = &services_.files;
}

TEST_F(SpoolTest, MissingPrintFileRemovesAnEarlierRunsOutput) {
  services_.files.AddFile("/work/vakprint.txt", "earlier text");
  SpoolReport report = Spool(job_);
  EXPECT_EQ(report.exit_code, 1);
  EXPECT_NE(report.errors.find("/work/vakprint.tmp: cannot read the print file"),
            std::string::npos);
  EXPECT_FALSE(Has("vakprint.txt"));
  services_.files.MakeDir("/work/vakprint.tmp");
  report = Spool(job_);
  EXPECT_NE(report.errors.find("is a directory"), std::string::npos) << report.errors;
}

// The preview through the scripted console: the page shown after each key, then the choice.
TEST_F(SpoolTest, PreviewTurnsPagesAndEndsWithTheChoice) {
  std::string records;
  for (int page = 1; page <= 4; ++page) {
    records += "PAGE 66 \r\n 5 ,Page text " + std::to_string(page) + ", 30 \r\n 90 ,far, 1 \r\n";
  }
  const struct {
    const char* keys;
    const char* top_row;     // the first page row on the screen
    const char* status_row;  // what row 24 tells
    bool pdf;
    size_t submitted;
  } cases[] = {
      {"Enter s", "    Page text 1", " Page 1 of 4   lines 1-23 of 31   columns from 1", true, 0},
      {"PgDn PgDn Esc d", "    Page text 3", " Page 3 of 4", false, 0},
      {"End PgUp PgDn PgDn Enter Esc Home Enter p", "    Page text 1", " Page 1 of 4", true, 1},
      {"PgUp Right Enter D", "", " Page 1 of 4   lines 1-23 of 31   columns from 17", false, 0},
      {"Down Down Down Down Down Down Down Down Down Down Enter S", "",
       " Page 1 of 4   lines 9-31 of 31", true, 0},
  };
  for (const auto& c : cases) {
    services_.files.Remove("/work/vakprint.pdf");
    queues_.submitted.clear();
    PrintFile("PANTALLA", records);
    std::string error;
    ASSERT_TRUE(platform::PushKeyScript(&services_.console, c.keys, &error)) << error;
    SpoolReport report = Spool(job_);
    EXPECT_EQ(report.exit_code, 0) << c.keys << ": " << report.errors;
    EXPECT_EQ(platform::ScreenLine(services_.console, 1), c.top_row) << c.keys;
    EXPECT_EQ(platform::ScreenLine(services_.console, 24).substr(0, strlen(c.status_row)),
              c.status_row)
        << c.keys;
    EXPECT_EQ(platform::ScreenLine(services_.console, 25),
              " P: print on the default printer   S: save as PDF   D: discard")
        << c.keys;
    EXPECT_EQ(Has("vakprint.pdf"), c.pdf) << c.keys;
    EXPECT_EQ(queues_.submitted.size(), c.submitted) << c.keys;
    EXPECT_EQ(services_.console.Pending(), 0u) << c.keys;
  }
}

TEST_F(SpoolTest, PreviewWithoutATerminalSavesThePdf) {
  job_.open_screen = [](std::string* why) {
    *why = "standard input is not a terminal";
    return false;
  };
  PrintFile("PANTALLA", kTwoPages);
  SpoolReport report = Spool(job_);
  EXPECT_EQ(report.exit_code, 0);
  EXPECT_NE(report.errors.find("standard input is not a terminal"), std::string::npos);
  EXPECT_EQ(File("vakprint.pdf").substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace zem::vakprint
