#include "forms/browse.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "forms/browse_lines.h"
#include "forms/browse_source.h"
#include "forms/form_engine.h"
#include "forms/form_keys.h"
#include "forms/form_tables.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"

namespace zem {

namespace {

constexpr int kHorizontalStep = 8;
constexpr char kTopLeft = '\xc9';
constexpr char kTopRight = '\xbb';
constexpr char kHorizontal = '\xcd';
constexpr char kMoreLeft = '\x11';
constexpr char kMoreRight = '\x10';

void WriteAt(int row, int column, const std::string& text) {
  LocateInWindow(static_cast<int16_t>(row), static_cast<int16_t>(column));
  platform::Screen().Print(text);
}

// The window of one pick list and the operator's moves through its lines.
class BrowseList {
 public:
  BrowseList(const PickList& list, BrowseSource& source)
      : list_(list),
        source_(source),
        lines_(list.Bottom - list.Top - 1),
        width_(list.Right - list.Left - 1) {}

  // Runs the list until a line is chosen or the list is left; returns the key that ended it.
  int16_t Run(int16_t& result) {
    result = -1;
    top_ = source_.First();
    DrawAll();
    for (;;) {
      const uint32_t current = Current();
      WriteHighlight(current, "u");
      int16_t key = 0;
      WaitKey(key);
      WriteHighlight(current, "h");
      switch (key) {
        case keys::kLeft:
          if (offset_ > 1) {
            offset_ -= kHorizontalStep;
            DrawAll();
          }
          break;
        case keys::kRight:
          if (offset_ <= widest_) {
            offset_ += kHorizontalStep;
            DrawAll();
          }
          break;
        case keys::kUp:
          Up(current);
          break;
        case keys::kDown:
          Down(current);
          break;
        case keys::kPgUp:
          PageUp(current);
          break;
        case keys::kPgDn:
          PageDown(current);
          break;
        case keys::kEnter:
          result = Choose(current);
          return key;
        default:
          return key;
      }
    }
  }

 private:
  uint32_t Current() const { return row_ <= page_.size() ? page_[row_ - 1] : 0; }

  // Moves up to n lines from `position` (forward when n > 0); stops at the first or last line.
  uint32_t Step(uint32_t position, int n) {
    for (int i = 0; i < std::abs(n); ++i) {
      const uint32_t next = n > 0 ? source_.After(position) : source_.Before(position);
      if (next == 0) break;
      position = next;
    }
    return position;
  }

  void Up(uint32_t current) {
    const uint32_t previous = source_.Before(current);
    if (previous == 0) return;
    if (row_ > 1) {
      --row_;
      return;
    }
    top_ = previous;
    DrawPage();
  }

  void Down(uint32_t current) {
    if (current == 0 || source_.After(current) == 0) return;
    if (row_ < static_cast<size_t>(lines_) && row_ < page_.size()) {
      ++row_;
      return;
    }
    top_ = source_.After(top_);
    DrawPage();
  }

  void PageUp(uint32_t current) {
    if (source_.Before(top_) == 0) return;
    const uint32_t target = Step(current, -lines_);
    top_ = Step(top_, -lines_);
    ShowFrom(target);
  }

  void PageDown(uint32_t current) {
    if (after_page_ == 0) return;
    const uint32_t target = Step(current, lines_);
    top_ = after_page_;
    ShowFrom(target);
  }

  // Redraws the page from top_ with the highlight on `target`.
  void ShowFrom(uint32_t target) {
    row_ = 1;
    for (uint32_t at = top_; at != target && at != 0 && row_ < static_cast<size_t>(lines_);
         at = source_.After(at))
      ++row_;
    DrawPage();
  }

  int16_t Choose(uint32_t current) {
    if (current == 0) return -1;
    if (list_.FileId == 0) return 0;
    const uint32_t record = source_.At(current).Record;
    return record != 0 ? GotoPosition(list_.FileId, record) : -1;
  }

  // The part of a line the offset and the width show.
  std::string Visible(const std::string& line) const {
    std::string text =
        static_cast<size_t>(offset_ - 1) < line.size() ? line.substr(offset_ - 1) : "";
    text.resize(static_cast<size_t>(width_), ' ');
    return text;
  }

  void WriteHighlight(uint32_t position, const char* role) {
    if (position == 0) return;
    SetColour(role);
    WriteAt(static_cast<int>(row_), 1, Visible(source_.At(position).Line));
  }

  void DrawAll() {
    DrawPage();
    DrawHeading();
  }

  // Lines from top_ on; rows past the last line are blanked and the highlight moves up to it.
  void DrawPage() {
    SetColour("h");
    page_.clear();
    uint32_t at = top_;
    for (int row = 1; row <= lines_; ++row) {
      if (at == 0) {
        WriteAt(row, 1, std::string(static_cast<size_t>(width_), ' '));
        continue;
      }
      const std::string line = source_.At(at).Line;
      widest_ = std::max(widest_, static_cast<int>(line.size()) - width_);
      WriteAt(row, 1, Visible(line));
      page_.push_back(at);
      at = source_.After(at);
    }
    after_page_ = at;
    row_ = std::clamp<size_t>(row_, 1, std::max<size_t>(page_.size(), 1));
  }

  // The heading over the top frame line, with arrows where more lies to the left or right.
  void DrawHeading() {
    const std::string& heading = list_.Heading;
    std::string text(1, offset_ == 1 ? kTopLeft : kMoreLeft);
    for (int column = 1; column <= width_; ++column) {
      const size_t at = static_cast<size_t>(offset_ + column - 2);
      const char c = at < heading.size() ? heading[at] : ' ';
      text += c == ' ' ? kHorizontal : c == '_' ? ' ' : c;
    }
    const bool more_right =
        offset_ <= widest_ || heading.size() > static_cast<size_t>(offset_ + width_ - 1);
    text += more_right ? kMoreRight : kTopRight;
    SetColour("n");
    WriteAt(0, 0, text);
    SetColour("h");
  }

  const PickList& list_;
  BrowseSource& source_;
  const int lines_;
  const int width_;
  std::vector<uint32_t> page_;  // positions of the lines on the page, top first
  uint32_t top_ = 0;
  uint32_t after_page_ = 0;  // the line after the page; 0 when the last line is on it
  size_t row_ = 1;           // the highlighted row
  int offset_ = 1;           // the first column of the lines shown: 1, 9, 17, ...
  int widest_ = 0;           // the largest line length minus the width among the lines drawn
};

// The list itself, between the filter screen and the sub-list.
int16_t ShowList(int16_t number, const PickList& list, int16_t& result) {
  const std::string start = BrowseStart(number, list);
  if (list.FileId != 0) SetLockMode(list.FileId, "+d");
  SetColour("+n");
  // A window the screen cannot hold, or without room for a line, offers nothing to choose.
  const bool opened = OpenWindow(list.Top, list.Left, list.Bottom, list.Right);
  if (opened) DrawFrame(2);
  const bool usable = opened && list.Bottom - list.Top > 1 && list.Right - list.Left > 1;
  SetColour("h");
  int16_t key = 0;
  {
    ExitKeyScope saved_keys;
    SetExitKeys("ea", "d,1b,4800,5000,4900,5100,4b00,4d00");
    if (list.SubBrowse != 0) SetExitKeys("a", "3e00");
    {
      BrowseSource source(number, list.FileId, list.KeyNumber, start);
      if (usable) {
        key = BrowseList(list, source).Run(result);
      } else {
        result = -1;
      }
    }
    if (result == 0) Form().ChosenPickList = number;
    if (key == keys::kF4) RunBrowse(list.SubBrowse, result);
  }
  CloseWindow();
  SetColour("-");
  if (list.FileId != 0) SetLockMode(list.FileId, "-");
  return key;
}

}  // namespace

void RunBrowse(int16_t number, int16_t& result) {
  result = -1;
  const PickList* found = PickListAt(number);
  if (!found) return;
  const PickList list = *found;
  if (list.FilterScreen != 0) {
    int16_t key = 0;
    RunScreen(list.FilterScreen, 0, 0, key);
    if (key == keys::kEsc) return;
  }
  ShowList(number, list, result);
}

}  // namespace zem
