#include "tools/vakhelp/help_source.h"

#include <string_view>

#include "platform/cp850.h"

namespace zem::vakhelp {
namespace {

constexpr std::string_view kMarks = "*_^";
constexpr char kMarkBytes[] = {30, 31, 16};

// One source line in help-file bytes; on a fault, the empty text and the reason in `error`.
std::string BuildLine(std::string_view line, std::string* error) {
  int unmapped = 0;
  const std::string text = platform::Utf8ToCp850(line, '?', &unmapped);
  if (unmapped > 0) {
    *error = "characters code page 850 does not have";
    return {};
  }
  std::string out;
  int visible = 0;
  bool on[3] = {};
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const size_t mark = kMarks.find(c);
    if (mark != std::string_view::npos && !(i + 1 < text.size() && text[i + 1] == c)) {
      on[mark] = !on[mark];
      out += kMarkBytes[mark];
      continue;
    }
    if (mark != std::string_view::npos) ++i;  // a doubled mark: the character itself
    if (static_cast<unsigned char>(c) < 32 || c == 127) {
      *error = "a control character (a tab?)";
      return {};
    }
    out += c;
    ++visible;
  }
  for (size_t m = 0; m < kMarks.size(); ++m) {
    if (on[m]) {
      *error = std::string("\"") + kMarks[m] + "\" switched on and not off";
      return {};
    }
  }
  if (visible > kHelpVisibleWidth) {
    *error = std::to_string(visible) + " characters, at most " + std::to_string(kHelpVisibleWidth) +
             " are shown";
    return {};
  }
  if (out.size() > static_cast<size_t>(kHelpLineBytes)) {
    *error = "too many marks: " + std::to_string(out.size()) + " bytes, at most " +
             std::to_string(kHelpLineBytes);
    return {};
  }
  out.resize(kHelpLineBytes, ' ');
  return out;
}

}  // namespace

bool BuildHelpFile(const std::string& source, std::string* help, std::vector<std::string>* errors) {
  help->clear();
  errors->clear();
  size_t start = 0;
  for (int number = 1; start < source.size(); ++number) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    std::string_view line(source.data() + start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.front() == '#') continue;
    std::string error;
    const std::string built = BuildLine(line, &error);
    if (!error.empty()) {
      errors->push_back("line " + std::to_string(number) + ": " + error);
      continue;
    }
    *help += built;
  }
  return errors->empty();
}

}  // namespace zem::vakhelp
