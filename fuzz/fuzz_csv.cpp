// The CSV reader: rows it reads, written again as the tool exports them, read back to the same
// values; rows start on increasing lines.
#include "fuzz_check.h"
#include "tools/vakdata/csv.h"

using zem::vakdata::CsvRow;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<CsvRow> rows;
  std::string error;
  if (!zem::vakdata::ParseCsv(text, &rows, &error)) {
    FUZZ_CHECK(error.find("line ") != std::string::npos, error);
    return 0;
  }
  std::string written;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) FUZZ_CHECK(rows[r].Line > rows[r - 1].Line, std::to_string(rows[r].Line));
    written += zem::vakdata::CsvLine(rows[r].Values);
  }
  std::vector<CsvRow> again;
  FUZZ_CHECK(zem::vakdata::ParseCsv(written, &again, &error), error);
  FUZZ_CHECK(again.size() == rows.size(),
             std::to_string(again.size()) + " rows read back of " + std::to_string(rows.size()));
  for (size_t r = 0; r < rows.size(); ++r) {
    FUZZ_CHECK(again[r].Values == rows[r].Values, "row " + std::to_string(r + 1));
  }
  return 0;
}
