#include "platform/end_program.h"

#include <cstdlib>

#include "platform/program_state.h"

namespace zem {

ProgramEndState& ProgramEnd() {
  static ProgramEndState state;
  return state;
}

void ResetProgramEnd() {
  ProgramEnd() = ProgramEndState{};
}
ZEM_REGISTER_STATE_RESET(ResetProgramEnd);

void SetEndProgramHook(EndProgramHook hook) {
  ProgramEnd().Hook = hook;
}

void EndProgram(int code) {
  if (ProgramEnd().Hook) {
    ProgramEnd().Hook(code);
    return;
  }
  std::exit(code);
}

}  // namespace zem
