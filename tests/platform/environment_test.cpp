#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zem::platform {
namespace {

// The suite's TERM is the terminal directory; the host's TERM is the terminal type and must
// never be taken for a directory.
TEST(HostEnvironment, ReadsTheSuitesTerminalDirectoryFromVakterm) {
  ::setenv("TERM", "xterm-256color", 1);
  ::setenv("VAKTERM", "/srv/vak/T01/", 1);
  ::setenv("VAKROOT", "/srv/vak/", 1);
  HostEnvironment env;
  EXPECT_EQ(env.Get("TERM"), "/srv/vak/T01/");
  EXPECT_EQ(env.Get("VAKROOT"), "/srv/vak/");
  ::unsetenv("VAKTERM");
  EXPECT_EQ(env.Get("TERM"), "");
  ::unsetenv("VAKROOT");
}

}  // namespace
}  // namespace zem::platform
