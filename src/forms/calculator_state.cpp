#include "forms/calculator_state.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "format/number_check.h"
#include "format/text_utils.h"
#include "platform/files.h"
#include "startup/session.h"

namespace zem {
namespace {

using platform::TextReader;

constexpr std::string_view kKeys = "+-*/%RC=";
constexpr std::string_view kPendingOperators = "+-*/=";
constexpr std::string_view kTapeOperators = " +-*/%R=";
constexpr std::string_view kLineEnd = "\r\n";

// A number as the state file holds it: plain decimal form, a minus for negatives, 0 for zero.
std::string NumberField(double value) {
  std::string text = NumberText(value);
  return text.empty() ? "0" : text;
}

std::string FlagField(bool flag) {
  return flag ? "-1" : "0";
}

std::string TextField(const std::string& text) {
  return "\"" + text + "\"";
}

// The items of one line; nothing when the line does not hold `count` of them.
std::optional<std::vector<std::string>> LineItems(const std::string& line, size_t count) {
  TextReader reader(line);
  std::vector<std::string> items(count);
  for (std::string& item : items) {
    if (reader.ReadTextItem(&item) != TextReader::Item::kRead) return std::nullopt;
  }
  return items;
}

std::optional<long> WholeNumber(const std::string& item, long low, long high) {
  const std::string text = TrimBlanks(item);
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return std::nullopt;
  return value;
}

std::optional<int16_t> SmallNumber(const std::string& item, long low, long high) {
  std::optional<long> value = WholeNumber(item, low, high);
  if (!value) return std::nullopt;
  return static_cast<int16_t>(*value);
}

std::optional<bool> Flag(const std::string& item) {
  std::optional<long> value =
      WholeNumber(item, std::numeric_limits<long>::min(), std::numeric_limits<long>::max());
  if (!value) return std::nullopt;
  return *value != 0;
}

std::optional<double> ParseNumber(const std::string& text) {
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

// A figure, taken as writing it back gives it: the file holds at most 15 significant digits.
std::optional<double> Figure(const std::string& item) {
  std::optional<double> value = ParseNumber(TrimBlanks(item));
  if (!value) return std::nullopt;
  return ParseNumber(NumberField(*value));
}

// A text of at most one character out of `allowed`.
std::optional<std::string> OneOf(const std::string& item, std::string_view allowed) {
  if (item.size() > 1 || (item.size() == 1 && allowed.find(item[0]) == std::string_view::npos))
    return std::nullopt;
  return item;
}

bool ReadPosition(const std::string& line, CalculatorState* state) {
  auto items = LineItems(line, 4);
  if (!items) return false;
  auto left = SmallNumber((*items)[0], 1, kCalculatorRightmostLeft);
  auto top = SmallNumber((*items)[1], kCalculatorHighestTapeTop, kCalculatorEmptyTape);
  auto display = Figure((*items)[2]);
  auto accumulator = Figure((*items)[3]);
  if (!left || !top || !display || !accumulator) return false;
  state->LeftColumn = *left;
  state->TapeTop = *top;
  state->Display = *display;
  state->Accumulator = *accumulator;
  return true;
}

bool ReadFlags(const std::string& line, CalculatorState* state) {
  auto items = LineItems(line, 4);
  if (!items) return false;
  auto cleared = Flag((*items)[0]);
  auto entering = Flag((*items)[1]);
  auto point = Flag((*items)[2]);
  auto decimals = SmallNumber((*items)[3], 0, std::numeric_limits<int16_t>::max());
  if (!cleared || !entering || !point || !decimals) return false;
  state->Cleared = *cleared;
  state->Entering = *entering;
  state->Point = *point;
  state->Decimals = *decimals;
  return true;
}

bool ReadOperators(const std::string& line, CalculatorState* state) {
  auto items = LineItems(line, 2);
  if (!items) return false;
  auto key = OneOf((*items)[0], kKeys);
  auto pending = OneOf((*items)[1], kPendingOperators);
  if (!key || !pending) return false;
  state->Key = *key;
  state->Pending = *pending;
  return true;
}

bool ReadTapeLine(const std::string& line, CalculatorTapeLine* tape_line) {
  auto items = LineItems(line, 4);
  if (!items) return false;
  auto value = Figure((*items)[0]);
  auto point = Flag((*items)[1]);
  auto decimals = SmallNumber((*items)[2], 0, std::numeric_limits<int16_t>::max());
  auto op = OneOf((*items)[3], kTapeOperators);
  if (!value || !point || !decimals || !op) return false;
  *tape_line = {*value, *point, *decimals, op->empty() ? ' ' : (*op)[0]};
  return true;
}

}  // namespace

std::string CalculatorStatePath() {
  return Session().TerminalDir + "VAKCALC.TMP";
}

CalculatorState ReadCalculatorState(const std::string& bytes) {
  CalculatorState state;
  TextReader reader(bytes);
  if (reader.AtEnd() || !ReadPosition(reader.ReadLine(), &state)) return state;
  if (reader.AtEnd() || !ReadFlags(reader.ReadLine(), &state)) return state;
  if (reader.AtEnd() || !ReadOperators(reader.ReadLine(), &state)) return state;
  for (CalculatorTapeLine& line : state.Tape) {
    if (reader.AtEnd() || !ReadTapeLine(reader.ReadLine(), &line)) break;
  }
  return state;
}

std::string CalculatorStateText(const CalculatorState& state) {
  std::string text;
  auto line = [&text](std::initializer_list<std::string> fields) {
    bool first = true;
    for (const std::string& field : fields) {
      if (!first) text += ',';
      text += field;
      first = false;
    }
    text += kLineEnd;
  };
  line({std::to_string(state.LeftColumn), std::to_string(state.TapeTop), NumberField(state.Display),
        NumberField(state.Accumulator)});
  line({FlagField(state.Cleared), FlagField(state.Entering), FlagField(state.Point),
        std::to_string(state.Decimals)});
  line({TextField(state.Key), TextField(state.Pending)});
  for (const CalculatorTapeLine& tape_line : state.Tape) {
    line({NumberField(tape_line.Value), FlagField(tape_line.Point),
          std::to_string(tape_line.Decimals), TextField(std::string(1, tape_line.Operator))});
  }
  return text;
}

}  // namespace zem
