// How each kind of field is shown and which values it accepts.

#include <string>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "format/number_check.h"
#include "format/text_utils.h"
#include "forms/form_engine.h"
#include "forms/form_tables.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "screen/windows.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"

namespace zem {

namespace {

constexpr size_t kDescriptionOffset = 8;
constexpr size_t kDescriptionLength = 40;

void WriteAt(int row, int column, const std::string& text) {
  LocateInWindow(static_cast<int16_t>(row), static_cast<int16_t>(column));
  platform::Screen().Print(text);
}

std::string Fit(std::string text, size_t width) {
  text.resize(width, ' ');
  return text;
}

// The description of the texts file's record with key `code`; blanks when the code is blank
// or no record has it. The description in the record area is cleared first, so a failed read
// leaves no earlier record's description behind.
std::string TextDescription(const std::string& code) {
  std::string* record = FileRecord(kFormTextsFile);
  if (!record || record->size() < kDescriptionOffset + kDescriptionLength)
    return std::string(kDescriptionLength, ' ');
  record->replace(kDescriptionOffset, kDescriptionLength, kDescriptionLength, ' ');
  if (!IsAllChar(code, ' ')) FindByKey(kFormTextsFile, 0, code, 0);
  return record->substr(kDescriptionOffset, kDescriptionLength);
}

bool TextCodeExists(const std::string& code) {
  return FindByKey(kFormTextsFile, 0, code, 0) == kStatusOk;
}

// The value as the field's kind shows it.
std::string Shown(const FormField& field) {
  const double number = LeadingValue(field.Value);
  switch (field.Kind) {
    case 1:
      return FormatDate(ParseDate(field.Value), 0, "dma");
    case 2:
      return FormatMask("ZZ9", number);
    case 3:
    case 7:
      return FormatMask("Z9", number);
    case 4:
      return FormatAmount("Z,ZZZ,ZZZ,ZZ9", number);
    default:
      break;
  }
  if (field.Choices.empty()) return field.Value;
  std::string description;
  if (!FindChoiceDescription(field.Choices, field.Value, &description)) return {};
  return Fit(description, static_cast<size_t>(field.Length + field.InfoWidth));
}

// Kinds with a display of their own; the others show a choice, several lines or the value.
bool IsShownByKind(int16_t kind) {
  return (kind >= 1 && kind <= 5) || kind == 7;
}

}  // namespace

void SetFieldChoices(const std::string& text) {
  Keyboard().Choices = text;
}

void ShowField(int16_t screen, int16_t field) {
  const FormField* target = FieldAt(screen, field);
  if (!target || (target->Flags & kFieldHidden)) return;
  const int row = target->Row;
  const int column = target->Column + static_cast<int>(target->Label.size());
  if (target->Kind == 5) {
    WriteAt(row, column, target->Value);
    WriteAt(row + 1, column, TextDescription(target->Value));
    return;
  }
  if (!IsShownByKind(target->Kind) && target->Choices.empty() && target->LineWidth > 0) {
    const size_t width = static_cast<size_t>(target->LineWidth);
    for (size_t at = 0, line = 0; at < target->Value.size(); at += width, ++line)
      WriteAt(row + static_cast<int>(line), column, target->Value.substr(at, width));
    return;
  }
  WriteAt(row, column, Shown(*target));
}

int16_t StoreField(int16_t screen, const std::string& text, int16_t field, int16_t& key) {
  (void)key;
  const FormField* target = FieldAt(screen, field);
  if (!target) return -1;
  std::string value = text;
  bool accepted = true;
  switch (target->Kind) {
    case 1:
      if (IsAllChar(value, ' ')) value = DateFieldText(Session().SessionDate);
      accepted = CheckDate(value) == 0;
      break;
    case 2:
    case 3:
      accepted = CheckNumberText(value, "") == 0;
      break;
    case 4:
      accepted = CheckNumberRange(value, 1, 2000000000, 0) == 0;
      break;
    case 5:
      value = AsciiUpper(Fit(value, static_cast<size_t>(target->Length)));
      accepted = IsAllChar(value, ' ') || TextCodeExists(value);
      break;
    case 7:
      accepted = CheckNumberRange(value, 1, 99, 0) == 0;
      break;
    default:
      break;
  }
  if (!accepted) return -1;
  SetFieldValue(screen, field, value);
  ShowField(screen, field);
  return 0;
}

}  // namespace zem
