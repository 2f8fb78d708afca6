#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "screen/windows.h"

namespace zem {

// The screens, fields and pick lists of the screen form file, and the engine's state.

// Field flags.
constexpr int16_t kFieldStartsBlank = 1;
constexpr int16_t kFieldHidden = 2;
constexpr int16_t kFieldDisplayOnly = 4;
constexpr int16_t kFieldCursorAfterText = 8;

// File ids the text-code fields and the pick lists read.
constexpr int16_t kFormTextsFile = 60;
constexpr int16_t kFormPropertiesFile = 506;
constexpr int16_t kFormUnitsFile = 507;

struct FormField {
  int16_t Row = 0;  // of the label, relative to the current window
  int16_t Column = 0;
  std::string Label;
  int16_t Length = 0;     // characters of the value
  int16_t LineWidth = 0;  // 0 = one line, else Length / LineWidth lines of this width
  int16_t InfoWidth = 0;  // the information area right after the value
  int16_t Flags = 0;
  int16_t Kind = 0;
  int16_t Browse = 0;   // pick list offered by F4; 0 = none
  std::string Choices;  // "|code,description|..."; empty for ordinary fields
  std::string Value;    // always exactly Length characters
};

struct FormScreen {
  std::string ExitKeys;  // keys that end a field on this screen (F1 is always added)
  int16_t FieldCount = 0;
  int16_t NextScreen = 0;         // continuation screen; 0 = none
  WindowRect Window;              // Top 0 = no window of its own
  std::vector<FormField> Fields;  // fields 1 to FieldCount at index 0 to FieldCount - 1
};

struct PickList {
  int16_t FileId = 0;  // 0 = show the lines already in the work file
  int16_t KeyNumber = 0;
  int16_t Top = 0;
  int16_t Left = 0;
  int16_t Bottom = 0;
  int16_t Right = 0;
  int16_t FilterScreen = 0;  // screen run first for the starting point; 0 = none
  std::string Heading;       // drawn into the top frame line
  int16_t SubBrowse = 0;     // pick list opened by F4 inside this one; 0 = none
};

struct FormState {
  int16_t MaxFields = 0;
  std::vector<FormScreen> Screens;  // screens 1 to ScreenCount at index 0 to ScreenCount - 1
  std::vector<PickList> PickLists;  // pick lists 1 to BrowseCount at index 0 ...
  int16_t LeftScreen = 0;           // last screen left with PgUp or PgDn at its edge; 0 = none
  // The pick list whose line was chosen last: the one opened, or its sub-list when the line
  // was chosen there. The field stores the key by this list's number.
  int16_t ChosenPickList = 0;
  // The operator's-language version of a Catalan text; identity when unset.
  std::function<std::string(const std::string&)> TranslateText;
  // The completion check run when a screen ends; -1 sends the operator back to the first
  // field. Installed by the program that owns the screens; none installed accepts every end.
  std::function<int16_t(int16_t screen, int16_t& key)> CompletionCheck;
};

FormState& Form();
void ResetForm();

// The text in the operator's language, through the form's translation hook.
std::string FormText(const std::string& catalan);

// The screen or field, or null when the form has none of that number.
FormScreen* ScreenAt(int16_t screen);
FormField* FieldAt(int16_t screen, int16_t field);
PickList* PickListAt(int16_t number);

// Stores `text` as the field's value, left-aligned and padded or cut to its Length. A field
// that does not exist is ignored.
void SetFieldValue(int16_t screen, int16_t field, std::string_view text);
// The field's value; empty when the field does not exist.
std::string FieldValue(int16_t screen, int16_t field);

// The record area bound to an open data file; null when the id is not open.
std::string* FileRecord(int16_t id);
// `length` bytes of a record from `offset`, padded with blanks where the record is shorter.
std::string RecordText(const std::string& record, size_t offset, size_t length);

// The number a text begins with, leading blanks skipped (digits only, no sign); 0 when it
// begins with none. Not limited to 16 bits: amounts reach two thousand million.
double LeadingValue(std::string_view text);

// Finds the description of the item of a "|code,description|..." list whose code equals
// `value` exactly (padding included); false when no item has that code.
bool FindChoiceDescription(const std::string& choices, const std::string& value,
                           std::string* description);

}  // namespace zem
