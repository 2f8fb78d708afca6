#pragma once

#include <cstdint>
#include <string>

namespace zem {

// Runs screen |screen| of the form: paints it, lets the operator edit its fields, follows its
// continuation screens and runs the completion check. A negative number runs the screen as a
// continuation of the one that called it (Up on its first field then leaves with Esc).
// `may_leave_up` / `may_leave_down` (0 = no) let PgUp on the first field and PgDn on the last
// leave the screen. `key` comes back as the key that ended the screen; a screen the form does
// not have ends at once with Esc.
void RunScreen(int16_t screen, int16_t may_leave_up, int16_t may_leave_down, int16_t& key);

// Writes the session title, the labels and every field's value.
void PaintScreen(int16_t screen);
// Writes a field's value as its kind shows it (nothing for a hidden field).
void ShowField(int16_t screen, int16_t field);
// Checks `text` by the field's kind; when accepted stores it (padded to the field's length,
// upper-cased for text codes), shows the field and returns 0, else returns -1 and keeps the
// old value.
int16_t StoreField(int16_t screen, const std::string& text, int16_t field, int16_t& key);
// Makes `text` the field editor's current choice list.
void SetFieldChoices(const std::string& text);

}  // namespace zem
