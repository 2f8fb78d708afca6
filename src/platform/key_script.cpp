#include "platform/key_script.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "platform/cp850.h"
#include "platform/key_decoder.h"
#include "platform/scan_codes.h"

namespace zem::platform {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
  int line = 1;
};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool Fail(std::string* error, int line, const std::string& message) {
  if (error) *error = "line " + std::to_string(line) + ": " + message;
  return false;
}

bool Tokenize(std::string_view script, std::vector<Token>* tokens, std::string* error) {
  int line = 1;
  size_t i = 0;
  while (i < script.size()) {
    char c = script[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      while (i < script.size() && script[i] != '\n') ++i;
    } else if (c == '"') {
      Token token{"", true, line};
      ++i;
      for (;;) {
        if (i >= script.size() || script[i] == '\n') {
          return Fail(error, token.line, "text without its closing quote");
        }
        char d = script[i++];
        if (d == '"') break;
        if (d == '\\' && i < script.size() && (script[i] == '"' || script[i] == '\\')) {
          d = script[i++];
        }
        token.text.push_back(d);
      }
      tokens->push_back(std::move(token));
    } else {
      Token token{"", false, line};
      while (i < script.size() && script[i] != ' ' && script[i] != '\t' && script[i] != '\r' &&
             script[i] != '\n') {
        token.text.push_back(script[i++]);
      }
      tokens->push_back(std::move(token));
    }
  }
  return true;
}

bool ParseNumber(std::string_view text, int* value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size();
}

// The key of a name without modifiers, with the given control-key bits.
bool NamedKey(const std::string& name, uint16_t control, InputEvent* event) {
  struct Named {
    const char* name;
    char32_t character;  // keys with a character
    uint8_t scan;        // keys without one
  };
  static constexpr Named kNames[] = {
      {"enter", 13, 0},         {"esc", 27, 0},
      {"escape", 27, 0},        {"tab", 9, 0},
      {"backspace", 8, 0},      {"space", ' ', 0},
      {"up", 0, scan::kUp},     {"down", 0, scan::kDown},
      {"left", 0, scan::kLeft}, {"right", 0, scan::kRight},
      {"home", 0, scan::kHome}, {"end", 0, scan::kEnd},
      {"pgup", 0, scan::kPgUp}, {"pgdn", 0, scan::kPgDn},
      {"ins", 0, scan::kIns},   {"del", 0, scan::kDel},
      {"pad5", 0, scan::kPad5},
  };
  std::string lower = Lower(name);
  for (const Named& named : kNames) {
    if (lower != named.name) continue;
    if (named.character != 0) return KeyForCharacter(named.character, control, event);
    *event = InputEvent::Key(0, named.scan, control);
    return true;
  }
  int number = 0;
  if (lower.size() >= 2 && lower[0] == 'f' && ParseNumber(lower.substr(1), &number) &&
      scan::FunctionKey(number) != 0) {
    *event = InputEvent::Key(0, scan::FunctionKey(number), control);
    return true;
  }
  // A single character (UTF-8): a letter after Ctrl or Alt names the key, in either case.
  char32_t cp = 0;
  int used = DecodeUtf8(name, &cp);
  if (used <= 0 || static_cast<size_t>(used) != name.size()) return false;
  if ((control & (kLeftCtrl | kLeftAlt)) && cp < 128 && std::isalpha(static_cast<int>(cp))) {
    cp = static_cast<char32_t>(std::tolower(static_cast<int>(cp)));
  }
  return KeyForCharacter(cp, control, event);
}

// "Shift+Ctrl+F1", "Alt+X", "Enter", "x".
bool KeyItem(const std::string& text, InputEvent* event) {
  uint16_t control = 0;
  std::string_view rest = text;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == std::string_view::npos || plus == 0 || plus + 1 == rest.size()) break;
    std::string modifier = Lower(rest.substr(0, plus));
    if (modifier == "shift") {
      control |= kShift;
    } else if (modifier == "ctrl") {
      control |= kLeftCtrl;
    } else if (modifier == "alt") {
      control |= kLeftAlt;
    } else {
      return false;
    }
    rest.remove_prefix(plus + 1);
  }
  if (!NamedKey(std::string(rest), control, event)) return false;
  // Shift with a letter gives the capital, as typing it would.
  if ((control & kShift) && !(control & (kLeftCtrl | kLeftAlt)) && event->ch >= 'a' &&
      event->ch <= 'z') {
    event->ch = static_cast<uint8_t>(event->ch - 'a' + 'A');
  }
  return true;
}

bool ClickItem(const std::string& command, const Token& where, std::vector<InputEvent>* out,
               std::string* error) {
  int button = command == "click" ? 1 : command == "rightclick" ? 2 : 3;
  size_t comma = where.text.find(',');
  int row = 0;
  int column = 0;
  if (where.quoted || comma == std::string::npos ||
      !ParseNumber(std::string_view(where.text).substr(0, comma), &row) ||
      !ParseNumber(std::string_view(where.text).substr(comma + 1), &column) || row < 1 ||
      column < 1) {
    return Fail(error, where.line,
                "a click needs row,column (\"Click 10,5\"), not '" + where.text + "'");
  }
  out->push_back(InputEvent::Mouse(button, row, column));
  return true;
}

}  // namespace

bool ParseKeyScript(std::string_view script, std::vector<InputEvent>* events, std::string* error) {
  std::vector<Token> tokens;
  if (!Tokenize(script, &tokens, error)) return false;
  std::vector<InputEvent> out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.quoted) {
      std::string_view text = token.text;
      while (!text.empty()) {
        char32_t cp = 0;
        int used = DecodeUtf8(text, &cp);
        InputEvent event;
        if (used <= 0 || !KeyForCharacter(cp, 0, &event)) {
          return Fail(error, token.line,
                      "\"" + token.text +
                          "\" holds a character that code "
                          "page 850 lacks");
        }
        out.push_back(event);
        text.remove_prefix(static_cast<size_t>(used));
      }
      continue;
    }
    std::string command = Lower(token.text);
    bool has_next = i + 1 < tokens.size();
    if (command == "click" || command == "rightclick" || command == "middleclick") {
      if (!has_next) return Fail(error, token.line, "a click needs row,column");
      if (!ClickItem(command, tokens[++i], &out, error)) return false;
    } else if (command == "wait") {
      int count = 1;
      if (has_next && !tokens[i + 1].quoted && ParseNumber(tokens[i + 1].text, &count)) ++i;
      if (count < 0 || count > 100000) return Fail(error, token.line, "bad count for Wait");
      out.insert(out.end(), static_cast<size_t>(count), InputEvent{});
    } else if (command == "altpad") {
      int digits = 0;
      while (i + 1 < tokens.size() && !tokens[i + 1].quoted && tokens[i + 1].text.size() == 1 &&
             std::isdigit(static_cast<unsigned char>(tokens[i + 1].text[0]))) {
        int digit = tokens[++i].text[0] - '0';
        out.push_back(InputEvent::Key(0, scan::KeypadDigit(digit), kLeftAlt));
        ++digits;
      }
      if (digits == 0) return Fail(error, token.line, "AltPad needs digits (\"AltPad 1 3 0\")");
    } else if (command == "char") {
      int code = 0;
      if (!has_next || tokens[i + 1].quoted || !ParseNumber(tokens[i + 1].text, &code) ||
          code < 1 || code > 255) {
        return Fail(error, token.line, "Char needs a code from 1 to 255");
      }
      ++i;
      out.push_back(InputEvent::Key(static_cast<uint8_t>(code)));
    } else {
      InputEvent event;
      if (!KeyItem(token.text, &event)) {
        return Fail(error, token.line, "unknown key '" + token.text + "'");
      }
      out.push_back(event);
    }
  }
  events->insert(events->end(), out.begin(), out.end());
  return true;
}

bool PushKeyScript(MemoryConsole* console, std::string_view script, std::string* error) {
  std::vector<InputEvent> events;
  if (!ParseKeyScript(script, &events, error)) return false;
  for (const InputEvent& event : events) console->Push(event);
  return true;
}

std::string ScreenLine(const Console& console, int row) {
  DumpOptions options;
  options.top = options.bottom = row;
  std::string line = DumpScreen(console, options);
  if (!line.empty()) line.pop_back();
  return line;
}

std::string DumpScreen(const Console& console, const DumpOptions& options) {
  int top = std::max(options.top, 1);
  int bottom = std::min(options.bottom, Console::kRows);
  int left = std::max(options.left, 1);
  int right = std::min(options.right, Console::kColumns);
  std::string out;
  for (int row = top; row <= bottom; ++row) {
    std::string line;
    for (int column = left; column <= right; ++column) {
      AppendUtf8(&line, Cp850GlyphCodePoint(console.CellAt(row, column).ch));
    }
    if (options.trim) {
      size_t end = line.find_last_not_of(' ');
      line.erase(end == std::string::npos ? 0 : end + 1);
    }
    out += line;
    out += '\n';
  }
  if (!options.attributes) return out;
  static constexpr char kHex[] = "0123456789abcdef";
  for (int layer = 0; layer < 2; ++layer) {
    out += layer == 0 ? "-- foreground\n" : "-- background\n";
    for (int row = top; row <= bottom; ++row) {
      for (int column = left; column <= right; ++column) {
        uint8_t attr = console.CellAt(row, column).attr;
        out += kHex[layer == 0 ? attr % 16 : attr / 16];
      }
      out += '\n';
    }
  }
  return out;
}

}  // namespace zem::platform
