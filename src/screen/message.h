#pragma once

#include <cstdint>
#include <string>

namespace zem {

// Opens a framed message window centred on the screen around `centre_row`, with `text` wrapped
// to lines of at most 76 characters, and returns with the window open; the caller closes it
// with CloseWindow. A message too tall for the screen is not shown, and the caller's
// CloseWindow then does nothing.
void ShowMessage(int16_t centre_row, const std::string& text);

// Shows a message the operator must acknowledge: the message window, the beep, pending keys
// discarded, one new key awaited, and the window closed again.
void ShowMessageAndWait(int16_t centre_row, const std::string& text);

}  // namespace zem
