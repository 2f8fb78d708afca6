#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zem {

// What the main sequence owns for the whole run: the record buffers of the four data files
// (bound to their open files, so they must outlive them) and the message of a fault that ends
// the program, shown again on standard error once the terminal is given back.
struct ProgramState {
  std::string Texts, Properties, Units, Receipts;
  std::string FatalMessage;
};
ProgramState& Program();
void ResetProgram();

// The screen form file: root + "FORMS\" + kProgramId + ".QFM".
std::string ScreenFormPath();

// The fifteen default values of the parameter screen, from the session (field 1 is the
// session date as a date field shows it).
std::array<std::string, 15> ParameterDefaults();

// The program from start to end on the installed services: session, screen form, defaults,
// data files, the mailing until the operator leaves with Esc, and the close. Returns the exit
// code: 0 at the normal end, 255 when the screen form cannot be used (FatalMessage says why).
int RunProgram();

}  // namespace zem
