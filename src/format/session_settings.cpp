#include "format/session_settings.h"

#include "platform/program_state.h"

namespace zem {

SessionSettings& Session() {
  static SessionSettings settings;
  return settings;
}

void ResetSession() {
  Session() = SessionSettings{};
}
ZEM_REGISTER_STATE_RESET(ResetSession);

}  // namespace zem
