#pragma once

#include <string>

namespace zem {

// The general help topic, reachable with F1 from any help text.
inline constexpr const char* kGeneralHelpTopic = "QORTAVEL";

// Shows the help for `topic` (a help file name without extension). In "WIN" run mode the
// topic's page "AJUDA\<topic>.HTM" is opened through the command interpreter and the launcher
// KOBRAN; otherwise the text help file "AJUDA\<topic>.HLP" is paged in a framed window until
// Esc. Returns when the help is closed.
void ShowHelp(const std::string& topic);

}  // namespace zem
