// vakprint: the stand-in print spooler of the sample installation. Started without arguments
// after every mailing run, it finds the work directory the way the program does, reads the print
// file "vakprint.tmp" there and writes its pages as UTF-8 plain text into "vakprint.txt" beside
// it. A missing or malformed print file is reported (file and line) with exit code 1.
#include <cstdio>
#include <string>

#include "format/config_file.h"
#include "mailing/print_render.h"
#include "platform/services.h"

namespace {

using zem::platform::Files;

// A directory value gets a trailing "\" unless it is empty or already ends in "\" or ":".
std::string Normalised(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != ':') dir += '\\';
  return dir;
}

// VAKTMP; else the session file's [Terminal] Dir (the session file then read from the current
// directory); else TERM.
std::string WorkDirectory() {
  std::string work = Normalised(zem::platform::Env().Get("VAKTMP"));
  if (!work.empty()) return work;
  std::string terminal = zem::ReadConfigValue("Sessio.ini", "Terminal", "Dir");
  if (terminal.empty()) terminal = zem::platform::Env().Get("TERM");
  return Normalised(terminal);
}

}  // namespace

int main(int argc, char**) {
  zem::platform::HostServices services;

  if (argc > 1) {
    std::fprintf(stderr, "vakprint: takes no arguments (it prints the work directory's %s)\n",
                 "vakprint.tmp");
    return 2;
  }
  const std::string work = WorkDirectory();
  const std::string input = work + "vakprint.tmp";
  const std::string output = work + "vakprint.txt";
  const std::string input_shown = Files().HostPath(input);

  std::string bytes;
  if (!Files().ReadFile(input, &bytes)) {
    std::fprintf(stderr, "vakprint: %s: cannot read the print file\n", input_shown.c_str());
    return 1;
  }
  zem::PrintRendering pages = zem::RenderPrintFile(bytes);
  if (!pages.ok) {
    if (pages.error_line > 0) {
      std::fprintf(stderr, "vakprint: %s: line %d: %s\n", input_shown.c_str(), pages.error_line,
                   pages.error.c_str());
    } else {
      std::fprintf(stderr, "vakprint: %s: %s\n", input_shown.c_str(), pages.error.c_str());
    }
    return 1;
  }
  if (!Files().WriteFile(output, pages.text)) {
    std::fprintf(stderr, "vakprint: %s: cannot write the printed pages\n",
                 Files().HostPath(output).c_str());
    return 1;
  }
  std::printf("vakprint: %d page(s) printed to %s\n", pages.pages,
              Files().HostPath(output).c_str());
  return 0;
}
