#include "platform/terminal_signals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zem::platform {
namespace {

// Inside a death test: the guards in place, the restore armed with a visible marker, and
// standard output joined to standard error so that the marker can be matched.
void ArmWithMarker() {
  InstallTerminalGuards("/some/dir/probe");
  dup2(STDERR_FILENO, STDOUT_FILENO);
  termios settings{};
  tcgetattr(STDIN_FILENO, &settings);
  ArmTerminalRestore(settings, "<restored>");
}

struct FaultCase {
  int signal_number;
  const char* pattern;
};

class TerminalGuardFaultDeathTest : public testing::TestWithParam<FaultCase> {};

TEST_P(TerminalGuardFaultDeathTest, RestoresReportsAndEndsWith255) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        raise(GetParam().signal_number);
      },
      testing::ExitedWithCode(255), GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TerminalGuardFaultDeathTest,
    testing::Values(
        FaultCase{SIGSEGV, "^<restored>probe: unrecoverable fault \\(signal 11, invalid memory"},
        FaultCase{SIGABRT, "^<restored>probe: unrecoverable fault \\(signal 6, aborted\\)"},
        FaultCase{SIGFPE, "^<restored>probe: unrecoverable fault \\(signal 8, arithmetic"},
        FaultCase{SIGBUS, "^<restored>probe: unrecoverable fault \\(signal 7, bus error\\)"},
        FaultCase{SIGILL, "^<restored>probe: unrecoverable fault \\(signal 4, illegal"}));

class TerminalGuardStopDeathTest : public testing::TestWithParam<int> {};

TEST_P(TerminalGuardStopDeathTest, RestoresThenTakesTheSignalsCourse) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        raise(GetParam());
        std::fputs("survived", stderr);
        std::_Exit(3);
      },
      testing::KilledBySignal(GetParam()), "^<restored>$");
}

INSTANTIATE_TEST_SUITE_P(Stops, TerminalGuardStopDeathTest,
                         testing::Values(SIGINT, SIGTERM, SIGHUP));

TEST(TerminalGuardDeathTest, InterruptWhileTerminalIsLentIsLeftToTheChild) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        SetTerminalLent(true);
        raise(SIGINT);
        std::fputs("survived", stderr);
        std::_Exit(3);
      },
      testing::ExitedWithCode(3), "^survived$");
}

TEST(TerminalGuardDeathTest, TerminationWhileLentDoesNotWriteOverTheChild) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        SetTerminalLent(true);
        raise(SIGTERM);
      },
      testing::KilledBySignal(SIGTERM), "^$");
}

TEST(TerminalGuardDeathTest, NormalExitRestoresOnce) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        RestoreTerminalNow();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "^<restored>$");
}

TEST(TerminalGuardDeathTest, ExitWithoutConsoleCleanupStillRestores) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        std::exit(4);
      },
      testing::ExitedWithCode(4), "^<restored>$");
}

TEST(TerminalGuardDeathTest, DisarmedFaultOnlyReports) {
  EXPECT_EXIT(
      {
        ArmWithMarker();
        DisarmTerminalRestore();
        raise(SIGSEGV);
      },
      testing::ExitedWithCode(255), "^probe: unrecoverable fault");
}

}  // namespace
}  // namespace zem::platform
