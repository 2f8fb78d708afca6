#pragma once

#include <string>

namespace zem {

// A quarter of the year, three months one under the other, with the session's working date
// highlighted (today when the session has no valid date). The arrows move the day, PgDn and
// PgUp the quarter, Home and End go to January and December. Returns the highlighted date in
// the short form when taken with "F", an empty text with Esc.
std::string CalendarPopup();

}  // namespace zem
