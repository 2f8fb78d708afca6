// Golden runs on the sample installation (scripts/make_sample.sh into a temporary root): the
// print file of each run is compared byte for byte with the checked-in expected file under
// tests/golden/, and so is its rendering by the stand-in spooler. The date is the sample
// session's (8 December 2026), never today's.
//
// After a deliberate change, ZEM_UPDATE_GOLDEN=1 rewrites the expected files; read the .txt
// renderings line by line before checking them in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/services.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "storage/record_ops.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class GoldenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new fs::path(fs::temp_directory_path() / ("zem_golden_" + std::to_string(::getpid())));
    fs::remove_all(*root_);
    const std::string command = "bash " + std::string(ZEM_SOURCE_DIR) + "/scripts/make_sample.sh " +
                                ZEM_BINARY_DIR + " " + root_->string() + " >/dev/null";
    built_ = std::system(command.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
    root_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(built_) << "scripts/make_sample.sh failed (is vakdata built?)";
    const std::string base = root_->string() + "/";
    env_.Set("VAKROOT", base);
    env_.Set("VAKEXE", base + "EXE/");
    env_.Set("VAKTMP", base + "TMP/");
    saved_ = platform::Current();
    installed_ = true;
    platform::Current() =
        platform::Services{&env_, &clock_, &files_, &console_, &processes_, &records_};
    ResetMailingState();
    LoadSession();
    LoadLetterhead();
    for (auto [id, name, area] : {std::tuple{kTextsFileId, "DADES\\Textos", &texts_},
                                  std::tuple{kPropertiesFileId, "DADES\\FinquesV", &properties_},
                                  std::tuple{kUnitsFileId, "DADES\\DepartaV", &units_},
                                  std::tuple{kReceiptsFileId, "DADES\\CobramV", &receipts_}}) {
      ASSERT_EQ(OpenDataFile(id, Session().RootDir + name, area), 0) << name;
    }
    // The parameter screen's defaults.
    MailingParameters& p = Mailing();
    p.LetterDate = Session().SessionDate;
    p.FirstCode = PackCode("1.0");
    p.LastCode = PackCode("999.999");
  }

  void TearDown() override {
    // A set-up that stopped before installing the sample's services has nothing to undo.
    if (!installed_) return;
    ResetRecordManager();
    ResetFileTable();
    ResetPrinting();
    platform::Current() = saved_;
  }

  // Runs once and compares the print file and its rendering with tests/golden/<name>.tmp/.txt.
  void RunAndCompare(const std::string& name) {
    RunOneMailing();
    ASSERT_EQ(processes_.calls.size(), 1u);
    EXPECT_EQ(processes_.calls[0].program, root_->string() + "/EXE/VAKPRINT");
    const std::string print = ReadAll(files_.HostPath(Session().WorkDir + "vakprint.tmp"));
    vakprint::PrintRendering rendering = vakprint::RenderPrintFile(print);
    ASSERT_TRUE(rendering.ok) << rendering.error << " at line " << rendering.error_line;
    const fs::path golden = fs::path(ZEM_SOURCE_DIR) / "tests" / "golden";
    if (std::getenv("ZEM_UPDATE_GOLDEN")) {
      std::ofstream(golden / (name + ".tmp"), std::ios::binary) << print;
      std::ofstream(golden / (name + ".txt"), std::ios::binary) << rendering.text;
    }
    EXPECT_TRUE(print == ReadAll(golden / (name + ".tmp")))
        << "print file differs from tests/golden/" << name << ".tmp";
    EXPECT_TRUE(rendering.text == ReadAll(golden / (name + ".txt")))
        << "rendering differs from tests/golden/" << name << ".txt";
  }

  static fs::path* root_;
  static bool built_;
  platform::MapEnvironment env_;
  platform::FakeClock clock_{{2026, 12, 8}};
  platform::HostFileSystem files_;
  platform::MemoryConsole console_;
  platform::RecordingProcessRunner processes_;
  platform::LibraryRecordManager records_{&files_};
  platform::Services saved_;
  bool installed_ = false;
  std::string texts_, properties_, units_, receipts_;
};

fs::path* GoldenTest::root_ = nullptr;
bool GoldenTest::built_ = false;

// Every template of the sample has its record in the texts file (code, key 0).
TEST_F(GoldenTest, TextsFileListsEveryTemplate) {
  int templates = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(ZEM_SOURCE_DIR) / "sample" / "TEXTOS")) {
    std::string code = entry.path().stem().string();
    code.resize(8, ' ');
    EXPECT_EQ(FindByKey(kTextsFileId, 0, code, 0), 0) << code;
    EXPECT_EQ(RecordArea(kTextsFileId).substr(0, 8), code);
    ++templates;
  }
  EXPECT_GE(templates, 3);
}

TEST_F(GoldenTest, AllUnitsLettersInCatalan) {
  Mailing().TemplateName = "RECCAT";
  RunAndCompare("letters_cat");
}

TEST_F(GoldenTest, ReturnedReceiptsOfProperties2To5InSpanish) {
  Session().Language = "SPA";
  Mailing().TemplateName = "RECCAS";
  Mailing().FirstCode = PackCode("2.0");
  Mailing().LastCode = PackCode("5.999");
  Mailing().StateSelector = "D";
  RunAndCompare("letters_spa_returned");
}

TEST_F(GoldenTest, LabelsWithNineLines) {
  Mailing().OutputKind = "E";
  RunAndCompare("labels_9");
}

TEST_F(GoldenTest, LabelsWithThreeLines) {
  Mailing().OutputKind = "E";
  Mailing().LinesPerLabel = 3;
  Mailing().LabelWidth = 40;
  Mailing().LabelsPerPage = 10;
  RunAndCompare("labels_3");
}

// The installed spooler (EXE/VAKPRINT, the vakprint program) really runs after the run, finds
// the work directory from VAKTMP and writes the pages the golden rendering shows (the device
// "TXT" asks it for plain text; the sample's printer port would go to the printer queue).
TEST_F(GoldenTest, InstalledSpoolerPrintsTheRun) {
  const std::string spooler = root_->string() + "/EXE/VAKPRINT";
  ASSERT_TRUE(fs::exists(spooler)) << "vakprint was not built before make_sample.sh ran";
  platform::HostProcessRunner runner;
  platform::Current().processes = &runner;
  ASSERT_EQ(::setenv("VAKTMP", env_.Get("VAKTMP").c_str(), 1), 0);  // the child's environment
  Mailing().OutputKind = "E";
  Mailing().LinesPerLabel = 3;
  Mailing().LabelWidth = 40;
  Mailing().LabelsPerPage = 10;
  Session().OutputDevice = "TXT";
  const fs::path printed = files_.HostPath(Session().WorkDir + "vakprint.txt");
  fs::remove(printed);
  EXPECT_TRUE(RunOneMailing());
  ::unsetenv("VAKTMP");
  EXPECT_EQ(ReadAll(printed),
            ReadAll(fs::path(ZEM_SOURCE_DIR) / "tests" / "golden" / "labels_3.txt"));
}

}  // namespace
}  // namespace zem
