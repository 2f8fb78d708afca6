#pragma once

#include "format/session_settings.h"

namespace zem {

// Reads the environment and the session, terminal and user files into Session().
void LoadSession();

}  // namespace zem
