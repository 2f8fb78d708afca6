#include "screen/help.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "screen_fixture.h"

namespace zem::testing {
namespace {

using namespace keys;

constexpr int kFirstTextRow = 5;  // window row 1 of the help window at rows 4 to 22
constexpr int kPageHeight = 17;

// A help file of fixed 80-byte lines "LINE nn".
std::string HelpFile(int lines, const char* label = "LINE") {
  std::string file;
  for (int k = 1; k <= lines; ++k) {
    char text[16];
    std::snprintf(text, sizeof text, "%s %02d", label, k);
    std::string line = text;
    line.resize(80, ' ');
    file += line;
  }
  return file;
}

class HelpTest : public ScreenTest {
 protected:
  // Queues a point of the script at which the shown line numbers are noted (the calculator's
  // hook in the key reader runs there; the help window ignores the Alt+X key itself).
  void NotePage() { PushKey(kAltX); }

  void InstallPageRecorder() {
    Keyboard().Calculator = [this] {
      std::vector<int> shown;
      for (int row = kFirstTextRow; row < kFirstTextRow + kPageHeight; ++row) {
        std::string text = TextAt(row, 3, 7);
        shown.push_back(text.rfind("LINE ", 0) == 0 ? std::stoi(text.substr(5)) : 0);
      }
      pages.push_back(shown);
      depths.push_back(Windows().WindowDepth);
      return std::string();
    };
  }

  std::vector<std::vector<int>> pages;
  std::vector<int> depths;
};

struct PagingCase {
  const char* name;
  std::vector<int16_t> keys;
  int first;  // line shown on the first text row after the keys
};

class HelpPagingTest : public HelpTest, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(HelpPagingTest, ShowsAFullPageFromLine) {
  const PagingCase& c = GetParam();
  services.files.AddFile("/AJUDA/TOPIC.HLP", HelpFile(50));
  InstallPageRecorder();
  PushKeys(c.keys);
  NotePage();
  PushKey(kEsc);
  ShowHelp("TOPIC");
  ASSERT_EQ(pages.size(), 1u);
  for (int i = 0; i < kPageHeight; ++i) EXPECT_EQ(pages[0][i], c.first + i) << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HelpPagingTest,
    ::testing::Values(PagingCase{"FirstPage", {}, 1}, PagingCase{"PgDn", {kPgDn}, 18},
                      PagingCase{"LastPagePulledBack", {kPgDn, kPgDn}, 34},
                      PagingCase{"PgDnPastEnd", {kPgDn, kPgDn, kPgDn}, 34},
                      PagingCase{"End", {kEnd}, 34}, PagingCase{"EndThenDown", {kEnd, kDown}, 34},
                      PagingCase{"EndThenHome", {kEnd, kHome}, 1},
                      PagingCase{"Down", {kDown, kDown}, 3}, PagingCase{"DownUp", {kDown, kUp}, 1},
                      PagingCase{"UpAtTop", {kUp}, 1}, PagingCase{"HomeAtTop", {kHome}, 1},
                      PagingCase{"PgUpAtTop", {kPgUp}, 1},
                      PagingCase{"PgUpFromEnd", {kEnd, kPgUp}, 18},
                      PagingCase{"PgUpAfterPgDn", {kPgDn, kPgUp}, 2},
                      PagingCase{"PgUpNearTopGoesToFirst", {kDown, kDown, kDown, kPgUp}, 1},
                      PagingCase{"UpAfterEnd", {kEnd, kUp}, 33},
                      PagingCase{"OtherKeysIgnored", {'a', kEnter, kF4}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpTest, WindowGeometryAndScreenRestored) {
  services.files.AddFile("/AJUDA/TOPIC.HLP", HelpFile(5));
  PaintPattern();
  services.console.SetCursor(2, 2);
  const auto original = Snapshot();
  const std::string row3 = services.console.RowText(3), row23 = services.console.RowText(23);
  std::vector<std::string> frame;
  Keyboard().Calculator = [&] {
    for (int row : {3, 4, 5, 21, 22, 23}) frame.push_back(services.console.RowText(row));
    return std::string();
  };
  PushKeys({kAltX, kEsc});
  ShowHelp("TOPIC");
  ASSERT_EQ(frame.size(), 6u);
  EXPECT_EQ(frame[0], row3);  // the rows around the window are untouched
  EXPECT_EQ(frame[5], row23);
  EXPECT_EQ(frame[1], "\xc9" + std::string(78, '\xcd') + "\xbb");
  EXPECT_EQ(frame[2], "\xba LINE 01" + std::string(70, ' ') + "\xba");
  EXPECT_EQ(frame[3], "\xba" + std::string(78, ' ') + "\xba");  // past the file's lines
  EXPECT_EQ(frame[4], "\xc8" + std::string(78, '\xcd') + "\xbc");
  EXPECT_EQ(Snapshot(), original);
  EXPECT_EQ(services.console.CursorRow(), 2);
  EXPECT_FALSE(StackFileExists());
  EXPECT_EQ(Windows().WindowDepth, 0);
}

TEST_F(HelpTest, TextInNormalColoursFrameInValueColours) {
  services.files.AddFile("/AJUDA/TOPIC.HLP", HelpFile(2));
  SetColour("u");
  uint8_t frame_attr = 0, text_attr = 0;
  Keyboard().Calculator = [&] {
    frame_attr = services.console.CellAt(4, 1).attr;
    text_attr = services.console.CellAt(5, 3).attr;
    return std::string();
  };
  PushKeys({kAltX, kEsc});
  ShowHelp("TOPIC");
  EXPECT_EQ(frame_attr, RoleAttribute(0));
  EXPECT_EQ(text_attr, RoleAttribute(1));
  EXPECT_EQ(Keyboard().ColourRole, 4);  // the caller's role comes back
  EXPECT_TRUE(Keyboard().RoleStack.empty());
}

TEST_F(HelpTest, MarkupBytesSwitchColoursAndTakeNoRoom) {
  std::string line = std::string(
      "ab\x1e"
      "cd\x1e"
      "ef\x1f"
      "gh\x1e"
      "ij\x1e\x1f"
      "kl\x10"
      "mn\x10"
      "op");
  line.resize(80, ' ');
  std::string wide(82, 'w');
  wide[10] = '\x1e';  // 81 visible characters: only 76 are shown
  wide.resize(80);
  services.files.AddFile("/AJUDA/TOPIC.HLP", line + wide + std::string(80, 'z'));
  std::string text, text_wide, text_plain;
  std::vector<uint8_t> attrs;
  Keyboard().Calculator = [&] {
    text = TextAt(5, 3, 16);
    for (int column = 3; column < 3 + 16; ++column)
      attrs.push_back(services.console.CellAt(5, column).attr);
    text_wide = TextAt(6, 3, 77);
    text_plain = TextAt(7, 3, 77);
    return std::string();
  };
  PushKeys({kAltX, kEsc});
  ShowHelp("TOPIC");
  EXPECT_EQ(text, "abcdefghijklmnop");
  const int roles[16] = {1, 1, 0, 0, 1, 1, 4, 4, 4, 4, 1, 1, 2, 2, 1, 1};
  ASSERT_EQ(attrs.size(), 16u);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(attrs[i], RoleAttribute(roles[i])) << "column " << i;
  EXPECT_EQ(text_wide, std::string(76, 'w') + " ");
  EXPECT_EQ(text_plain, std::string(76, 'z') + " ");
}

TEST_F(HelpTest, LineCountRoundsPartialLastLine) {
  // 2 lines and 50 bytes: rounds to 3 lines, the last one padded with blanks.
  services.files.AddFile("/AJUDA/TOPIC.HLP", HelpFile(2) + "LINE 03" + std::string(43, '.'));
  InstallPageRecorder();
  PushKeys({kAltX, kEsc});
  ShowHelp("TOPIC");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0][2], 3);
  EXPECT_EQ(pages[0][3], 0);
}

TEST_F(HelpTest, F1OpensGeneralHelpOverTopic) {
  services.files.AddFile("/AJUDA/TOPIC.HLP", HelpFile(40));
  services.files.AddFile("/AJUDA/QORTAVEL.HLP", HelpFile(20));
  InstallPageRecorder();
  PushKeys({kPgDn, kF1});
  NotePage();       // inside the general help
  PushKeys({kF1});  // does nothing there
  NotePage();
  PushKeys({kEsc});
  NotePage();  // back in the topic's help, as it was
  PushKeys({kEsc});
  ShowHelp("TOPIC");
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0][0], 1);
  EXPECT_EQ(depths[0], 2);
  EXPECT_EQ(depths[1], 2);
  EXPECT_EQ(pages[2][0], 18);
  EXPECT_EQ(depths[2], 1);
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_FALSE(StackFileExists());
}

TEST_F(HelpTest, MissingHelpFileGivesEmptyWindow) {
  PushKeys({kPgDn, kEnd, kDown});
  InstallPageRecorder();
  NotePage();
  PushKey(kEsc);
  ShowHelp("NOTHERE");
  ASSERT_EQ(pages.size(), 1u);
  for (int line : pages[0]) EXPECT_EQ(line, 0);
  EXPECT_FALSE(services.files.Exists("/AJUDA/NOTHERE.HLP"));
  EXPECT_EQ(Windows().WindowDepth, 0);
}

TEST_F(HelpTest, MissingHelpFileSaysSoInTheWindow) {
  std::string shown;
  Keyboard().Calculator = [&] {
    shown = TextAt(kFirstTextRow, 3, 76);
    return std::string();
  };
  PushKeys({kAltX, kEsc});
  ShowHelp("NOTHERE");
  EXPECT_EQ(shown.rfind("NO HI HA AJUDA PER A AQUEST TEMA: AJUDA\\NOTHERE.HLP", 0), 0u) << shown;
  EXPECT_FALSE(services.files.Exists("/AJUDA/NOTHERE.HLP"));
}

struct WinModeCase {
  const char* name;
  std::string comspec;
  std::string topic;
  bool runs;
};

class HelpWinModeTest : public HelpTest, public ::testing::WithParamInterface<WinModeCase> {};

TEST_P(HelpWinModeTest, RunsLauncherThroughCommandInterpreter) {
  const WinModeCase& c = GetParam();
  Session().RunMode = "WIN";
  services.env.Set("COMSPEC", c.comspec);
  PaintPattern();
  const auto original = Snapshot();
  ShowHelp(c.topic);
  EXPECT_EQ(Snapshot(), original);
  if (!c.runs) {
    EXPECT_TRUE(services.processes.calls.empty());
    return;
  }
  ASSERT_EQ(services.processes.calls.size(), 1u);
  EXPECT_EQ(services.processes.calls[0].program, c.comspec);
  EXPECT_EQ(services.processes.calls[0].args,
            (std::vector<std::string>{"/C", "KOBRAN", "AJUDA\\" + c.topic + ".HTM"}));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HelpWinModeTest,
    ::testing::Values(WinModeCase{"Topic", "C:\\WINDOWS\\SYSTEM32\\CMD.EXE", "NERA", true},
                      WinModeCase{"GeneralTopic", "cmd", "QORTAVEL", true},
                      WinModeCase{"NoInterpreter", "", "NERA", false},
                      WinModeCase{"SecondCommandRefused", "cmd", "NERA & del *.*", false},
                      WinModeCase{"RedirectionRefused", "cmd", "NERA>out", false},
                      WinModeCase{"EmptyTopic", "cmd", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HelpTest, ExitCodeOfLauncherIsIgnored) {
  Session().RunMode = "WIN";
  services.env.Set("COMSPEC", "cmd");
  services.processes.exit_code = 3;
  ShowHelp("NERA");
  EXPECT_EQ(services.processes.calls.size(), 1u);
  EXPECT_EQ(Windows().WindowDepth, 0);
}

}  // namespace
}  // namespace zem::testing
