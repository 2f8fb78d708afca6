#include "forms/calculator_calendar_hooks.h"

#include "forms/calculator_popup.h"
#include "forms/calendar_popup.h"
#include "screen/keyboard.h"

namespace zem {

void InstallPopups() {
  KeyboardState& keyboard = Keyboard();
  keyboard.Calculator = CalculatorPopup;
  keyboard.Calendar = CalendarPopup;
}

}  // namespace zem
