#include "forms/form_engine.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "format/text_utils.h"
#include "forms/browse.h"
#include "forms/form_keys.h"
#include "forms/form_tables.h"
#include "platform/services.h"
#include "screen/field_editor.h"
#include "screen/help.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"

namespace zem {

namespace {

bool IsDisplayOnly(const FormField& field) {
  return (field.Flags & kFieldDisplayOnly) != 0;
}

int ValueColumn(const FormField& field) {
  return field.Column + static_cast<int>(field.Label.size());
}

// The lowest and highest field that is not display-only; first > last when there is none.
void EditableRange(const FormScreen& screen, int16_t& first, int16_t& last) {
  first = static_cast<int16_t>(screen.FieldCount + 1);
  last = 0;
  for (int16_t n = 1; n <= screen.FieldCount; ++n) {
    if (IsDisplayOnly(screen.Fields[n - 1])) continue;
    if (first > n) first = n;
    last = n;
  }
}

// Keys after which a continuation screen also ends the screen that ran it.
bool EndsChain(int16_t key) {
  switch (key) {
    case keys::kPgUp:
    case keys::kPgDn:
    case keys::kEnd:
    case keys::kCtrlB:
    case keys::kEnter:
    case keys::kDown:
    case keys::kUp:
      return true;
    default:
      return false;
  }
}

int16_t NextOf(int16_t screen) {
  const FormScreen* owner = ScreenAt(screen);
  return owner ? owner->NextScreen : 0;
}

// Whether the screen must first run its continuation, because the operator last left the
// chain from one of the screens after it. Forgets LeftScreen when it is not on the chain. The
// walk is bounded by the number of screens, so that a chain that loops cannot hang it.
bool ReentersContinuation(int16_t screen) {
  int16_t& left = Form().LeftScreen;
  int16_t at = screen;
  for (size_t steps = 0; steps < Form().Screens.size() && at != left && left > 0 && NextOf(at) > 0;
       ++steps)
    at = NextOf(at);
  if (at != left) left = 0;
  if (screen != left && left > 0 && NextOf(screen) > 0) return true;
  left = 0;
  return false;
}

// A field's mouse area: its label, value and information area.
bool InMouseArea(const FormField& field, int row, int column) {
  const bool multi_line = field.LineWidth > 0;
  const int lines = multi_line ? field.Length / field.LineWidth : 1;
  const int width = multi_line ? field.LineWidth : field.Length;
  return row >= field.Row && row <= field.Row + lines - 1 && column >= field.Column &&
         column <= ValueColumn(field) + width + field.InfoWidth - 1;
}

int16_t ClickedField(const FormScreen& screen, int16_t code) {
  const int point = -static_cast<int>(code);
  const int row = point % 100 - screen.Window.Top;
  const int column = point / 100 - screen.Window.Left;
  for (int16_t n = 1; n <= screen.FieldCount; ++n) {
    const FormField& field = screen.Fields[n - 1];
    if (!IsDisplayOnly(field) && InMouseArea(field, row, column)) return n;
  }
  return 0;
}

// The field of the screen whose F4 offers pick list `list`: the nearest one before `from`, else
// the nearest after it; 0 when no field offers it.
int16_t FieldOffering(const FormScreen& screen, int16_t list, int16_t from) {
  for (int16_t n = static_cast<int16_t>(from - 1); n >= 1; --n)
    if (screen.Fields[n - 1].Browse == list) return n;
  for (int16_t n = static_cast<int16_t>(from + 1); n <= screen.FieldCount; ++n)
    if (screen.Fields[n - 1].Browse == list) return n;
  return 0;
}

void WriteAt(int row, int column, const std::string& text) {
  LocateInWindow(static_cast<int16_t>(row), static_cast<int16_t>(column));
  platform::Screen().Print(text);
}

class ScreenRun {
 public:
  ScreenRun(int16_t screen, bool is_main, int16_t may_leave_up, int16_t may_leave_down,
            int16_t& key)
      : number_(screen),
        screen_(*ScreenAt(screen)),
        is_main_(is_main),
        may_leave_up_(may_leave_up),
        may_leave_down_(may_leave_down),
        key_(key) {}

  void Run() {
    const bool windowed = screen_.Window.Top != 0;
    if (windowed) {
      SetColour("+n");
      // A refused window must not clear the window around it.
      if (OpenWindow(screen_.Window.Top, screen_.Window.Left, screen_.Window.Bottom,
                     screen_.Window.Right))
        DrawFrame(2);
      SetColour("-");
    }
    PaintScreen(number_);
    EditableRange(screen_, first_, last_);
    bool edit = first_ <= last_;
    if (edit && ReentersContinuation(number_)) {
      RunScreen(static_cast<int16_t>(-screen_.NextScreen), may_leave_up_, may_leave_down_, key_);
      edit = !EndsChain(key_);
    }
    for (;;) {
      if (edit) EditFields(first_);
      const bool redo = Completion() == -1;
      // Without a field to edit, going back could only repeat the same check for ever.
      if (!redo || first_ > last_) break;
      edit = true;
    }
    if (windowed) CloseWindow();
  }

 private:
  int16_t Completion() {
    const auto& check = Form().CompletionCheck;
    return check ? check(number_, key_) : 0;
  }

  void EditFields(int16_t current) {
    while (current >= first_ && current <= last_) {
      EditOne(current);
      EditableRange(screen_, first_, last_);
      current = Move(current);
    }
  }

  // One field: edited and stored until its value is accepted, then the key that ended it is
  // in key_. A display-only field keeps the key that reached it.
  void EditOne(int16_t n) {
    FormField& field = screen_.Fields[n - 1];
    if (IsDisplayOnly(field)) return;
    ExitKeyScope saved_keys;
    const bool hidden = (field.Flags & kFieldHidden) != 0;
    std::string buffer = (field.Flags & (kFieldStartsBlank | kFieldHidden))
                             ? std::string(static_cast<size_t>(field.Length), ' ')
                             : field.Value;
    const int row = field.Row;
    const int column = ValueColumn(field);
    if (field.InfoWidth > 0)
      WriteAt(row, column + field.Length, std::string(static_cast<size_t>(field.InfoWidth), ' '));
    for (;;) {
      // Set again before every edit: a pick list or screen run from this field has its own.
      SetExitKeys("ea", screen_.ExitKeys + ",3b00");
      if (hidden) SetExitKeys("h", "");
      SetFieldChoices(field.Choices);
      int16_t cursor = 1;
      if (field.Flags & kFieldCursorAfterText) {
        const size_t end = buffer.find_last_not_of(' ');
        cursor = static_cast<int16_t>(end == std::string::npos ? 1 : end + 2);
      }
      EditField(static_cast<int16_t>(row), static_cast<int16_t>(column), field.LineWidth, buffer,
                cursor, key_);
      if (Accepted(n, field, buffer)) break;
      Beep();
    }
    if (hidden) SetExitKeys("v", "");
  }

  // Acts on the key that ended the edit; false when the field must be edited again.
  bool Accepted(int16_t n, const FormField& field, std::string& buffer) {
    if (key_ == keys::kF1) {
      std::string topic = Session().MenuName;
      topic.erase(topic.find_last_not_of(' ') + 1);
      if (!topic.empty()) ShowHelp(topic);
      key_ = 0;
      return true;
    }
    if (key_ == keys::kF4) {
      key_ = 0;
      if (field.Browse <= 0) return true;
      int16_t result = 0;
      Form().ChosenPickList = 0;
      RunBrowse(field.Browse, result);
      if (result != 0) return false;
      const int16_t chosen = Form().ChosenPickList;
      if (chosen == field.Browse) {
        StoreChoice(chosen, number_, n);
        key_ = (n == last_ && screen_.NextScreen == 0) ? keys::kEnter : keys::kDown;
      } else {
        // Chosen in a sub-list: the key goes to the field that offers that list itself, and
        // the operator stays here to pick from this field's own list again.
        const int16_t target = FieldOffering(screen_, chosen, n);
        if (target != 0) StoreChoice(chosen, number_, target);
      }
      return true;
    }
    if (field.InfoWidth > 0)
      WriteAt(field.Row, ValueColumn(field),
              buffer + std::string(static_cast<size_t>(field.InfoWidth), ' '));
    if (key_ == keys::kEsc) {
      ShowField(number_, n);
      return true;
    }
    const std::string& text =
        (IsAllChar(buffer, ' ') && (field.Flags & (kFieldStartsBlank | kFieldHidden))) ? field.Value
                                                                                       : buffer;
    return StoreField(number_, text, n, key_) == 0;
  }

  // The field after the movement of key_; 0 (outside the range) leaves the screen.
  int16_t Move(int16_t current) {
    switch (key_) {
      case keys::kPgUp:
        if (current > first_ || may_leave_up_ == 0) return first_;
        Form().LeftScreen = number_;
        return 0;
      case keys::kPgDn:
        if (current < last_ || may_leave_down_ == 0) return last_;
        Form().LeftScreen = number_;
        return 0;
      case keys::kEnd:
      case keys::kCtrlB:
        return 0;
      case keys::kEsc:
        return current > first_ ? first_ : 0;
      case keys::kEnter:
      case keys::kDown:
      case keys::kF2:
        if ((current == last_ || key_ == keys::kF2) && screen_.NextScreen > 0) {
          RunScreen(static_cast<int16_t>(-screen_.NextScreen), may_leave_up_, may_leave_down_,
                    key_);
          return EndsChain(key_) ? 0 : current;
        }
        if (key_ == keys::kDown) return current == last_ ? current : current + 1;
        if (key_ == keys::kEnter) return current + 1;
        return current;
      case keys::kUp:
        if (current > first_) return current - 1;
        if (is_main_) return current;
        key_ = keys::kEsc;
        return 0;
      case 0:
        return current;
      default:
        break;
    }
    if (key_ < 0) {
      const int16_t clicked = ClickedField(screen_, key_);
      return clicked != 0 ? clicked : current;
    }
    return 0;
  }

  const int16_t number_;
  FormScreen& screen_;
  const bool is_main_;
  const int16_t may_leave_up_;
  const int16_t may_leave_down_;
  int16_t& key_;
  int16_t first_ = 0;
  int16_t last_ = 0;
};

}  // namespace

void PaintScreen(int16_t screen) {
  const FormScreen* owner = ScreenAt(screen);
  if (!owner) return;
  SetColour("rh");
  const std::string& title = Session().MenuTitle;
  const long half = std::lrint(static_cast<double>(title.size()) / 2);
  platform::Screen().PutText(1, static_cast<int>(41 - half), title);
  SetColour("n");
  for (const FormField& field : owner->Fields) WriteAt(field.Row, field.Column, field.Label);
  SetColour("h");
  for (int16_t n = 1; n <= owner->FieldCount; ++n) ShowField(screen, n);
}

void RunScreen(int16_t screen, int16_t may_leave_up, int16_t may_leave_down, int16_t& key) {
  const bool is_main = screen >= 0;
  const int16_t number = static_cast<int16_t>(std::abs(static_cast<int>(screen)));
  if (!ScreenAt(number)) {
    key = keys::kEsc;
    return;
  }
  ScreenRun(number, is_main, may_leave_up, may_leave_down, key).Run();
}

}  // namespace zem
