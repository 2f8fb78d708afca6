#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace zem {

// Bytes of records built in place: a writer asks for room, writes into it and keeps what it
// wrote, so that a record costs one bounds check and no copies beside its own bytes. The room
// is kept when the bytes are cleared.
class RecordBytes {
 public:
  // At least `n` writable bytes after the kept ones.
  char* Room(size_t n) {
    if (capacity_ - size_ < n) Grow(n);
    return data_.get() + size_;
  }
  // Keeps the bytes written into the room up to `end`.
  void Keep(const char* end) { size_ = static_cast<size_t>(end - data_.get()); }
  std::string_view view() const { return {data_.get(), size_}; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }

 private:
  void Grow(size_t n);
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// The print file "vakprint.tmp" in the work directory: a sequence of one-line records (device,
// page, printer command, justification, text) that the external spooler turns into pages.
// Everything the program prints goes through the operations below.

// The print file's state, one instance for the program.
struct PrintState {
  std::unique_ptr<platform::OutputFile> File;  // null while no print file is open
  bool WriteFailed = false;  // some record did not reach the file since it was opened
  int16_t CurrentLine = 0;   // line within the page, 0 at the top
  int16_t CurrentColumn = 0;
  int16_t PageLength = 0;  // lines of the last page begun; 0 until the first page
  int Opened = 0;  // print files opened so far (never reset): tells one run's file from the next
  // Records built and not yet handed to the file: they go in blocks of many records, one
  // write each (the room is reused, so writing a record allocates nothing). A failed block
  // sets WriteFailed.
  RecordBytes Pending;
};

PrintState& Printing();
// Closes any open print file and clears the bookkeeping, all but the count of files opened
// (tests).
void ResetPrinting();

// The print file's full path: the session's work directory + "vakprint.tmp".
std::string PrintFilePath();

// Creates the print file anew (closing one still open) and writes the device record.
// False when the file cannot be created; the records that follow are then dropped.
bool OpenPrintFile(std::string_view output_device);
// Hands the records still pending to the open file, so that a reader of the file sees every
// record so far (a failure sets WriteFailed).
void WritePendingRecords();
// Closes the print file (its pending records written first); false when it was not open or
// some record failed to reach it.
bool ClosePrintFile();

// "*" + command: a printer command for the spooler ("@", "e", "@e", "b", "u", "i").
void PrintCommand(std::string_view command);
// Page record for `lines` lines; the line and column bookkeeping starts again at the top.
void BeginPage(int lines);
// Text record: column (0 = go on where the last text ended), the text with every byte 0-31,
// 127 and 255 shown as a blank, and the number of line ends after it (may be 0 or negative).
// Begins a page of the current length first when the current one is full.
void PrintText(int column, std::string_view text, int line_ends);
// Justification record for the text record that follows: "E", "D", "C", "A", or
// "N <column> \fill\".
void SetJustification(std::string_view code);

// The justification record's code for a code text (what follows "JUS"); exposed for tests.
std::string JustificationCode(std::string_view code);
// A number as the print records write it: sign character (blank or "-"), digits, one blank.
std::string PrintNumber(int value);
// The same, added to the end of `out`.
void AppendPrintNumber(std::string& out, int value);

}  // namespace zem
