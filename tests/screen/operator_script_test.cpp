// Whole exchanges as the operator has them: typed key scripts in, the screen as seen out.
#include <gtest/gtest.h>

#include "platform/key_script.h"
#include "screen/field_editor.h"
#include "screen/message.h"
#include "screen_fixture.h"

namespace zem::testing {
namespace {

class OperatorScriptTest : public ScreenTest {
 protected:
  void Type(const char* script) {
    std::string error;
    ASSERT_TRUE(platform::PushKeyScript(&services.console, script, &error)) << error;
  }
  std::string Dump(int top, int bottom, int left, int right) {
    platform::DumpOptions options;
    options.top = top;
    options.bottom = bottom;
    options.left = left;
    options.right = right;
    return platform::DumpScreen(services.console, options);
  }
};

struct FieldScript {
  const char* name;
  const char* script;
  const char* exit_keys;
  std::string initial;
  std::string expected;  // the field's row inside the window, as seen
  int16_t expected_key;
};

class FieldScriptTest : public OperatorScriptTest,
                        public ::testing::WithParamInterface<FieldScript> {};

TEST_P(FieldScriptTest, OperatorEditsNameInFramedWindow) {
  const FieldScript& c = GetParam();
  ASSERT_TRUE(OpenWindow(3, 5, 5, 30));
  SetColour("n");
  DrawFrame(1);
  LocateInWindow(1, 2);
  services.console.Print("Nom:");
  SetExitKeys("ea", c.exit_keys);
  Type(c.script);
  std::string buffer = c.initial;
  int16_t cursor = 1, key = 0;
  EditField(1, 7, 0, buffer, cursor, key);
  EXPECT_EQ(key, c.expected_key);
  EXPECT_EQ(Dump(3, 5, 5, 30),
            "┌────────────────────────┐\n" + c.expected + "\n└────────────────────────┘\n");
  EXPECT_EQ(services.console.Pending(), 0u);
  CloseWindow();
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, FieldScriptTest,
    ::testing::Values(FieldScript{"TypeName", "\"Joan\" Enter", "d,1b", "          ",
                                  "│ Nom: Joan              │", keys::kEnter},
                      FieldScript{"AccentsTyped", "\"Àlex Nú\" Tab", "d,1b", "          ",
                                  "│ Nom: Àlex Nú           │", keys::kEnter},
                      FieldScript{"FixTypo", "End Backspace \"a\" Home Del Esc", "d,1b",
                                  "Xpuigx    ", "│ Nom: puiga             │", keys::kEsc},
                      FieldScript{"WordsAndOverwrite",
                                  "Ctrl+Right Ins \"F\" Ctrl+Left Ctrl+Left \"j\" Enter", "d,1b",
                                  "joan puig ", "│ Nom: joan Fuig         │", keys::kEnter},
                      FieldScript{"ClearAndRetype", "Ctrl+Y \"Pere\" Wait 3 F2", "d,1b,3c00",
                                  "Joan Puig ", "│ Nom: Pere              │", keys::kF2},
                      FieldScript{"AltPadCharacter", "AltPad 1 6 5 Enter", "d", "          ",
                                  "│ Nom: Ñ                 │", keys::kEnter},
                      FieldScript{"UnlistedKeysIgnored", "F5 PgDn \"x\" Esc", "d,1b", "          ",
                                  "│ Nom: x                 │", keys::kEsc},
                      FieldScript{"ClickMovesCursor", "Click 4,16 \"-\" Enter", "d", "Joan Puig ",
                                  "│ Nom: Joan- Puig        │", keys::kEnter},
                      FieldScript{"ClickOutsideEnds", "\"A\" Click 10,10", "d", "          ",
                                  "│ Nom: A                 │", -(10 * 100 + 10)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperatorScriptTest, CopyAndPasteBetweenFields) {
  Type("Ctrl+C Enter End Ctrl+V Enter");
  std::string first = "  Girona  ", second = "C/ ", copy;
  int16_t cursor = 1, key = 0;
  EditField(2, 2, 0, first, cursor, key);
  second.resize(12, ' ');
  cursor = 1;
  EditField(3, 2, 0, second, cursor, key);
  EXPECT_EQ(second, "C/Girona    ");
  EXPECT_EQ(Dump(3, 3, 1, 20), " C/Girona\n");
}

TEST_F(OperatorScriptTest, MessageBoxAsSeen) {
  ShowMessage(12, "Cal una plantilla");
  // A 17-character line: columns 30 to 50, the text from column 32.
  EXPECT_EQ(Dump(9, 11, 30, 52),
            "┌───────────────────┐\n"
            "│ Cal una plantilla │\n"
            "└───────────────────┘\n");
  CloseWindow();
  EXPECT_EQ(Dump(9, 11, 1, 80), "\n\n\n");
}

}  // namespace
}  // namespace zem::testing
