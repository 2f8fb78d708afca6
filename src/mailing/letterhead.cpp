// The administrator's letterhead lines MEM1 to MEM8.
#include "format/config_file.h"
#include "mailing/letter_mailing.h"
#include "platform/program_state.h"
#include "startup/session.h"

namespace zem {

LetterheadState& Letterhead() {
  static LetterheadState state;
  return state;
}

void ResetLetterhead() {
  Letterhead() = LetterheadState{};
}
ZEM_REGISTER_STATE_RESET(ResetLetterhead);

void LoadLetterhead() {
  LetterheadState& letterhead = Letterhead();
  if (letterhead.Loaded) return;
  const std::string file = Session().RootDir + "Nera.ini";
  for (size_t i = 0; i < letterhead.Lines.size(); ++i) {
    letterhead.Lines[i] = ReadConfigValue(file, "Administrador", "MEM" + std::to_string(i + 1));
  }
  letterhead.Loaded = true;
}

}  // namespace zem
