// vakprint: the print spooler of the sample installation. Started without arguments after
// every mailing run, it finds the work directory the way the program does, reads the print
// file "vakprint.tmp" there and prints it where the print file's device says: a PDF file, a
// plain-text file, a printer queue, or a preview in the terminal.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/services.h"
#include "platform/terminal_console.h"
#include "format/config_file.h"
#include "tools/vakprint/spool/spooler.h"

namespace {

constexpr const char* kVersion = "vakprint 2.0";

constexpr const char* kHelp =
    "usage: vakprint [--help | --version]\n"
    "\n"
    "Prints the work directory's print file vakprint.tmp. The work directory is VAKTMP, else\n"
    "the [Terminal] Dir of Sessio.ini in the current directory, else TERM. The print file's\n"
    "device (the session's Sortida) says where the pages go:\n"
    "  PDF or nothing   vakprint.pdf in the work directory\n"
    "  TXT              vakprint.txt in the work directory (UTF-8 plain text)\n"
    "  PANTALLA         a preview in the terminal, then print, save the PDF or discard\n"
    "  LPT1-LPT3, PRN   the default printer queue\n"
    "  any other name   the printer queue of that name\n"
    "Printed pages are also kept in vakprint.pdf. The paper is A4, or what PAPER or\n"
    "/etc/papersize names (letter); the print server is the system's (CUPS_SERVER).\n"
    "\n"
    "Exit codes: 0 the pages went where the device says (or the preview's choice);\n"
    "1 the print file is missing, unreadable or incomplete, an output could not be written,\n"
    "or the printer queue or server could not take the job (the PDF is kept); 2 bad arguments.\n";

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

// Fontconfig keeps its font cache for the life of the process; in a build with the leak checker
// that cache is not reported as the spooler's leak. (Ignored in every other build.)
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s\n", kVersion);
    return 0;
  }
  if (argc > 1) {
    std::fprintf(stderr, "vakprint: unknown argument %s (try vakprint --help)\n", argv[1]);
    return 2;
  }
  zem::platform::HostEnvironment env;
  zem::platform::HostFileSystem files;
  zem::platform::HostClock clock;
  zem::platform::Services& services = zem::platform::Current();
  services.env = &env;
  services.files = &files;
  services.clock = &clock;

  std::unique_ptr<zem::platform::TerminalConsole> console;
  zem::vakprint::CupsQueues queues;
  zem::vakprint::SpoolJob job;
  job.work_dir = WorkDirectory();
  job.queues = &queues;
  job.paper = zem::vakprint::SystemPaper();
  job.open_screen = [&](std::string* why) {
    console = zem::platform::TerminalConsole::Open(why);
    services.console = console.get();
    return console != nullptr;
  };
  const zem::vakprint::SpoolReport report = zem::vakprint::Spool(job);
  console.reset();  // gives the terminal back before the messages
  std::fputs(report.errors.c_str(), stderr);
  if (!report.done.empty()) std::printf("%s\n", report.done.c_str());
  return report.exit_code;
}
