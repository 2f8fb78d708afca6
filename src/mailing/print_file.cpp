#include "mailing/print_file.h"

#include <cstdlib>

#include "format/leading_number.h"
#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {
namespace {

constexpr char kLineEnd[] = "\r\n";

void WriteRecord(const std::string& record) {
  PrintState& state = Printing();
  if (!state.File) return;
  if (!state.File->Write(record) || !state.File->Write(kLineEnd)) state.WriteFailed = true;
}

// The text as the spooler may receive it: control bytes, 127 and 255 become blanks.
std::string Printable(std::string_view text) {
  std::string copy(text);
  for (char& c : copy) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || byte == 255) c = ' ';
  }
  return copy;
}

}  // namespace

PrintState& Printing() {
  static PrintState state;
  return state;
}

void ResetPrinting() {
  PrintState& state = Printing();
  if (state.File) state.File->Close();
  const int opened = state.Opened;
  state = PrintState{};
  state.Opened = opened;
}
ZEM_REGISTER_STATE_RESET(ResetPrinting);

std::string PrintFilePath() {
  return Session().WorkDir + "vakprint.tmp";
}

bool OpenPrintFile(std::string_view output_device) {
  PrintState& state = Printing();
  if (state.File) state.File->Close();
  state.File = platform::Files().OpenOutput(PrintFilePath(), false);
  state.WriteFailed = false;
  ++state.Opened;
  if (!state.File) return false;
  WriteRecord("DEVICE" + std::string(output_device));
  return true;
}

bool ClosePrintFile() {
  PrintState& state = Printing();
  if (!state.File) return false;
  bool closed = state.File->Close();
  state.File.reset();
  return closed && !state.WriteFailed;
}

void PrintCommand(std::string_view command) {
  WriteRecord("*" + std::string(command));
}

std::string PrintNumber(int value) {
  std::string text = value < 0 ? "-" : " ";
  text += std::to_string(std::abs(value));
  text += ' ';
  return text;
}

void BeginPage(int lines) {
  PrintState& state = Printing();
  WriteRecord("PAGE" + PrintNumber(lines));
  state.PageLength = static_cast<int16_t>(lines);
  state.CurrentLine = 0;
  state.CurrentColumn = 0;
}

void PrintText(int column, std::string_view text, int line_ends) {
  PrintState& state = Printing();
  std::string printable = Printable(text);
  if (state.CurrentLine >= state.PageLength) BeginPage(state.PageLength);
  WriteRecord(PrintNumber(column) + "," + printable + "," + PrintNumber(line_ends));
  if (line_ends != 0) {
    state.CurrentLine = static_cast<int16_t>(state.CurrentLine + line_ends);
    state.CurrentColumn = 0;
  } else {
    if (column != 0) state.CurrentColumn = static_cast<int16_t>(column);
    state.CurrentColumn = static_cast<int16_t>(state.CurrentColumn + printable.size());
  }
}

std::string JustificationCode(std::string_view code) {
  const std::string trimmed = TrimBlanks(std::string(code));
  char first = trimmed.empty() ? ' ' : trimmed.front();
  if (first >= 'a' && first <= 'z') first = static_cast<char>(first - 'a' + 'A');
  switch (first) {
    case 'C':
      return "C";
    case 'D':
    case 'R':
      return "D";
    case 'A':
    case 'B':
      return "A";
    case 'N': {
      std::string result = "N " + std::to_string(std::abs(LeadingNumber(trimmed.substr(1)))) + " ";
      size_t open = trimmed.find('\\');
      if (open != std::string::npos) {
        size_t close = trimmed.find('\\', open + 1);
        result += trimmed.substr(open, close == std::string::npos ? close : close - open + 1);
      }
      return result;
    }
    default:
      return "E";
  }
}

void SetJustification(std::string_view code) {
  WriteRecord("JUS" + JustificationCode(code));
}

}  // namespace zem
