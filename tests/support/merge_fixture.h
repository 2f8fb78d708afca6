#pragma once

#include <gtest/gtest.h>

#include "platform/program_state.h"
#include "startup/session.h"
#include "support/fake_services.h"

namespace zem::testing {

// Fake services holding an installation root C:\VAK\ with its work directory C:\VAK\TMP\, as
// the merge data file and the template merge find them, over a clean program state.
class MergeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    Session().RootDir = "C:\\VAK\\";
    Session().WorkDir = "C:\\VAK\\TMP\\";
    services_.files.MakeDir("/VAK");
    services_.files.MakeDir("/VAK/TMP");
  }
  void TearDown() override { ResetProgramState(); }

  platform::FakeServices services_;
};

}  // namespace zem::testing
