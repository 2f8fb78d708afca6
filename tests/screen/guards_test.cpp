#include "screen/guards.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "screen/keyboard.h"
#include "screen/windows.h"
#include "screen_fixture.h"

namespace zem {
namespace {

using GuardsTest = testing::ScreenTest;

// The screen and the window state come back however the scope is left, also for a refused
// window inside an open one.
TEST_F(GuardsTest, WindowIsClosedOnEveryWayOut) {
  PaintPattern();
  const auto before = Snapshot();
  try {
    WindowGuard outer(5, 10, 15, 60);
    ASSERT_TRUE(outer.opened());
    DrawFrame(2);
    {
      WindowGuard refused(0, 0, 99, 99);
      EXPECT_FALSE(refused.opened());
    }
    EXPECT_EQ(Windows().WindowDepth, 1);
    throw std::runtime_error("way out");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(GuardsTest, ColourRoleComesBack) {
  SetColour("r");
  {
    ColourGuard inverse("u");
    EXPECT_EQ(Keyboard().ColourRole, 4);
    ColourGuard normal("n");
    EXPECT_EQ(Keyboard().ColourRole, 1);
  }
  EXPECT_EQ(Keyboard().ColourRole, 2);
  EXPECT_TRUE(Keyboard().RoleStack.empty());
}

TEST_F(GuardsTest, ExitKeysComeBack) {
  SetExitKeys("ea", "1b");
  {
    ExitKeysGuard saved;
    SetExitKeys("ea", "d,4800");
    EXPECT_EQ(FindExitKey(27), -1);
  }
  EXPECT_EQ(FindExitKey(27), 0);
  EXPECT_FALSE(Keyboard().SavedInUse);
}

// The single saved slot cannot nest: debug builds stop at the inner guard; other builds keep
// the outer list in the slot, so the outer guard still restores it.
TEST_F(GuardsTest, NestedExitKeysSaveIsRefused) {
  SetExitKeys("ea", "1b");
  {
    ExitKeysGuard outer;
    SetExitKeys("ea", "d");
    EXPECT_DEBUG_DEATH({ ExitKeysGuard inner; }, "saved already");
#ifdef NDEBUG
    EXPECT_EQ(Keyboard().RefusedSaves, 1);
    EXPECT_EQ(FindExitKey(13), 0);  // the inner guard restored nothing
#endif
  }
  EXPECT_EQ(FindExitKey(27), 0);
  EXPECT_EQ(FindExitKey(13), -1);
}

}  // namespace
}  // namespace zem
