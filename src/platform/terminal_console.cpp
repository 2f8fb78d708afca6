#include "platform/terminal_console.h"

#include <langinfo.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/cp850.h"
#include "platform/terminal_signals.h"
#include "recman/btrcall.h"

// The terminal library comes last: its macros (erase, refresh, ...) clash with names above.
#include <curses.h>
#include <term.h>

namespace zem::platform {
namespace {

constexpr std::string_view kMouseOn = "\x1b[?1000h\x1b[?1006h";
constexpr std::string_view kMouseOff = "\x1b[?1006l\x1b[?1000l";

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t written = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

// A terminfo string capability, empty when the terminal lacks it.
std::string Capability(const char* name) {
  char* value = tigetstr(const_cast<char*>(name));
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return "";
  return value;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t v = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int shift : {18, 12, 6, 0}) out += kDigits[(v >> shift) & 63];
  }
  size_t rest = bytes.size() - i;
  if (rest > 0) {
    uint32_t v = uint8_t(bytes[i]) << 16;
    if (rest == 2) v |= uint8_t(bytes[i + 1]) << 8;
    out += kDigits[(v >> 18) & 63];
    out += kDigits[(v >> 12) & 63];
    out += rest == 2 ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

// The terminal shows UTF-8 whatever the user's locale says about numbers and dates: only the
// character type is taken from the environment, and a UTF-8 one is forced when it is not.
void UseUtf8Characters() {
  std::setlocale(LC_CTYPE, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
    if (std::setlocale(LC_CTYPE, name)) return;
  }
}

bool TermLooksLike(const char* term, std::initializer_list<const char*> families) {
  for (const char* family : families) {
    if (std::strstr(term, family)) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<TerminalConsole> TerminalConsole::Open(std::string* error) {
  std::unique_ptr<TerminalConsole> console(new TerminalConsole());
  if (!console->Start(error)) return nullptr;
  return console;
}

bool TerminalConsole::Start(std::string* error) {
  auto fail = [error](const std::string& message) {
    if (error) *error = message;
    return false;
  };
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    return fail("standard input and output must be a terminal");
  }
  const char* term = std::getenv("TERM");
  if (term == nullptr || *term == 0) return fail("the TERM environment variable is not set");
  termios original{};
  if (tcgetattr(STDIN_FILENO, &original) != 0) return fail("cannot read the terminal settings");

  InstallTerminalGuards();
  UseUtf8Characters();
  screen_ = newterm(nullptr, stdout, stdin);
  if (screen_ == nullptr) return fail(std::string("unknown terminal type \"") + term + "\"");
  set_term(screen_);
  raw();
  noecho();
  nonl();
  keypad(stdscr, FALSE);
  intrflush(stdscr, FALSE);

  if (has_colors() && start_color() == OK) {
    if (COLORS >= 16 && COLOR_PAIRS >= 256) {
      colours_ = 16;
    } else if (COLORS >= 8 && COLOR_PAIRS >= 64) {
      colours_ = 8;
    }
    for (int background = 0; background < colours_; ++background) {
      for (int foreground = 0; foreground < colours_; ++foreground) {
        int pair = PairNumber(foreground, background, colours_);
        if (pair != 0)
          init_pair(static_cast<short>(pair), static_cast<short>(foreground),
                    static_cast<short>(background));
      }
    }
  }

  has_mouse_ = !Capability("kmous").empty();
  clipboard_escape_ = !Capability("Ms").empty() ||
                      TermLooksLike(term, {"xterm", "tmux", "screen", "rxvt", "kitty", "foot"});
  cursor_shape_sequence_ = Capability("Ss");
  cursor_reset_ = Capability("Se");

  std::string restore(kMouseOff);
  restore += cursor_reset_;
  restore += Capability("sgr0");
  restore += Capability("cnorm");
  restore += Capability("rmcup");
  ArmTerminalRestore(original, restore);

  FollowTerminalSize();
  Refresh();
  return true;
}

TerminalConsole::~TerminalConsole() {
  if (screen_ == nullptr) return;
  if (!suspended_) {
    if (mouse_on_) WriteRaw(kMouseOff);
    if (shape_sent_ >= 0) WriteRaw(cursor_reset_);
    curs_set(1);
    endwin();
  }
  delscreen(screen_);
  DisarmTerminalRestore();
}

void TerminalConsole::FollowTerminalSize() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0 &&
      (size.ws_row != LINES || size.ws_col != COLS)) {
    resize_term(size.ws_row, size.ws_col);
  }
  if (LINES != terminal_rows_ || COLS != terminal_columns_) {
    terminal_rows_ = LINES;
    terminal_columns_ = COLS;
    placement_ = PlaceScreen(terminal_rows_, terminal_columns_);
    shown_valid_ = false;
    showing_request_ = false;
  }
}

void TerminalConsole::Refresh() {
  if (suspended_ || screen_ == nullptr) return;
  FollowTerminalSize();
  if (!placement_.fits) {
    if (!showing_request_) {
      ::erase();
      attrset(A_NORMAL);
      std::string request = EnlargeRequest(terminal_rows_, terminal_columns_);
      mvaddnstr(0, 0, request.c_str(), static_cast<int>(request.size()));
      curs_set(0);
      visibility_ = 0;
      ::refresh();
      showing_request_ = true;
    }
    return;
  }
  Draw();
  ApplyModes();
}

void TerminalConsole::Draw() {
  Frame wanted = CaptureFrame(*this);
  if (!shown_valid_) {
    ::erase();
    clearok(curscr, TRUE);
    // Nothing on the terminal can be trusted: every cell counts as changed.
    for (size_t i = 0; i < shown_.size(); ++i) {
      shown_[i] = Cell{static_cast<uint8_t>(wanted[i].ch ^ 1), wanted[i].attr};
    }
    shown_valid_ = true;
    showing_request_ = false;
  }
  for (const CellRun& run : ChangedRuns(shown_, wanted)) {
    int y = placement_.top + run.row - 1;
    int x = placement_.left + run.column - 1;
    for (const Cell& cell : run.cells) {
      wchar_t text[2] = {static_cast<wchar_t>(Cp850GlyphCodePoint(cell.ch)), 0};
      TerminalColours colours = ColoursFor(cell.attr, colours_);
      attr_t attributes = A_NORMAL;
      if (colours.bold) attributes |= A_BOLD;
      if (colours.reverse) attributes |= A_REVERSE;
      cchar_t shown;
      setcchar(&shown, text, attributes, static_cast<short>(colours.pair), nullptr);
      mvadd_wch(y, x++, &shown);
    }
  }
  shown_ = wanted;

  int visibility = GetCursorShape() == CursorShape::kHidden ? 0 : 1;
  if (visibility != 0 && cursor_shape_sequence_.empty() && GetCursorShape() == CursorShape::kFull)
    visibility = 2;
  if (visibility != visibility_) {
    curs_set(visibility);
    visibility_ = visibility;
  }
  move(placement_.top + CursorRow() - 1, placement_.left + CursorColumn() - 1);
  ::refresh();
}

// Modes the terminal library knows nothing of, written after its output has gone out.
void TerminalConsole::ApplyModes() {
  if (mouse_wanted_ != mouse_on_) {
    WriteRaw(mouse_wanted_ ? kMouseOn : kMouseOff);
    mouse_on_ = mouse_wanted_;
  }
  if (!cursor_shape_sequence_.empty() && GetCursorShape() != CursorShape::kHidden) {
    // Blinking underline for the half-height (insert) cursor, blinking block for the full one.
    int shape = GetCursorShape() == CursorShape::kHalf ? 3 : 1;
    if (shape != shape_sent_) {
      WriteRaw(tiparm(cursor_shape_sequence_.c_str(), shape));
      shape_sent_ = shape;
    }
  }
}

void TerminalConsole::ReadInput(int timeout_ms) {
  // Waiting for the operator: the record manager lets go of its read snapshots first.
  if (timeout_ms > 0) recman::EndReadSnapshots();
  pollfd input{STDIN_FILENO, POLLIN, 0};
  int ready = ::poll(&input, 1, timeout_ms);
  if (ready <= 0) return;
  if (input.revents & POLLIN) {
    char bytes[512];
    ssize_t count = ::read(STDIN_FILENO, bytes, sizeof bytes);
    if (count > 0) {
      decoder_.Feed(std::string_view(bytes, static_cast<size_t>(count)), NowMs());
      return;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) return;
  } else if (!(input.revents & (POLLHUP | POLLERR | POLLNVAL))) {
    return;
  }
  // The terminal is gone (hang-up or end of input): waiting for keys would never end. Leave
  // as a hang-up signal would.
  std::raise(SIGHUP);
}

bool TerminalConsole::NextEvent(InputEvent* event) {
  InputEvent next;
  while (decoder_.Next(&next, NowMs())) {
    if (!placement_.fits) continue;  // the operator cannot see the screen: input is set aside
    if (next.kind == InputEvent::Kind::kMousePress) {
      next.row -= placement_.top;
      next.column -= placement_.left;
      if (next.row < 1 || next.row > kRows || next.column < 1 || next.column > kColumns) continue;
    }
    *event = next;
    return true;
  }
  return false;
}

bool TerminalConsole::PollEvent(InputEvent* event) {
  if (suspended_) return false;
  Refresh();
  ReadInput(0);
  if (NextEvent(event)) return true;
  ReadInput(kIdleWaitMs);
  return NextEvent(event);
}

void TerminalConsole::DiscardInput() {
  tcflush(STDIN_FILENO, TCIFLUSH);
  decoder_.Reset();
}

void TerminalConsole::Beep() {
  if (!suspended_) beep();
}

void TerminalConsole::Suspend() {
  if (suspended_ || screen_ == nullptr) return;
  if (mouse_on_) WriteRaw(kMouseOff);
  mouse_on_ = false;
  if (shape_sent_ >= 0) WriteRaw(cursor_reset_);
  shape_sent_ = -1;
  def_prog_mode();
  endwin();
  SetTerminalLent(true);
  suspended_ = true;
}

void TerminalConsole::Resume() {
  if (!suspended_) return;
  suspended_ = false;
  SetTerminalLent(false);
  reset_prog_mode();
  decoder_.Reset();
  visibility_ = -1;
  shown_valid_ = false;
  Refresh();
}

void TerminalConsole::SetClipboardText(std::string_view text) {
  Console::SetClipboardText(text);
  if (!clipboard_escape_ || suspended_) return;
  WriteRaw("\x1b]52;c;" + Base64(Cp850ToUtf8(text)) + "\x07");
}

}  // namespace zem::platform
