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
#include <memory>
#include <sstream>
#include <string>

#include "format/dates.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "platform/services.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"
#include "support/sample_installation.h"
#include "support/sample_root.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

class GoldenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { root_ = new testing::SampleRoot("zem_golden"); }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(root_->built()) << "scripts/make_sample.sh failed (is vakdata built?)";
    installation_ = std::make_unique<testing::SampleInstallation>(root_->path().string());
    ASSERT_EQ(installation_->problem(), "");
  }
  void TearDown() override { installation_.reset(); }

  // Runs once and compares the print file and its rendering with tests/golden/<name>.tmp/.txt.
  void RunAndCompare(const std::string& name) {
    RunOneMailing();
    const auto& calls = installation_->processes.calls;
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].program, root_->path().string() + "/EXE/VAKPRINT");
    const std::string print = ReadAll(installation_->PrintFile());
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

  static testing::SampleRoot* root_;
  std::unique_ptr<testing::SampleInstallation> installation_;
};

testing::SampleRoot* GoldenTest::root_ = nullptr;

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
  const std::string spooler = root_->path().string() + "/EXE/VAKPRINT";
  ASSERT_TRUE(fs::exists(spooler)) << "vakprint was not built before make_sample.sh ran";
  platform::Current().processes = &installation_->host.processes;
  // The child reads the work directory from the real environment.
  ASSERT_EQ(::setenv("VAKTMP", installation_->env.Get("VAKTMP").c_str(), 1), 0);
  Mailing().OutputKind = "E";
  Mailing().LinesPerLabel = 3;
  Mailing().LabelWidth = 40;
  Mailing().LabelsPerPage = 10;
  Session().OutputDevice = "TXT";
  const fs::path printed = platform::Files().HostPath(Session().WorkDir + "vakprint.txt");
  fs::remove(printed);
  EXPECT_TRUE(RunOneMailing());
  ::unsetenv("VAKTMP");
  EXPECT_EQ(ReadAll(printed),
            ReadAll(fs::path(ZEM_SOURCE_DIR) / "tests" / "golden" / "labels_3.txt"));
}

}  // namespace
}  // namespace zem
