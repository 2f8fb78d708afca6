#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace zem::platform {

// Scripted console input for tests and automation: a short readable text of what an operator
// types, turned into the input events the console reports.
//
// Items are separated by blanks or line ends; "#" starts a comment that runs to the line end.
//   "text"              the characters typed one by one; the script is UTF-8 and each character
//                       arrives as its code-page-850 key ("\"" and "\\" inside the quotes)
//   Enter Esc Tab Backspace Space Up Down Left Right Home End PgUp PgDn Ins Del Pad5 F1 … F12
//                       the named key (names are not case-sensitive; Pad5 is keypad 5)
//   x                   a single character outside quotes is that character's key
//   Shift+K  Ctrl+K  Alt+K
//                       K with Shift, left Ctrl or left Alt held; they combine (Ctrl+Shift+F1).
//                       Ctrl+C gives character 3, Alt+X the X key's scan code without a
//                       character, Shift+Tab the Tab scan code without a character
//   Click R,C  RightClick R,C  MiddleClick R,C
//                       a mouse button press at screen row R, column C (1-based)
//   Wait [N]            N polls that find nothing (1 when N is left out)
//   AltPad D D …        keypad digits typed with left Alt held, as the console reports them
//                       (Ins 0, End 1, Down 2, PgDn 3, Left 4, keypad 5, Right 6, Home 7,
//                       Up 8, PgUp 9, each without a character and with the left-Alt bit);
//                       the key reader ends the collection at the next poll that finds
//                       nothing, so "AltPad 6 5 Wait Enter" types "A" and then Enter
//   Char N              the character whose code-page-850 code is N (decimal, 1 to 255)
//
// Returns false and describes the first fault in *error (with its line) when the script is
// malformed; *events then holds nothing of it.
bool ParseKeyScript(std::string_view script, std::vector<InputEvent>* events,
                    std::string* error = nullptr);

// Parses a script and queues its events on a memory console.
bool PushKeyScript(MemoryConsole* console, std::string_view script, std::string* error = nullptr);

// What part of the screen a dump shows and how.
struct DumpOptions {
  int top = 1;
  int bottom = Console::kRows;
  int left = 1;
  int right = Console::kColumns;
  bool trim = true;  // drop the blanks at the end of each text line
  // Adds, after the text lines, a line "-- foreground", one line of hexadecimal foreground
  // digits per row (one digit per cell, under its character), a line "-- background" and the
  // background digits.
  bool attributes = false;
};

// The screen as UTF-8 text lines (each ending in "\n"), as the operator sees it.
std::string DumpScreen(const Console& console, const DumpOptions& options = {});

// One row of the screen as UTF-8 text, blanks at the end dropped.
std::string ScreenLine(const Console& console, int row);

}  // namespace zem::platform
