#include "platform/program_state.h"

#include <gtest/gtest.h>

#include "format/edit_mask.h"
#include "format/string_stack.h"
#include "format/text_utils.h"
#include "mailing/letter_mailing.h"
#include "mailing/template_merge.h"
#include "platform/end_program.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "support/fake_services.h"

namespace zem {
namespace {

// One reset brings every owner back to its starting state, the installed hooks included.
TEST(ProgramState, ResetClearsEveryOwnerAndHook) {
  platform::FakeServices services;
  Session().WorkDir = "/w/";
  Windows().WindowDepth = 2;
  SetExitKeys("ea+", "1b");
  SetFolding(true);
  PushString("kept");
  SetCurrency("a,E");
  OpenFiles().Slots[1].Id = 7;
  Mailing().TemplateName = "RECCAT";
  SetParameterScreen([](MailingParameters&) { return true; });
  SetMergeProblemReporter([](const std::string&) {});
  SetEndProgramHook([](int) {});

  ResetProgramState();

  EXPECT_EQ(Session().WorkDir, "");
  EXPECT_EQ(Windows().WindowDepth, 0);
  EXPECT_TRUE(Keyboard().ExitCodes.empty());
  EXPECT_FALSE(Keyboard().SavedInUse);
  EXPECT_FALSE(Folding().On);
  EXPECT_TRUE(StringStack().Data.empty());
  EXPECT_EQ(Currency().Main, "");
  EXPECT_EQ(OpenFiles().Slots[1].Id, 0);
  EXPECT_EQ(Mailing().TemplateName, MailingParameters{}.TemplateName);
  EXPECT_FALSE(MailingRun().Screen);
  EXPECT_FALSE(Merging().Reporter);
  EXPECT_EQ(ProgramEnd().Hook, nullptr);
}

}  // namespace
}  // namespace zem
