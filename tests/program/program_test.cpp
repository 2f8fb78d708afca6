// The whole program on the sample installation, operated from its screens through a scripted
// console: start, the parameter screen, pick lists, the confirmation, the run, the spooler and
// Esc. Print files are compared with the checked-in expected files under tests/golden/, and so
// is their rendering by the stand-in spooler.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/key_script.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "program/main_sequence.h"
#include "startup/session.h"
#include "support/fake_clock.h"
#include "support/map_environment.h"
#include "support/sample_root.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem {
namespace {

namespace fs = std::filesystem;

using testing::ReadAll;

// An operator who reads the screen before typing on: the script is given in stages separated
// by "|", and a stage arrives only once the program has taken every key of the one before and
// looks for more. Discarding pending input (as a message does before it waits) drops only
// what has arrived. Every beep keeps a picture of the screen.
class OperatorConsole : public platform::MemoryConsole {
 public:
  void Script(const std::string& script) {
    std::stringstream in(script);
    std::string stage;
    while (std::getline(in, stage, '|')) {
      std::vector<platform::InputEvent> events;
      std::string error;
      EXPECT_TRUE(platform::ParseKeyScript(stage, &events, &error)) << error;
      stages_.push_back(events);
    }
  }
  bool PollEvent(platform::InputEvent* event) override {
    if (Pending() == 0 && next_stage_ < stages_.size()) {
      for (const auto& e : stages_[next_stage_]) Push(e);
      ++next_stage_;
    }
    return MemoryConsole::PollEvent(event);
  }
  void Beep() override {
    MemoryConsole::Beep();
    beep_screens.push_back(platform::DumpScreen(*this));
  }
  bool ScriptDone() const { return next_stage_ == stages_.size() && Pending() == 0; }
  std::vector<std::string> beep_screens;

 private:
  std::vector<std::vector<platform::InputEvent>> stages_;
  size_t next_stage_ = 0;
};

// The spooler's stand-in: records the print file and the screen at the time of each run.
class SpoolerProbe : public platform::ProcessRunner {
 public:
  SpoolerProbe(platform::FileSystem* files, platform::Console* console)
      : files_(files), console_(console) {}
  int Run(const std::string& program, const std::vector<std::string>&) override {
    programs.push_back(program);
    prints.push_back(ReadAll(files_->HostPath(Session().WorkDir + "vakprint.tmp")));
    screens.push_back(platform::DumpScreen(*console_));
    return 0;
  }
  std::vector<std::string> programs, prints, screens;

 private:
  platform::FileSystem* files_;
  platform::Console* console_;
};

class ProgramTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { root_ = new testing::SampleRoot("zem_program"); }
  static void TearDownTestSuite() {
    delete root_;
    root_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(root_->built()) << "scripts/make_sample.sh failed (are vakdata and vakhelp built?)";
    const std::string base = root_->path().string() + "/";
    env_.Set("VAKROOT", base);
    env_.Set("VAKEXE", base + "EXE/");
    env_.Set("VAKTMP", base + "TMP/");
    console_.set_empty_poll_limit(20000);
    saved_ = platform::Current();
    platform::Current() =
        platform::Services{&env_, &clock_, &files_, &console_, &spooler_, &records_};
    ResetProgramState();
    original_dir_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(original_dir_);
    ResetProgramState();
    platform::Current() = saved_;
  }

  void SetLanguage(const std::string& language) {
    const fs::path terminal = root_->path() / "TMP" / "NeraTerm.ini";
    std::string text = ReadAll(terminal);
    const size_t at = text.find("Idioma=");
    text.replace(at + 7, 3, language);
    std::ofstream(terminal, std::ios::binary) << text;
  }

  // Runs the program with the operator's script; the exit code.
  int Run(const std::string& script) {
    console_.Script(script);
    const int code = RunProgram();
    EXPECT_TRUE(console_.ScriptDone()) << "the program ended before the script";
    return code;
  }

  // The print file of run n against tests/golden/<name>.tmp, and its rendering.
  void ExpectPrinted(size_t n, const std::string& name) {
    ASSERT_GT(spooler_.prints.size(), n);
    const fs::path golden = fs::path(ZEM_SOURCE_DIR) / "tests" / "golden";
    vakprint::PrintRendering rendering = vakprint::RenderPrintFile(spooler_.prints[n]);
    ASSERT_TRUE(rendering.ok) << rendering.error;
    if (std::getenv("ZEM_UPDATE_GOLDEN")) {
      std::ofstream(golden / (name + ".tmp"), std::ios::binary) << spooler_.prints[n];
      std::ofstream(golden / (name + ".txt"), std::ios::binary) << rendering.text;
    }
    EXPECT_TRUE(spooler_.prints[n] == ReadAll(golden / (name + ".tmp")))
        << "print file differs from tests/golden/" << name << ".tmp";
    EXPECT_TRUE(rendering.text == ReadAll(golden / (name + ".txt")))
        << "rendering differs from tests/golden/" << name << ".txt";
  }

  static testing::SampleRoot* root_;
  platform::MapEnvironment env_;
  platform::FakeClock clock_{{2026, 12, 8}};
  platform::HostFileSystem files_;
  OperatorConsole console_;
  SpoolerProbe spooler_{&files_, &console_};
  platform::LibraryRecordManager records_{&files_};
  platform::Services saved_;
  fs::path original_dir_;
};

testing::SampleRoot* ProgramTest::root_ = nullptr;

// Field 2 through its pick list: F4, the filter screen takes the group, the second line of the
// list is the Catalan reminder. Every other field keeps its default; "S" confirms.
constexpr const char* kPickCatalanLetter = R"(
  Enter                       # 1 date: the session's
  F4 | "CARTES" Enter | Down Enter   # 2 template: RECCAT from the pick list
  Enter Enter Enter Enter     # 3-6 properties 1 to 999, units 0 to 999
  Enter Enter Enter Enter Enter   # 7-11 state T, 1 to 99 receipts, totals
  Enter Enter Enter Enter     # 12-15 letters; label settings
  | "S" Enter                 # the confirmation
)";
// On the parameter screen again: leave.
constexpr const char* kLeave = " | Esc";

TEST_F(ProgramTest, LettersFromTheScreensMatchTheGoldenRun) {
  EXPECT_EQ(Run(std::string(kPickCatalanLetter) + kLeave), 0);
  ASSERT_EQ(spooler_.programs.size(), 1u);
  EXPECT_EQ(spooler_.programs[0], root_->path().string() + "/EXE/VAKPRINT");
  ExpectPrinted(0, "letters_cat");
}

// The bytes of every data file of the installation.
std::string DataFileBytes(const fs::path& root) {
  std::string all;
  for (const auto& entry : fs::directory_iterator(root / "DADES")) {
    if (entry.path().extension() == ".dat") all += entry.path().string() + ReadAll(entry.path());
  }
  return all;
}

// Labels of property 3 alone, an odd number of them: the last row holds one label.
constexpr const char* kLabelsOfProperty3 = R"(
  Enter Enter Ctrl+Y "3" Enter Enter Ctrl+Y "3" Enter Enter
  Enter Enter Enter Enter Enter E Enter Enter Enter Enter
  | "S" Enter
)";

// The program reads the suite's data files and never writes them, letters or labels.
TEST_F(ProgramTest, RunsPrintWithoutChangingTheDataFiles) {
  const std::string before = DataFileBytes(root_->path());
  EXPECT_EQ(Run(std::string(kPickCatalanLetter) + " | " + kLabelsOfProperty3 + kLeave), 0);
  ASSERT_EQ(spooler_.prints.size(), 2u);
  ExpectPrinted(1, "labels_property_3");
  EXPECT_EQ(DataFileBytes(root_->path()), before);
}

// Refused parameters bring the parameter screen back without a run: crossed property ranges
// silently, an odd number of labels a page with the message.
TEST_F(ProgramTest, RefusedParametersComeBackToTheScreen) {
  EXPECT_EQ(Run(R"(
    Enter Enter Ctrl+Y "5" Enter Enter Ctrl+Y "2" Enter Enter
    Enter Enter Enter Enter Enter Enter Enter Enter Ctrl+Y "15" Enter
    | Enter | Esc
  )"),
            0);
  EXPECT_TRUE(spooler_.prints.empty());
  ASSERT_EQ(console_.beep_screens.size(), 1u) << "only the labels-per-page message beeps";
  EXPECT_NE(console_.beep_screens[0].find("LES ETIQUETES PER PÀGINA HAN DE SER DIVISIBLES PER 2"),
            std::string::npos)
      << console_.beep_screens[0];
}

// In Spanish the screens, the choices and the messages are the catalogue's.
TEST_F(ProgramTest, SpanishScreensAndMessages) {
  SetLanguage("SPA");
  EXPECT_EQ(Run(R"(
    Enter Enter Ctrl+Y "3" Enter Enter Ctrl+Y "3" Enter Enter
    Enter Enter Enter Enter Enter E Enter Enter Enter Ctrl+Y "7" Enter | Enter
    | Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter Enter
      Ctrl+Y "16" Enter
    | "S" Enter | Esc
  )"),
            0);
  SetLanguage("CAT");
  ASSERT_EQ(console_.beep_screens.size(), 1u);
  const std::string& message = console_.beep_screens[0];
  for (const char* text :
       {"LAS ETIQUETAS POR PÁGINA DEBEN SER DIVISIBLES POR 2", "Fecha de las cartas",
        "Salida ...................: Etiquetas", "Etiquetas por página .....:  7"}) {
    EXPECT_NE(message.find(text), std::string::npos) << text << "\n" << message;
  }
  ExpectPrinted(0, "labels_property_3");
}

// A screen form the program cannot use ends it with exit code 255 after a message that names
// the file; the message is kept for standard error.
TEST_F(ProgramTest, UnusableScreenFormEndsTheProgram) {
  const fs::path form = root_->path() / "FORMS" / "ZEMBRALO.QFM";
  const std::string good = ReadAll(form);
  struct Case {
    const char* name;
    std::string bytes;  // empty: no form file at all
    const char* message;
  };
  const std::string counts_beyond_header = "1,1\r\n\"d\"\r\n2,0,0,0,0,0\r\n";
  for (const Case& c : {Case{"missing", "", "NO ES POT LLEGIR EL FORMULARI DE PANTALLA"},
                        Case{"truncated", good.substr(0, good.size() / 2),
                             "EL FORMULARI DE PANTALLA NO \xc3\x89S V\xc3\x80LID"},
                        Case{"counts beyond the header", counts_beyond_header,
                             "EL FORMULARI DE PANTALLA NO \xc3\x89S V\xc3\x80LID"}}) {
    SCOPED_TRACE(c.name);
    ResetProgramState();
    console_.beep_screens.clear();
    fs::remove(form);
    if (!c.bytes.empty()) std::ofstream(form, std::ios::binary) << c.bytes;
    EXPECT_EQ(Run("Enter"), 255);
    EXPECT_NE(Program().FatalMessage.find("ZEMBRALO.QFM"), std::string::npos);
    ASSERT_EQ(console_.beep_screens.size(), 1u);
    EXPECT_NE(console_.beep_screens[0].find(c.message), std::string::npos)
        << console_.beep_screens[0];
  }
  std::ofstream(form, std::ios::binary) << good;
  EXPECT_TRUE(spooler_.prints.empty());
}

}  // namespace
}  // namespace zem
