#include "forms/calendar_popup.h"

#include <algorithm>

#include "format/dates.h"
#include "format/text_utils.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"

namespace zem {
namespace {

constexpr int16_t kAltF = 0x2100;
constexpr int kMonthsShown = 3;
constexpr int kBlockRows = 7;  // the month's title and six week rows
constexpr int kLastCell = 42;  // six week rows of seven days
constexpr const char* kExitKeys = "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b";

struct Day {
  int year = 0;
  int month = 0;
  int day = 0;
};

std::string PackedDate(int year, int month, int day) {
  return PackDigits(ZeroPad(year * 10000.0 + month * 100 + day, 8));
}

std::string RightAligned(int value, size_t width) {
  std::string text = std::to_string(value);
  return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// The session's working date, or today when the session has none or one that names no day.
Day StartDay() {
  const std::string& packed = Session().SessionDate;
  if (packed.size() == 4) {
    const std::string digits = UnpackDigits(packed);
    if (digits.size() == 8 &&
        std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      const int value = std::stoi(digits);
      Day day{value / 10000, value / 100 % 100, value % 100};
      if (day.year > 0 && day.month >= 1 && day.month <= 12 && day.day >= 1 &&
          day.day <= DaysInMonth(day.year, day.month))
        return day;
    }
  }
  const platform::CalendarDate today = platform::Time().Today();
  return {today.year, today.month, today.day};
}

// The weekday headings, Monday first, each two characters wide at three-column steps.
const char* WeekdayHeading(const std::string& language) {
  if (language == "SPA" || language == "GLG") return " L  M  X  J  V  S  D";
  if (language == "OCI") return "DL DT DC DJ DD DS DG";
  return "DL DT DC DJ DV DS DG";
}

class Calendar {
 public:
  explicit Calendar(Day start) : at_(start) {}

  std::string Run() {
    PopupScope scope("+ea", kExitKeys);
    OpenWindow(1, 59, 24, 80);
    DrawFrame(1);
    Draw();
    std::string taken;
    for (;;) {
      SetColour("+u");
      PutDay(at_.day);
      int16_t key = 0;
      WaitKey(key);
      SetColour("-");
      PutDay(at_.day);
      if (key == 'F' || key == 'f' || key == kAltF) {
        taken = FormatDate(PackedDate(at_.year, at_.month, at_.day), 0, "dma");
        break;
      }
      if (key == keys::kEsc) break;
      Act(key);
    }
    CloseWindow();
    return taken;
  }

 private:
  void Act(int16_t key) {
    switch (key) {
      case keys::kRight:
        return MoveDay(1);
      case keys::kLeft:
        return MoveDay(-1);
      case keys::kDown:
        return MoveDay(7);
      case keys::kUp:
        return MoveDay(-7);
      case keys::kPgDn:
        return MoveQuarter(kMonthsShown);
      case keys::kPgUp:
        return MoveQuarter(-kMonthsShown);
      case keys::kHome:
        at_.month = 1;
        if (first_month_ != 1) Draw();
        return;
      case keys::kEnd:
        at_.month = 12;
        if (first_month_ + kMonthsShown - 1 != 12) Draw();
        return;
      default:
        return;
    }
  }

  // A day forwards or backwards runs over into the neighbouring month (and year); leaving the
  // quarter shown draws the new one.
  void MoveDay(int days) {
    at_.day += days;
    if (at_.day < 1) --at_.month;
    if (at_.month < first_month_) {
      if (at_.month < 1) {
        at_.month = 12;
        --at_.year;
      }
      Draw();
    }
    if (at_.day < 1) at_.day += Length(at_.month);
    if (at_.day > Length(at_.month)) {
      at_.day -= Length(at_.month);
      ++at_.month;
    }
    if (at_.month > first_month_ + kMonthsShown - 1) {
      if (at_.month > 12) {
        at_.month -= 12;
        ++at_.year;
      }
      Draw();
    }
  }

  // The same day of a month three months on or back, cut to that month's length.
  void MoveQuarter(int months) {
    at_.month += months;
    if (at_.month < 1) {
      at_.month += 12;
      --at_.year;
    }
    if (at_.month > 12) {
      at_.month -= 12;
      ++at_.year;
    }
    Draw();
    at_.day = std::min(at_.day, Length(at_.month));
  }

  int Length(int month) const { return DaysInMonth(at_.year, month); }
  int Weekday(int month, int day) const { return DayOfWeek(PackedDate(at_.year, month, day)); }
  int BlockRow(int month) const { return kBlockRows * (month - first_month_) + 2; }

  void Put(int row, int column, const std::string& text) {
    platform::Screen().PutText(WindowToScreenRow(static_cast<int16_t>(row)),
                               WindowToScreenColumn(static_cast<int16_t>(column)), text);
  }

  // Cell n of a month's block counts from 1 at the Monday of its first week row.
  void PutCell(int month, int cell, const std::string& text) {
    Put(BlockRow(month) + (cell - 1) / 7 + 1, 3 * ((cell - 1) % 7 + 1) - 2, text);
  }

  void PutDay(int day) {
    Put(BlockRow(at_.month) + (Weekday(at_.month, 1) + day - 2) / 7 + 1,
        3 * Weekday(at_.month, day) - 2, RightAligned(day, 2));
  }

  void Draw() {
    first_month_ = (at_.month - 1) / kMonthsShown * kMonthsShown + 1;
    const int width = InnerRight() - InnerLeft() + 1;
    SetColour("n");
    Put(0, (width - 6) / 2 + 1, " " + RightAligned(at_.year, 4) + " ");
    Put(1, 1, WeekdayHeading(Session().Language));
    for (int month = first_month_; month < first_month_ + kMonthsShown; ++month)
      DrawMonth(month, width);
  }

  void DrawMonth(int month, int width) {
    const int row = BlockRow(month);
    SetColour("n");
    Put(row, 1, std::string(width, ' '));
    const std::string title = UpperFold(FormatDate(PackedDate(at_.year, month, 1), 2, "m"));
    Put(row, (width - static_cast<int>(title.size())) / 2 + 1, title);
    SetColour("h");
    const int first = Weekday(month, 1);
    const int length = Length(month);
    for (int cell = 1; cell < first; ++cell) PutCell(month, cell, "  ");
    for (int day = 1; day <= length; ++day)
      Put(row + (first + day - 2) / 7 + 1, 3 * Weekday(month, day) - 2, RightAligned(day, 2));
    for (int cell = first + length; cell <= kLastCell; ++cell) PutCell(month, cell, "  ");
  }

  Day at_;
  int first_month_ = 1;  // the quarter shown starts here
};

}  // namespace

std::string CalendarPopup() {
  return Calendar(StartDay()).Run();
}

}  // namespace zem
