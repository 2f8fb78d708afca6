#include "screen/field_editor.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "format/text_utils.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"

namespace zem {

namespace {

using platform::CursorShape;
using platform::Screen;

constexpr char kLeftArrow = '\x11';
constexpr char kRightArrow = '\x10';
constexpr std::string_view kSeparators = " ,.;:";

struct Choice {
  std::string code;
  std::string description;
};

// "|S,S\xa1|N,No" gives the items (S, S\xa1) and (N, No).
std::vector<Choice> ParseChoices(const std::string& text) {
  std::vector<Choice> items;
  size_t bar = text.find('|');
  while (bar != std::string::npos) {
    size_t next = text.find('|', bar + 1);
    std::string item =
        text.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
    size_t comma = item.find(',');
    if (comma == std::string::npos) {
      items.push_back({item, ""});
    } else {
      items.push_back({item.substr(0, comma), item.substr(comma + 1)});
    }
    bar = next;
  }
  return items;
}

std::string FitTo(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

bool IsSeparator(char c) {
  return kSeparators.find(c) != std::string_view::npos;
}

bool IsPrintable(int16_t key, bool choice) {
  int lowest = choice ? 33 : 32;
  return (key >= lowest && key <= 126) || (key >= 128 && key <= 254);
}

char FoldedInitial(const std::string& text) {
  if (text.empty()) return 0;
  return UpperFold(text.substr(0, 1))[0];
}

// The editor's working state for one call.
class Editor {
 public:
  Editor(int16_t row, int16_t column, int16_t line_width, std::string& buffer, int16_t& cursor)
      : row_(row), column_(column), buffer_(buffer), cursor_(cursor) {
    length_ = static_cast<int>(buffer_.size());
    end_ = length_ + 1;
    // A negative width (a damaged form entry) is taken as one line, like 0.
    width_ = line_width <= 0 ? end_ : line_width;
    cursor_ = static_cast<int16_t>(std::clamp<int>(cursor_, 1, end_));
    choices_ = ParseChoices(Keyboard().Choices);
    for (size_t i = 0; i < choices_.size(); ++i) {
      if (choices_[i].code == buffer_) {
        current_ = static_cast<int>(i);
        break;
      }
    }
    for (const Choice& c : choices_)
      choice_width_ = std::max(choice_width_, static_cast<int>(c.description.size()));
  }

  int16_t Run() {
    if (IsChoice()) {
      Put(row_, column_ - 1, std::string(1, kLeftArrow));
      Put(row_, column_ + choice_width_, std::string(1, kRightArrow));
    }
    SetColour("u");
    int16_t key = 0;
    for (;;) {
      Display();
      PlaceCursor();
      key = NextKey();
      Screen().SetCursorShape(CursorShape::kHidden);
      if (key < 0) {
        if (Click(key)) continue;
      } else if (Edit(key)) {
        continue;
      }
      key = Translated(key);
      const KeyboardState& keyboard = Keyboard();
      if (keyboard.ExitCodes.empty()) break;
      int index = FindExitKey(key);
      if (index >= 0) {
        key = ExitResultAt(index);
        break;
      }
      if (key < 0) break;  // a click outside the field always ends the edit
    }
    SetColour("h");
    if (IsChoice()) {
      Put(row_, column_ - 1, " ");
      Put(row_, column_ + choice_width_, " ");
    }
    LocateInWindow(static_cast<int16_t>(row_), static_cast<int16_t>(column_));
    return key;
  }

 private:
  bool IsChoice() const { return !choices_.empty(); }

  void Put(int row, int column, const std::string& text) {
    Screen().PutText(WindowToScreenRow(static_cast<int16_t>(row)),
                     WindowToScreenColumn(static_cast<int16_t>(column)), text);
  }

  void Display() {
    const uint8_t mask = Keyboard().MaskChar;
    for (int k = 0; k * width_ + 1 <= length_; ++k) {
      if (mask != 0) {
        Put(row_ + k, column_, std::string(std::max(0, width_ - 1), static_cast<char>(mask)));
      } else if (IsChoice()) {
        const Choice& item = choices_[current_];
        buffer_ = FitTo(item.code, length_);
        Put(row_ + k, column_, FitTo(item.description, choice_width_));
      } else {
        Put(row_ + k, column_, buffer_.substr(k * width_, width_));
      }
    }
  }

  void PlaceCursor() {
    int row = row_ + (cursor_ - 1) / width_;
    int column = column_ + (cursor_ - 1) % width_;
    if (cursor_ == end_ && column == column_ && cursor_ > 1) {
      row -= 1;
      column = column_ + width_;
    }
    platform::Console& screen = Screen();
    screen.SetCursor(WindowToScreenRow(static_cast<int16_t>(row)),
                     WindowToScreenColumn(static_cast<int16_t>(column)));
    ShowCursorShape();
  }

  void ShowCursorShape() {
    platform::Console& screen = Screen();
    if (IsChoice()) {
      screen.SetCursorShape(CursorShape::kHidden);
    } else {
      screen.SetCursorShape(screen.InsertMode() ? CursorShape::kHalf : CursorShape::kFull);
    }
  }

  // Polls until a key or a button press; Ins is taken here.
  int16_t NextKey() {
    for (;;) {
      int16_t key = 0, button = 0, row = 0, column = 0;
      ReadKey(key, button, row, column);
      if (key == keys::kIns) {
        platform::Console& screen = Screen();
        screen.SetInsertMode(!screen.InsertMode());
        ShowCursorShape();
        continue;
      }
      if (key != 0) return key;
      if (button != 0) return static_cast<int16_t>(-(column * 100 + row));
      IdleWait();
    }
  }

  // A mouse click; true when it was taken inside the field.
  bool Click(int16_t key) {
    const int point = -static_cast<int>(key);
    const int r = ScreenToWindowRow(static_cast<int16_t>(point % 100));
    const int c = ScreenToWindowColumn(static_cast<int16_t>(point / 100));
    if (IsChoice()) {
      if (r != row_ || c < column_ - 1 || c > column_ + choice_width_) return false;
      if (c == column_ - 1) Step(-1);
      if (c == column_ + choice_width_) Step(1);
      return true;
    }
    const int lines = end_ / width_;
    if (r < row_ || r > row_ + lines - 1 || c < column_ || c > column_ + width_ - 1) return false;
    cursor_ = static_cast<int16_t>(std::min((r - row_) * width_ + (c - column_) + 1, end_));
    return true;
  }

  void Step(int direction) {
    const int n = static_cast<int>(choices_.size());
    current_ = (current_ + direction + n) % n;
  }

  void MoveCursor(int position) { cursor_ = static_cast<int16_t>(position); }

  // An editing key; true when the edit goes on.
  bool Edit(int16_t key) {
    const bool choice = IsChoice();
    if (IsPrintable(key, choice)) {
      TypeCharacter(static_cast<char>(key));
      return true;
    }
    switch (key) {
      case keys::kLeft:
        if (choice)
          Step(-1);
        else if (cursor_ > 1)
          MoveCursor(cursor_ - 1);
        return true;
      case keys::kSpace:  // only a choice field gets here
      case keys::kRight:
        if (choice)
          Step(1);
        else if (cursor_ < end_)
          MoveCursor(cursor_ + 1);
        return true;
      case keys::kBackspace:
        if (!choice && cursor_ > 1) {
          MoveCursor(cursor_ - 1);
          DeleteAtCursor();
        }
        return true;
      case keys::kDel:
        if (!choice && cursor_ <= length_) DeleteAtCursor();
        return true;
      case keys::kHome:
        MoveCursor(1);
        return true;
      case keys::kEnd: {
        size_t last = buffer_.find_last_not_of(' ');
        MoveCursor(last == std::string::npos ? 1 : static_cast<int>(last) + 2);
        return true;
      }
      case keys::kCtrlHome:
      case keys::kCtrlY:
        if (!choice) {
          buffer_.assign(length_, ' ');
          MoveCursor(1);
        }
        return true;
      case keys::kUp:
      case keys::kShiftTab:
        if (choice || cursor_ <= width_) return false;
        MoveCursor(cursor_ - width_);
        return true;
      case keys::kDown:
        if (choice || cursor_ > end_ - width_) return false;
        MoveCursor(cursor_ + width_);
        return true;
      case keys::kCtrlLeft:
        if (choice || cursor_ <= 1) return false;
        MoveCursor(WordStartLeft());
        return true;
      case keys::kCtrlRight:
        if (choice || cursor_ >= end_) return false;
        MoveCursor(WordStartRight());
        return true;
      case keys::kCtrlC:
        Screen().SetClipboardText(choice ? choices_[current_].description : TrimBlanks(buffer_));
        return true;
      case keys::kCtrlV:
        if (!choice) Paste();
        return true;
      default:
        return false;
    }
  }

  void TypeCharacter(char ch) {
    if (IsChoice()) {
      const int n = static_cast<int>(choices_.size());
      SetFolding(true);
      const char wanted = UpperFold(std::string(1, ch))[0];
      for (int i = 1; i <= n; ++i) {
        int candidate = (current_ + i) % n;
        if (FoldedInitial(choices_[candidate].description) == wanted) {
          current_ = candidate;
          break;
        }
      }
      SetFolding(folding_was_on_);
      return;
    }
    if (cursor_ > length_) return;
    if (Screen().InsertMode()) {
      if (buffer_.back() != ' ') return;  // a full buffer takes nothing more
      buffer_.insert(buffer_.begin() + (cursor_ - 1), ch);
      buffer_.pop_back();
    } else {
      buffer_[cursor_ - 1] = ch;
    }
    MoveCursor(cursor_ + 1);
  }

  void DeleteAtCursor() {
    buffer_.erase(cursor_ - 1, 1);
    buffer_ += ' ';
  }

  // The start of the word at or before cursor - 1; 1 when that word starts at 1 or 2 or only
  // separators lie to the left.
  int WordStartLeft() const {
    int p = cursor_ - 1;
    while (p > 1 && IsSeparator(buffer_[p - 1])) --p;
    while (p > 1 && !IsSeparator(buffer_[p - 2])) --p;
    return p <= 2 ? 1 : p;
  }

  // The first word character after a separator, right of the cursor; End when there is none.
  int WordStartRight() const {
    for (int p = cursor_ + 1; p <= length_; ++p) {
      if (!IsSeparator(buffer_[p - 1]) && IsSeparator(buffer_[p - 2])) return p;
    }
    return end_;
  }

  void Paste() {
    std::string text;
    for (unsigned char c : Screen().ClipboardText()) {
      if (c < 32 || c == 127 || c == 255) continue;
      text += static_cast<char>(c);
    }
    text = TrimBlanks(text);
    size_t room = static_cast<size_t>(length_ - (cursor_ - 1));
    buffer_.replace(cursor_ - 1, std::min(room, text.size()), text.substr(0, room));
  }

  // The ending key as the callers expect it. Tab counts as Enter in every respect, so it too
  // becomes End where End is an exit key.
  static int16_t Translated(int16_t key) {
    switch (key) {
      case keys::kShiftTab:
        return keys::kUp;
      case keys::kTab:
      case keys::kEnter:
        return FindExitKey(keys::kEnd) >= 0 ? keys::kEnd : keys::kEnter;
      case keys::kCtrlF4:
      case keys::kAltF4:
        return keys::kEsc;
      default:
        return key;
    }
  }

  int row_;
  int column_;
  std::string& buffer_;
  int16_t& cursor_;
  int length_ = 0;
  int end_ = 1;
  int width_ = 1;
  std::vector<Choice> choices_;
  int current_ = 0;
  int choice_width_ = 0;
  bool folding_was_on_ = Folding().On;
};

}  // namespace

void EditField(int16_t row, int16_t column, int16_t line_width, std::string& buffer,
               int16_t& cursor, int16_t& key) {
  if (row == 0) row = ScreenToWindowRow(static_cast<int16_t>(Screen().CursorRow()));
  if (column == 0) column = ScreenToWindowColumn(static_cast<int16_t>(Screen().CursorColumn()));
  Editor editor(row, column, line_width, buffer, cursor);
  key = editor.Run();
}

}  // namespace zem
