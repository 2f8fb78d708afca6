#include "mailing/print_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "format/byte_scan.h"
#include "format/leading_number.h"
#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {
namespace {

constexpr char kLineEnd[] = "\r\n";
// Pending records are handed to the file once they reach this many bytes.
constexpr size_t kBlockBytes = 1 << 16;

}  // namespace

void WritePendingRecords() {
  PrintState& state = Printing();
  if (state.File && !state.Pending.empty() && !state.File->Write(state.Pending)) {
    state.WriteFailed = true;
  }
  state.Pending.clear();
}

namespace {

// Ends the record built at the end of Printing().Pending with its line end; without a print
// file it is dropped.
void EndRecord() {
  PrintState& state = Printing();
  if (!state.File) {
    state.Pending.clear();
    return;
  }
  state.Pending += kLineEnd;
  if (state.Pending.size() >= kBlockBytes) WritePendingRecords();
}

// A record of a fixed part and a variable one.
void WriteRecord(std::string_view head, std::string_view tail = {}) {
  std::string& record = Printing().Pending;
  record += head;
  record += tail;
  EndRecord();
}

// Writes what is pending and closes the file; false when the file was not open, the close
// failed or some record failed to reach it.
bool WritePendingAndClose() {
  PrintState& state = Printing();
  if (!state.File) return false;
  WritePendingRecords();
  const bool closed = state.File->Close();
  state.File.reset();
  return closed && !state.WriteFailed;
}

// A byte a record cannot carry (a control byte, 127 or 255) is printed as a blank.
void MakePrintable(char* data, size_t size) {
  for (size_t i = FindUnprintableByte(data, size); i < size;
       i += 1 + FindUnprintableByte(data + i + 1, size - i - 1)) {
    data[i] = ' ';
  }
}

}  // namespace

PrintState& Printing() {
  static PrintState state;
  return state;
}

void ResetPrinting() {
  PrintState& state = Printing();
  WritePendingAndClose();
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
  WritePendingAndClose();
  state.File = platform::Files().OpenOutput(PrintFilePath(), false);
  state.WriteFailed = false;
  ++state.Opened;
  if (!state.File) return false;
  WriteRecord("DEVICE", output_device);
  return true;
}

bool ClosePrintFile() {
  return WritePendingAndClose();
}

void PrintCommand(std::string_view command) {
  WriteRecord("*", command);
}

namespace {
// Room for a print number: its sign place, up to 11 characters of digits and the blank.
constexpr size_t kNumberRoom = 16;

// Writes a print number at `out` and returns the end of what it wrote.
char* PutPrintNumber(char* out, int value) {
  *out++ = value < 0 ? '-' : ' ';
  out = std::to_chars(out, out + kNumberRoom - 2, value < 0 ? -static_cast<int64_t>(value) : value)
            .ptr;
  *out++ = ' ';
  return out;
}
}  // namespace

void AppendPrintNumber(std::string& out, int value) {
  char text[kNumberRoom];
  out.append(text, PutPrintNumber(text, value));
}

std::string PrintNumber(int value) {
  std::string text;
  AppendPrintNumber(text, value);
  return text;
}

void BeginPage(int lines) {
  PrintState& state = Printing();
  std::string& record = state.Pending;
  record += "PAGE";
  AppendPrintNumber(record, lines);
  EndRecord();
  state.PageLength = static_cast<int16_t>(lines);
  state.CurrentLine = 0;
  state.CurrentColumn = 0;
}

void PrintText(int column, std::string_view text, int line_ends) {
  PrintState& state = Printing();
  if (state.CurrentLine >= state.PageLength) BeginPage(state.PageLength);
  // The record is written straight into the pending bytes: "column,text,line ends".
  std::string& record = state.Pending;
  const size_t start = record.size();
  record.resize(start + text.size() + 2 * kNumberRoom + 2);
  char* out = PutPrintNumber(record.data() + start, column);
  *out++ = ',';
  char* const printable = out;
  out = std::copy(text.begin(), text.end(), out);
  MakePrintable(printable, text.size());
  *out++ = ',';
  out = PutPrintNumber(out, line_ends);
  record.resize(static_cast<size_t>(out - record.data()));
  EndRecord();
  if (line_ends != 0) {
    state.CurrentLine = static_cast<int16_t>(state.CurrentLine + line_ends);
    state.CurrentColumn = 0;
  } else {
    if (column != 0) state.CurrentColumn = static_cast<int16_t>(column);
    state.CurrentColumn = static_cast<int16_t>(state.CurrentColumn + text.size());
  }
}

namespace {
// The justification a code's first character names, or nothing for "N" (the code then says
// more than its first character).
std::string_view PlainJustification(std::string_view trimmed) {
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
    case 'N':
      return {};
    default:
      return "E";
  }
}
}  // namespace

std::string JustificationCode(std::string_view code) {
  const std::string trimmed = TrimBlanks(std::string(code));
  const std::string_view plain = PlainJustification(trimmed);
  if (!plain.empty()) return std::string(plain);
  // "N": the fill width, and the fill text between backslashes when there is one.
  std::string result = "N " + std::to_string(std::abs(LeadingNumber(trimmed.substr(1)))) + " ";
  size_t open = trimmed.find('\\');
  if (open != std::string::npos) {
    size_t close = trimmed.find('\\', open + 1);
    result += trimmed.substr(open, close == std::string::npos ? close : close - open + 1);
  }
  return result;
}

void SetJustification(std::string_view code) {
  const std::string_view plain = PlainJustification(BlanksTrimmed(code));
  if (!plain.empty()) {
    WriteRecord("JUS", plain);
  } else {
    WriteRecord("JUS", JustificationCode(code));
  }
}

}  // namespace zem
