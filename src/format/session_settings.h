#pragma once

#include <cstdint>
#include <string>

namespace zem {

// The session the suite's menu prepared: directories, menu entry, session date, output device,
// language, run mode and colours. Filled once at start-up by LoadSession (startup/session.h)
// and read everywhere else; never written back. It sits here, below the start-up code, because
// the long date form follows the session's language.
struct SessionSettings {
  std::string RootDir;      // VAKROOT, unchanged
  std::string ExeDir;       // VAKEXE, unchanged
  std::string WorkDir;      // VAKTMP normalised, else TerminalDir
  std::string MenuTitle;    // " " + [Menu] Titol + " "
  std::string MenuName;     // [Menu] NomMenu
  std::string TerminalDir;  // [Terminal] Dir, else TERM; normalised
  std::string SessionDate;  // packed date (4 bytes), or empty when none is configured
  std::string OutputDevice;
  std::string Language = "   ";  // exactly 3 characters; "SPA", "GLG", "OCI", else Catalan
  std::string RunMode = "DOS";   // "CGI", "WIN" or "DOS"
  int16_t Colours[2][5] = {};    // row 0 foreground, row 1 background; one pair per role
};

// The one instance.
SessionSettings& Session();
// Back to the state before LoadSession (tests).
void ResetSession();

}  // namespace zem
