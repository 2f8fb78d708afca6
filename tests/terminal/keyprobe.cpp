// A small program for the real-terminal test: it opens the terminal console, draws a framed
// box with accents and colours, and writes every key it reads to a file as the program's key
// code (character code, or scan code × 256 with the modifier arithmetic the key reader
// applies), and every mouse press as "click row column button". Ctrl+Q ends it; "!" makes it
// crash (to check that a fault gives the terminal back); "?" lends the terminal to a child shell
// that saves its terminal settings in "<output file>.child", sleeps 1.5 s and exits with 7, and
// writes "child <exit code>" afterwards; "c" puts "Café" on the clipboard; "-" hides the
// cursor and "+" shows it full height. The first line of the file is
// "ready <process id>", written once the screen is drawn.
//
// Usage: keyprobe <output file>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "platform/scan_codes.h"
#include "platform/services.h"
#include "platform/terminal_console.h"
#include "platform/terminal_signals.h"

namespace {

using zem::platform::InputEvent;

// The key code of a key event: the character, or the scan code × 256, with Alt, Ctrl and
// Shift moving the function keys and Ctrl the Home, Left and Right keys.
int KeyCode(const InputEvent& event) {
  namespace scan = zem::platform::scan;
  int code = event.ch != 0 ? event.ch : event.scan * 256;
  if (code == 0x1200) return 213;
  if (event.ch != 0) return code;
  bool f1_to_f10 = event.scan >= scan::kF1 && event.scan < scan::kF1 + 10;
  bool f11_f12 = event.scan == scan::kF11 || event.scan == scan::kF12;
  if (event.control & (zem::platform::kLeftAlt | zem::platform::kRightAlt)) {
    if (f1_to_f10) code += 0x2d00;
    if (f11_f12) code += 0x0600;
  } else if (event.control & (zem::platform::kLeftCtrl | zem::platform::kRightCtrl)) {
    if (f1_to_f10) code += 0x2300;
    if (f11_f12) code += 0x0400;
    if (event.scan == scan::kHome) code = 0x7700;
    if (event.scan == scan::kRight) code = 0x7400;
    if (event.scan == scan::kLeft) code = 0x7300;
  } else if (event.control & zem::platform::kShift) {
    if (f1_to_f10) code += 0x1900;
    if (f11_f12) code += 0x0200;
  }
  return code;
}

void DrawBox(zem::platform::Console& console) {
  console.SetColours(15, 1);  // bright white on blue
  console.PutText(2, 3, "\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb");
  console.PutText(3, 3, "\xba Caf\x82 \x87\x85  \xba");
  console.PutText(4, 3, "\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc");
  console.SetColours(14, 4);  // yellow on red
  console.PutText(6, 3, "\x11 S\xa1 \x10");
  console.SetColours(7, 0);
  console.PutText(8, 3, "Last key:");
  console.PutText(25, 76, "edge\xdb");  // the bottom-right cell must not scroll the screen
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: keyprobe <output file>\n");
    return 2;
  }
  zem::platform::InstallTerminalGuards(argv[0]);
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  std::string error;
  auto console = zem::platform::TerminalConsole::Open(&error);
  if (!console) {
    std::fprintf(stderr, "keyprobe: %s\n", error.c_str());
    return 2;
  }
  zem::platform::HostProcessRunner runner;
  zem::platform::Current().console = console.get();
  zem::platform::Current().processes = &runner;
  DrawBox(*console);
  console->SetCursor(8, 13);
  if (console->HasMouse()) console->SetMouseReporting(true);
  console->Refresh();
  std::fprintf(out, "ready %d\n", static_cast<int>(getpid()));
  std::fflush(out);

  for (;;) {
    InputEvent event;
    if (!console->PollEvent(&event)) continue;
    if (event.kind == InputEvent::Kind::kMousePress) {
      std::fprintf(out, "click %d %d %d\n", event.row, event.column, event.button);
    } else {
      int code = KeyCode(event);
      if (code == 17) break;  // Ctrl+Q
      if (code == '!') std::raise(SIGSEGV);
      if (code == 'c') console->SetClipboardText("Caf\x82");
      if (code == '-') console->SetCursorShape(zem::platform::CursorShape::kHidden);
      if (code == '+') console->SetCursorShape(zem::platform::CursorShape::kFull);
      if (code == '?') {
        std::string script = "stty -a > '" + std::string(argv[1]) + ".child'; sleep 1.5; exit 7";
        int status = zem::platform::RunAndWait("/bin/sh", {"-c", script});
        std::fprintf(out, "child %d\n", status);
        std::fflush(out);
        continue;
      }
      std::fprintf(out, "key %x\n", code);
      char shown[16];
      std::snprintf(shown, sizeof shown, "%-6x", code);
      console->PutText(8, 13, shown);
    }
    std::fflush(out);
  }
  std::fprintf(out, "end\n");
  std::fclose(out);
  return 0;
}
