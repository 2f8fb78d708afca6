#pragma once

namespace zem {

// Makes Alt+X open the calculator and Alt+C the calendar from any key read; what they return
// is typed into the field being edited. The program calls it once at start-up, after the
// keyboard state is in place.
void InstallPopups();

}  // namespace zem
