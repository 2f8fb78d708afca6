#pragma once

#include <string>
#include <string_view>

namespace zem::vakprint {

// The justification a "JUS" record announces for the next text record.
struct Justification {
  char kind = 'E';       // E left, D right, C centred, A both margins, N fill to a column
  long fill_column = 0;  // N: the column the fill stops before
  std::string fill;      // N: the fill text
};

// One record of the print file "vakprint.tmp".
struct PrintRecord {
  enum class Kind { kDevice, kPage, kCommand, kJustification, kText };
  Kind kind = Kind::kText;
  long column = 0;   // text: the column, 0 to go on where the last text ended
  long number = 0;   // page: its lines; text: its line ends
  std::string text;  // device: the device; command: the command; text: the bytes to print
  Justification justification;
};

// Reads the records of a print file one by one, without copying the file: lines ended by CR LF
// in code page 850, a device record first. A byte 26 where a line would start ends the file.
// Every number the program can write (any 32-bit value) is read; a fault stops the reading
// with the 1-based line and what is wrong.
class PrintFileReader {
 public:
  explicit PrintFileReader(std::string_view bytes) : bytes_(bytes) {}
  // The next record; false at the end of the file or at a fault (failed() then tells).
  bool Next(PrintRecord* record);
  bool failed() const { return !error_.empty(); }
  const std::string& error() const { return error_; }
  // The line at fault: 0 when the fault is the file as a whole (an empty file).
  int error_line() const { return error_line_; }

 private:
  bool Fail(const std::string& what, int line);
  bool ParseRecord(std::string_view line, PrintRecord* record);

  std::string_view bytes_;
  size_t pos_ = 0;
  int line_ = 0;
  std::string error_;
  int error_line_ = 0;
};

// A signed number as the print file writes it: a sign character (blank or "-"), digits, one
// blank. Leading and trailing blanks are tolerated; false when anything else is there or the
// value lies beyond 32 bits.
bool ParsePrintNumber(std::string_view field, long* value);

// The code after "JUS"; false when it is none of the codes the program writes.
bool ParseJustification(std::string_view code, Justification* out);

}  // namespace zem::vakprint
