#include "mailing/print_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "format/byte_scan.h"
#include "format/leading_number.h"
#include "format/text_utils.h"
#include "platform/program_state.h"
#include "platform/services.h"
#include "startup/session.h"

namespace zem {
namespace {

// Pending records are handed to the file once they reach this many bytes.
constexpr size_t kBlockBytes = 1 << 16;

}  // namespace

// Room beyond a block for the record that fills it: records are rarely longer.
constexpr size_t kRecordRoom = 4096;

void RecordBytes::Grow(size_t n) {
  // The pending bytes are under a block when a record is begun (a full block is written), so
  // growing just enough copies at most a block per record, however long the records.
  const size_t capacity = std::max(size_ + n, kBlockBytes + kRecordRoom);
  auto data = std::make_unique<char[]>(capacity);
  if (size_ > 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

void WritePendingRecords() {
  PrintState& state = Printing();
  if (state.File && !state.Pending.empty() && !state.File->Write(state.Pending.view())) {
    state.WriteFailed = true;
  }
  state.Pending.clear();
}

namespace {

// Room for a record's line end.
constexpr size_t kLineEndRoom = 2;

char* PutBytes(char* out, std::string_view bytes) {
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

// Ends the record written into the pending room at `end` with its line end; without a print
// file it is dropped.
void EndRecord(char* end) {
  PrintState& state = Printing();
  if (!state.File) {
    state.Pending.clear();
    return;
  }
  *end++ = '\r';
  *end++ = '\n';
  state.Pending.Keep(end);
  if (state.Pending.size() >= kBlockBytes) WritePendingRecords();
}

// A record of a fixed part and a variable one.
void WriteRecord(std::string_view head, std::string_view tail = {}) {
  char* out = Printing().Pending.Room(head.size() + tail.size() + kLineEndRoom);
  EndRecord(PutBytes(PutBytes(out, head), tail));
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

}  // namespace

namespace {
constinit PrintState g_printing;
}  // namespace

PrintState& Printing() {
  return g_printing;
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
inline char* PutPrintNumber(char* out, int value) {
  *out++ = value < 0 ? '-' : ' ';
  if (value >= 0 && value < 10) {
    // Most numbers are a column or a count of line ends of one digit.
    *out++ = static_cast<char>('0' + value);
    *out++ = ' ';
    return out;
  }
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
  char* out = state.Pending.Room(4 + kNumberRoom + kLineEndRoom);
  EndRecord(PutPrintNumber(PutBytes(out, "PAGE"), lines));
  state.PageLength = static_cast<int16_t>(lines);
  state.CurrentLine = 0;
  state.CurrentColumn = 0;
}

void PrintText(int column, std::string_view text, int line_ends) {
  PrintState& state = Printing();
  if (state.CurrentLine >= state.PageLength) BeginPage(state.PageLength);
  // The record is written straight into the pending bytes: "column,text,line ends".
  char* out = state.Pending.Room(text.size() + 2 * kNumberRoom + 2 + kLineEndRoom);
  out = PutPrintNumber(out, column);
  *out++ = ',';
  CopyPrintable(out, text.data(), text.size());
  out += text.size();
  *out++ = ',';
  EndRecord(PutPrintNumber(out, line_ends));
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
  const std::string_view plain =
      code.size() == 1 ? PlainJustification(code) : PlainJustification(BlanksTrimmed(code));
  if (!plain.empty()) {
    // The usual record, "JUS" and one letter, is written without copies.
    char* out = Printing().Pending.Room(4 + kLineEndRoom);
    std::memcpy(out, "JUS", 3);
    out[3] = plain.front();
    EndRecord(out + 4);
  } else {
    WriteRecord("JUS", JustificationCode(code));
  }
}

}  // namespace zem
