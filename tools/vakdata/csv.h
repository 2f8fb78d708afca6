#pragma once

#include <string>
#include <vector>

namespace zem::vakdata {

// One CSV row and the line it starts on (counted from 1).
struct CsvRow {
  int Line = 0;
  std::vector<std::string> Values;
};

// Parses CSV text: comma-separated values, values in double quotes may hold commas, line
// ends and doubled quotes; LF or CR LF end a row; blank lines are skipped. False with a
// message naming the line for an unterminated quote or text after a closing quote.
bool ParseCsv(const std::string& text, std::vector<CsvRow>* rows, std::string* error);

// One row of CSV text with LF, quoting values that need it.
std::string CsvLine(const std::vector<std::string>& values);

}  // namespace zem::vakdata
