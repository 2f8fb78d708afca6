#pragma once

#include <cstdint>

namespace zem {

// Runs pick list `number` of the form: its filter screen, then a framed list of one line per
// record read in key order, scrolled with the arrows, PgUp and PgDn. `result` is 0 when a line
// was chosen with Enter and its record is now current in its file; -1 when the list was
// cancelled (Esc on the filter screen, any key but the movement keys and Enter, a line without
// a record); otherwise the status of reading the chosen record. F4 opens the pick list's
// sub-list, whose result becomes the result.
void RunBrowse(int16_t number, int16_t& result);

// Stores the key of the current record of pick list `number`'s file into the field: the text
// code for list 1, the last three digits of the property or unit number for lists 2 to 4.
// Other numbers store nothing.
void StoreChoice(int16_t number, int16_t screen, int16_t field);

}  // namespace zem
