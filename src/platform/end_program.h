#pragma once

namespace zem {

// Ends the process with `code`. The default calls std::exit; tests install a hook to observe
// the end (a hook that returns lets the caller go on, so tests usually throw).
using EndProgramHook = void (*)(int code);

// The installed hook, part of the program state (cleared by ResetProgramState).
struct ProgramEndState {
  EndProgramHook Hook = nullptr;
};
ProgramEndState& ProgramEnd();
void ResetProgramEnd();

void SetEndProgramHook(EndProgramHook hook);  // nullptr restores the default
void EndProgram(int code);

}  // namespace zem
