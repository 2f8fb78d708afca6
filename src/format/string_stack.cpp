#include "format/string_stack.h"

#include <cstdint>

#include "platform/program_state.h"

namespace zem {

StringStackState& StringStack() {
  static StringStackState state;
  return state;
}

void ResetStringStack() {
  StringStack() = StringStackState{};
}
ZEM_REGISTER_STATE_RESET(ResetStringStack);

void PushString(const std::string& text) {
  std::string& data = StringStack().Data;
  const size_t length = text.size() < kMaxStackEntry ? text.size() : kMaxStackEntry;
  data.append(text, 0, length);
  data += static_cast<char>(length & 0xFF);
  data += static_cast<char>((length >> 8) & 0xFF);
}

std::string PopString() {
  std::string& data = StringStack().Data;
  if (data.size() < 2) {
    data.clear();
    return {};
  }
  const size_t end = data.size() - 2;
  const auto low = static_cast<uint8_t>(data[end]);
  const auto high = static_cast<uint8_t>(data[end + 1]);
  const auto length = static_cast<int16_t>(static_cast<uint16_t>(low | (high << 8)));
  if (length < 0 || static_cast<size_t>(length) > end) {
    data.clear();
    return {};
  }
  std::string text = data.substr(end - static_cast<size_t>(length), static_cast<size_t>(length));
  data.resize(end - static_cast<size_t>(length));
  return text;
}

}  // namespace zem
