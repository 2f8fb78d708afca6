#include "startup/session.h"

#include <string>

#include "format/config_file.h"
#include "format/dates.h"
#include "format/edit_mask.h"
#include "format/leading_number.h"
#include "platform/services.h"

namespace zem {
namespace {

// The colour scheme used when the terminal file names none: bright white on black, white on
// black, then black on white for the other three roles.
constexpr const char* kDefaultColours = "15000700000700070007";

// Work and terminal directories end in "\" unless empty or ending in ":" (a bare drive).
std::string NormaliseDir(std::string dir) {
  if (!dir.empty() && dir.back() != ':' && dir.back() != '\\') dir += '\\';
  return dir;
}

// A language code is exactly three characters: cut, or padded with blanks.
std::string ThreeCharacters(std::string code) {
  code.resize(3, ' ');
  return code;
}

}  // namespace

void LoadSession() {
  SessionSettings& s = Session();
  platform::Environment& env = platform::Env();
  s = SessionSettings{};

  s.RootDir = env.Get("VAKROOT");
  s.ExeDir = env.Get("VAKEXE");
  s.WorkDir = NormaliseDir(env.Get("VAKTMP"));

  // Without VAKTMP the session file is read from the current directory.
  const std::string session_file = s.WorkDir + "Sessio.ini";
  s.MenuTitle = " " + ReadConfigValue(session_file, "Menu", "Titol") + " ";
  s.MenuName = ReadConfigValue(session_file, "Menu", "NomMenu");
  s.TerminalDir = ReadConfigValue(session_file, "Terminal", "Dir");
  if (s.TerminalDir.empty()) s.TerminalDir = env.Get("TERM");
  s.TerminalDir = NormaliseDir(s.TerminalDir);
  if (s.WorkDir.empty()) s.WorkDir = s.TerminalDir;

  SetCurrency("a,E");

  const std::string terminal_file = s.WorkDir + "NeraTerm.ini";
  const int scheme = LeadingNumber(ReadConfigValue(terminal_file, "Pantalla", "Seleccio"));
  std::string colours = ReadConfigValue(terminal_file, "Pantalla", "Col" + std::to_string(scheme));
  if (colours.empty()) colours = kDefaultColours;
  // Pair i is the four characters from 4i: two for the foreground, two for the background;
  // characters past the end read as 0.
  for (size_t i = 0; i < 5; ++i) {
    for (size_t k = 0; k < 2; ++k) {
      const size_t at = 4 * i + 2 * k;
      const std::string two = at < colours.size() ? colours.substr(at, 2) : std::string();
      s.Colours[k][i] = static_cast<int16_t>(LeadingNumber(two));
    }
  }

  s.SessionDate = PackDigits(ReadConfigValue(terminal_file, "Sistema", "Data"));
  s.OutputDevice = ReadConfigValue(terminal_file, "Sistema", "Sortida");
  s.Language = ThreeCharacters(ReadConfigValue(terminal_file, "Sistema", "Idioma"));
  if (s.Language == "   ") {
    s.Language = ThreeCharacters(ReadUserSetting("Idioma"));
  }

  if (!env.Get("HTTP_USER_AGENT").empty() || !env.Get("HTTP_ACCEPT").empty()) {
    s.RunMode = "CGI";
  } else if (!env.Get("WINDIR").empty() || !env.Get("SYSTEMROOT").empty()) {
    s.RunMode = "WIN";
  } else {
    s.RunMode = "DOS";
  }
}

}  // namespace zem
