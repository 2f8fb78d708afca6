#include "startup/session.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

#include "format/edit_mask.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "support/fake_services.h"

namespace zem {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgramState(); }
  void TearDown() override { ResetProgramState(); }

  // Work directory C:\TMP\ with the given terminal file contents.
  void LoadWithTerminalFile(const std::string& contents) {
    services.env.Set("VAKTMP", "C:\\TMP\\");
    services.files.AddFile("C:\\TMP\\NeraTerm.ini", contents);
    LoadSession();
  }

  platform::FakeServices services;
};

TEST_F(SessionTest, DefaultsWithNothingConfigured) {
  LoadSession();
  const SessionSettings& s = Session();
  EXPECT_EQ(s.RootDir, "");
  EXPECT_EQ(s.ExeDir, "");
  EXPECT_EQ(s.WorkDir, "");
  EXPECT_EQ(s.TerminalDir, "");
  EXPECT_EQ(s.MenuTitle, "  ");
  EXPECT_EQ(s.MenuName, "");
  EXPECT_EQ(s.SessionDate, "");
  EXPECT_EQ(s.OutputDevice, "");
  EXPECT_EQ(s.Language, "   ");
  EXPECT_EQ(s.RunMode, "DOS");
  const int16_t expected[2][5] = {{15, 7, 0, 0, 0}, {0, 0, 7, 7, 7}};
  for (int k = 0; k < 2; ++k) {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s.Colours[k][i], expected[k][i]) << k << "," << i;
  }
  EXPECT_EQ(Currency().Main, "E");
  EXPECT_EQ(Currency().Active, "E");
}

struct DirCase {
  const char* vaktmp;
  const char* term;
  const char* session_dir;  // [Terminal] Dir in the session file; nullptr for no session file
  const char* work_dir;
  const char* terminal_dir;
};

TEST_F(SessionTest, WorkAndTerminalDirectories) {
  const DirCase cases[] = {
      {"C:", "", nullptr, "C:", ""},
      {"C:\\TMP", "", nullptr, "C:\\TMP\\", ""},
      {"C:\\TMP\\", "", nullptr, "C:\\TMP\\", ""},
      {"", "T1", nullptr, "T1\\", "T1\\"},
      {"", "D:", nullptr, "D:", "D:"},
      {"", "", nullptr, "", ""},
      {"C:\\TMP", "T1", nullptr, "C:\\TMP\\", "T1\\"},
      {"C:\\TMP", "T1", "D:\\TERM", "C:\\TMP\\", "D:\\TERM\\"},
      {"C:\\TMP", "T1", "", "C:\\TMP\\", "T1\\"},
  };
  for (const DirCase& c : cases) {
    platform::FakeServices local;
    ResetSession();
    local.env.Set("VAKTMP", c.vaktmp);
    local.env.Set("TERM", c.term);
    if (c.session_dir) {
      local.files.AddFile(std::string(c.vaktmp) + "\\Sessio.ini",
                          std::string("[Terminal]\r\nDir=") + c.session_dir + "\r\n");
    }
    LoadSession();
    EXPECT_EQ(Session().WorkDir, c.work_dir) << c.vaktmp << " / " << c.term;
    EXPECT_EQ(Session().TerminalDir, c.terminal_dir) << c.vaktmp << " / " << c.term;
  }
}

// Root and executables directories are taken as they are; the user file name is VAKROOT with
// "Nera.ini" appended directly.
TEST_F(SessionTest, RootAndExeUnchanged) {
  services.env.Set("VAKROOT", "C:\\VAK");
  services.env.Set("VAKEXE", "C:\\VAK\\EXE");
  services.files.AddFile("C:\\VAKNera.ini", "[Usuari]\r\nIdioma=OCI\r\n");
  LoadSession();
  EXPECT_EQ(Session().RootDir, "C:\\VAK");
  EXPECT_EQ(Session().ExeDir, "C:\\VAK\\EXE");
  EXPECT_EQ(Session().Language, "OCI");
}

// Without VAKTMP the session file comes from the current directory and the terminal file from
// the terminal directory that TERM names.
TEST_F(SessionTest, FilesWithoutWorkDirectory) {
  services.env.Set("TERM", "T1");
  services.files.AddFile("Sessio.ini", "[Menu]\r\nTitol=Rebuts pendents\r\nNomMenu=ZEM\r\n");
  services.files.AddFile("T1\\NeraTerm.ini", "[Sistema]\r\nIdioma=SPA\r\nSortida=LPT1\r\n");
  LoadSession();
  EXPECT_EQ(Session().MenuTitle, " Rebuts pendents ");
  EXPECT_EQ(Session().MenuName, "ZEM");
  EXPECT_EQ(Session().WorkDir, "T1\\");
  EXPECT_EQ(Session().Language, "SPA");
  EXPECT_EQ(Session().OutputDevice, "LPT1");
}

TEST_F(SessionTest, SessionFileInWorkDirectory) {
  services.env.Set("VAKTMP", "C:\\TMP");
  services.files.AddFile("Sessio.ini", "[Menu]\r\nTitol=wrong\r\n");
  services.files.AddFile("C:\\TMP\\Sessio.ini", "[Menu]\r\nTitol=right\r\n");
  LoadSession();
  EXPECT_EQ(Session().MenuTitle, " right ");
}

struct ColourCase {
  const char* name;
  const char* pantalla;              // lines of section [Pantalla]
  std::array<int16_t, 10> expected;  // foreground, background of pairs 0 to 4
};

TEST_F(SessionTest, Colours) {
  const ColourCase cases[] = {
      {"NoSection", "", {15, 0, 7, 0, 0, 7, 0, 7, 0, 7}},
      {"SchemeZero", "Col0=01020304050607080910\r\n", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {"SchemeWithoutItsKey",
       "Seleccio=2\r\nCol0=01020304050607080910\r\n",
       {15, 0, 7, 0, 0, 7, 0, 7, 0, 7}},
      {"SchemeThree",
       "Seleccio=3\r\nCol3=14011502000100020003\r\n",
       {14, 1, 15, 2, 0, 1, 0, 2, 0, 3}},
      {"SchemeWithBlanks",
       "Seleccio= 3\r\nCol3=14011502000100020003\r\n",
       {14, 1, 15, 2, 0, 1, 0, 2, 0, 3}},
      {"TwelveDigits", "Col0=150007000007\r\n", {15, 0, 7, 0, 0, 7, 0, 0, 0, 0}},
      {"OddLength", "Col0=1500071\r\n", {15, 0, 7, 1, 0, 0, 0, 0, 0, 0}},
      {"NonDigits", "Col0=xx07 7080910111213\r\n", {0, 7, 7, 8, 9, 10, 11, 12, 13, 0}},
  };
  for (const ColourCase& c : cases) {
    ResetSession();
    LoadWithTerminalFile(std::string("[Pantalla]\r\n") + c.pantalla);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(Session().Colours[0][i], c.expected[2 * i]) << c.name << " pair " << i;
      EXPECT_EQ(Session().Colours[1][i], c.expected[2 * i + 1]) << c.name << " pair " << i;
    }
  }
}

struct LanguageCase {
  const char* terminal;  // [Sistema] Idioma in the terminal file; nullptr for no key
  const char* user;      // [Usuari] Idioma in the user file; nullptr for no key
  const char* expected;
};

TEST_F(SessionTest, Language) {
  const LanguageCase cases[] = {
      {"es", nullptr, "es "},      {"SPANISH", nullptr, "SPA"}, {"GLG", "SPA", "GLG"},
      {nullptr, "GLG", "GLG"},     {"   ", "OCI", "OCI"},       {"  ", "OCI", "OCI"},
      {nullptr, "catala", "cat"},  {nullptr, nullptr, "   "},   {" SP", "GLG", " SP"},
      {nullptr, "\"SPA\"", "SPA"},
  };
  services.env.Set("VAKROOT", "C:\\VAK\\");
  for (const LanguageCase& c : cases) {
    ResetSession();
    std::string terminal = "[Sistema]\r\n";
    if (c.terminal) terminal += std::string("Idioma=") + c.terminal + "\r\n";
    std::string user = "[Usuari]\r\n";
    if (c.user) user += std::string("Idioma=") + c.user + "\r\n";
    services.files.AddFile("C:\\VAK\\Nera.ini", user);
    LoadWithTerminalFile(terminal);
    EXPECT_EQ(Session().Language, c.expected)
        << (c.terminal ? c.terminal : "-") << " / " << (c.user ? c.user : "-");
  }
}

TEST_F(SessionTest, SessionDateAndOutputDevice) {
  LoadWithTerminalFile("[Sistema]\r\nData=20050315\r\nSortida=PDF\r\n");
  // Two digits a byte, each 128 + its value: 20 05 03 15.
  EXPECT_EQ(Session().SessionDate, std::string("\x94\x85\x83\x8f"));
  EXPECT_EQ(Session().OutputDevice, "PDF");

  ResetSession();
  LoadWithTerminalFile("[Sistema]\r\nData=\r\n");
  EXPECT_EQ(Session().SessionDate, "");
}

struct RunModeCase {
  std::map<std::string, std::string> vars;
  const char* expected;
};

TEST_F(SessionTest, RunMode) {
  const RunModeCase cases[] = {
      {{}, "DOS"},
      {{{"WINDIR", "C:\\WINDOWS"}}, "WIN"},
      {{{"SYSTEMROOT", "C:\\WINDOWS"}}, "WIN"},
      {{{"WINDIR", ""}, {"SYSTEMROOT", ""}}, "DOS"},
      {{{"HTTP_ACCEPT", "text/html"}, {"WINDIR", "C:\\WINDOWS"}}, "CGI"},
      {{{"HTTP_USER_AGENT", "x"}}, "CGI"},
      {{{"HTTP_ACCEPT", ""}, {"WINDIR", "C:\\WINDOWS"}}, "WIN"},
  };
  for (const RunModeCase& c : cases) {
    platform::FakeServices local;
    ResetSession();
    for (const auto& [name, value] : c.vars) local.env.Set(name, value);
    LoadSession();
    EXPECT_EQ(Session().RunMode, c.expected) << ::testing::PrintToString(c.vars);
  }
}

TEST_F(SessionTest, ResetForgetsLoadedValues) {
  services.env.Set("VAKROOT", "C:\\VAK\\");
  services.env.Set("WINDIR", "C:\\WINDOWS");
  LoadWithTerminalFile("[Sistema]\r\nIdioma=SPA\r\n");
  ASSERT_EQ(Session().Language, "SPA");
  ResetSession();
  EXPECT_EQ(Session().Language, "   ");
  EXPECT_EQ(Session().RootDir, "");
  EXPECT_EQ(Session().RunMode, "DOS");
}

}  // namespace
}  // namespace zem
