#include "screen/help.h"

#include <cmath>
#include <string_view>

#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/catalogue.h"
#include "startup/session.h"

namespace zem {

namespace {

constexpr int kVisibleColumns = 76;
constexpr char kHighlightByte = 30;
constexpr char kFieldColourByte = 31;
constexpr char kReverseByte = 16;

// Characters the command interpreter would act on; a topic holding any of them is not run,
// so that a help topic can never smuggle a second command into the command line.
bool IsSafeForCommandLine(const std::string& topic) {
  constexpr std::string_view kUnsafe = "&|<>^\"%!()";
  for (unsigned char c : topic) {
    if (c < 32 || c == 127 || kUnsafe.find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  }
  return !topic.empty();
}

void ShowPage(const std::string& topic) {
  const std::string comspec = platform::Env().Get("COMSPEC");
  if (comspec.empty() || !IsSafeForCommandLine(topic)) return;
  platform::RunAndWait(comspec, {"/C", "KOBRAN", "AJUDA\\" + topic + ".HTM"});
}

// The text help file: fixed-length lines of the screen's width, without line ends.
class HelpText {
 public:
  explicit HelpText(const std::string& topic) {
    width_ = ScreenColumns();
    const std::string path = "AJUDA\\" + topic + ".HLP";
    if (!platform::Files().ReadFile(path, &bytes_)) {
      // Said in the window, so that the operator knows the help is missing, not empty.
      bytes_ = Translate("NO HI HA AJUDA PER A AQUEST TEMA: ") + path;
      bytes_.resize(width_, ' ');
    }
    lines_ = static_cast<int>(std::nearbyint(static_cast<double>(bytes_.size()) / width_));
  }
  int Lines() const { return lines_; }
  // Line k (from 1); the part of a line the file does not hold reads as blanks.
  std::string Line(int k) const {
    if (k < 1 || k > lines_) return "";
    size_t start = static_cast<size_t>(k - 1) * width_;
    std::string line = start < bytes_.size() ? bytes_.substr(start, width_) : "";
    line.resize(width_, ' ');
    return line;
  }

 private:
  std::string bytes_;
  int width_ = 80;
  int lines_ = 0;
};

class HelpWindow {
 public:
  HelpWindow(const std::string& topic, const HelpText& text)
      : topic_(topic), text_(text), height_(ScreenRows() - 8) {}

  void Run() {
    SetColour("+h");
    OpenWindow(4, 1, static_cast<int16_t>(ScreenRows() - 3), ScreenColumns());
    DrawFrame(2);
    SetColour("n");
    ShowLines(1, 1, height_);
    int next = height_ + 1;
    const int n = text_.Lines();
    const int h = height_;
    for (;;) {
      int16_t key = 0;
      WaitKey(key);
      switch (key) {
        case keys::kF1:
          if (topic_ != kGeneralHelpTopic) ShowHelp(kGeneralHelpTopic);
          break;
        case keys::kDown:
          if (n >= next) {
            Scroll(1);
            ShowLine(next, h);
            ++next;
          }
          break;
        case keys::kUp:
          if (next - h > 1) {
            --next;
            Scroll(-1);
            ShowLine(next - h, 1);
          }
          break;
        case keys::kPgDn:
          if (n >= next) {
            Scroll(h);
            if (next + h - 1 > n) next = n - h + 1;
            ShowLines(next, 1, h);
            next += h;
          }
          break;
        case keys::kPgUp:
          if (next - h - 1 > 0) {
            Scroll(h);
            if (next - 2 * h < 1) next = 2 * h;
            ShowLines(next - 2 * h + 1, 1, h);
            next = next - h + 1;
          }
          break;
        case keys::kHome:
          if (next - h - 1 > 0) {
            Scroll(h);
            ShowLines(1, 1, h);
            next = h + 1;
          }
          break;
        case keys::kEnd:
          if (n >= next) {
            Scroll(h);
            next = n - h + 1;
            ShowLines(next, 1, h);
            next = n + 1;
          }
          break;
        case keys::kEsc:
          CloseWindow();
          SetColour("-");
          return;
        default:
          break;
      }
    }
  }

 private:
  // Scrolls the inside of the frame up by n lines (down for n < 0).
  void Scroll(int n) {
    const WindowRect& w = Windows().CurrentWindow;
    ScrollArea(w.Top, w.Left, static_cast<int16_t>(w.Bottom - 2), static_cast<int16_t>(w.Right - 2),
               static_cast<int16_t>(n));
  }

  void ShowLines(int first, int first_row, int count) {
    for (int i = 0; i < count; ++i) ShowLine(first + i, first_row + i);
  }

  // Line k of the file on window row r, its markup bytes switching the colour roles.
  void ShowLine(int k, int r) {
    SetColour("n");
    LocateInWindow(static_cast<int16_t>(r), 2);
    platform::Console& screen = platform::Screen();
    const std::string line = text_.Line(k);
    if (line.find_first_of(std::string{kHighlightByte, kFieldColourByte, kReverseByte}) ==
        std::string::npos) {
      screen.Print(line.substr(0, kVisibleColumns));
      return;
    }
    bool field = false, highlight = false, reverse = false;
    int shown = 0;
    for (char c : line) {
      if (c == kFieldColourByte) {
        field = !field;
        SetColour(field ? "u" : "n");
      } else if (c == kHighlightByte) {
        highlight = !highlight;
        if (!field) SetColour(highlight ? "h" : "n");
      } else if (c == kReverseByte) {
        reverse = !reverse;
        SetColour(reverse ? "r" : "n");
      } else if (shown < kVisibleColumns) {
        screen.Print(std::string(1, c));
        ++shown;
      }
    }
  }

  const std::string topic_;
  const HelpText& text_;
  const int height_;
};

}  // namespace

void ShowHelp(const std::string& topic) {
  if (Session().RunMode == "WIN") {
    ShowPage(topic);
    return;
  }
  HelpText text(topic);
  HelpWindow(topic, text).Run();
}

}  // namespace zem
