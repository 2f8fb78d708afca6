#include "forms/form_tables.h"

#include <algorithm>

#include "storage/file_table.h"
#include "platform/program_state.h"

namespace zem {

FormState& Form() {
  static FormState state;
  return state;
}

void ResetForm() {
  Form() = FormState{};
}
ZEM_REGISTER_STATE_RESET(ResetForm);

std::string FormText(const std::string& catalan) {
  const FormState& form = Form();
  return form.TranslateText ? form.TranslateText(catalan) : catalan;
}

FormScreen* ScreenAt(int16_t screen) {
  std::vector<FormScreen>& screens = Form().Screens;
  if (screen < 1 || static_cast<size_t>(screen) > screens.size()) return nullptr;
  return &screens[static_cast<size_t>(screen) - 1];
}

FormField* FieldAt(int16_t screen, int16_t field) {
  FormScreen* owner = ScreenAt(screen);
  if (!owner || field < 1 || field > owner->FieldCount ||
      static_cast<size_t>(field) > owner->Fields.size())
    return nullptr;
  return &owner->Fields[static_cast<size_t>(field) - 1];
}

PickList* PickListAt(int16_t number) {
  std::vector<PickList>& lists = Form().PickLists;
  if (number < 1 || static_cast<size_t>(number) > lists.size()) return nullptr;
  return &lists[static_cast<size_t>(number) - 1];
}

void SetFieldValue(int16_t screen, int16_t field, std::string_view text) {
  FormField* target = FieldAt(screen, field);
  if (!target) return;
  std::string value(text.substr(0, static_cast<size_t>(std::max<int16_t>(target->Length, 0))));
  value.resize(static_cast<size_t>(std::max<int16_t>(target->Length, 0)), ' ');
  target->Value = std::move(value);
}

std::string FieldValue(int16_t screen, int16_t field) {
  const FormField* target = FieldAt(screen, field);
  return target ? target->Value : std::string();
}

std::string* FileRecord(int16_t id) {
  const int slot = FindFileSlot(id);
  return slot > 0 ? OpenFiles().Slots[slot].RecordArea : nullptr;
}

std::string RecordText(const std::string& record, size_t offset, size_t length) {
  std::string text = offset < record.size() ? record.substr(offset, length) : std::string();
  text.resize(length, ' ');
  return text;
}

double LeadingValue(std::string_view text) {
  size_t at = text.find_first_not_of(' ');
  double value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = value * 10 + (text[at] - '0');
  return value;
}

bool FindChoiceDescription(const std::string& choices, const std::string& value,
                           std::string* description) {
  size_t bar = choices.find('|');
  while (bar != std::string::npos) {
    const size_t next = choices.find('|', bar + 1);
    const std::string item =
        choices.substr(bar + 1, next == std::string::npos ? next : next - bar - 1);
    const size_t comma = item.find(',');
    if (item.substr(0, comma) == value) {
      *description = comma == std::string::npos ? std::string() : item.substr(comma + 1);
      return true;
    }
    bar = next;
  }
  return false;
}

}  // namespace zem
