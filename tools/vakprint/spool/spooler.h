#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "tools/vakprint/spool/cups_queue.h"
#include "tools/vakprint/spool/paper.h"

namespace zem::vakprint {

// Where the pages of a run go, chosen by the print file's device record.
struct Route {
  enum class Kind { kPdfFile, kTextFile, kPreview, kQueue };
  Kind kind = Kind::kPdfFile;
  std::string queue;  // kQueue: the printer queue's name, empty for the default queue
};

// "PDF" or nothing: the PDF file; "TXT": the text file; "PANTALLA": the preview; the old
// platform's printer ports ("LPT1" to "LPT3", "PRN", also with a ":") the default queue;
// anything else names a printer queue. Case and surrounding blanks do not matter.
Route RouteForDevice(std::string_view device);

// One run of the spooler over a work directory.
struct SpoolJob {
  std::string work_dir;  // suite path ending in a separator, or empty for the current directory
  PrintQueues* queues = nullptr;
  Paper paper;
  // Takes the terminal for the preview; false with the reason when there is none.
  std::function<bool(std::string* why)> open_screen;
};

// What the spooler tells: a line for standard output and lines for standard error.
struct SpoolReport {
  int exit_code = 0;
  std::string done;
  std::string errors;
};

// Reads the work directory's "vakprint.tmp" and prints it where its device record says.
// Output files ("vakprint.pdf", "vakprint.txt") are written under a temporary name and put in
// place only when complete, so a fault leaves the previous one as it was; a PDF that could not
// be printed is kept. Exit code 0 when the pages went where they were meant to go, 1 when not.
SpoolReport Spool(const SpoolJob& job);

}  // namespace zem::vakprint
