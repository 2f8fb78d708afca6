#pragma once

#include <string>
#include <vector>

namespace zem::vakdata {

// One CSV row and the line it starts on (counted from 1).
struct CsvRow {
  int Line = 0;
  std::vector<std::string> Values;
};

// Parses CSV text: values separated by `delimiter`, values in double quotes may hold the
// delimiter, line ends and doubled quotes; LF, CR LF or a lone CR end a line (and a row);
// blank lines are skipped. False with a message naming the line for an unterminated quote or
// text after a closing quote.
bool ParseCsv(const std::string& text, std::vector<CsvRow>* rows, std::string* error,
              char delimiter = ',');

// One row of CSV text with LF, quoting values that need it.
std::string CsvLine(const std::vector<std::string>& values, char delimiter = ',');

}  // namespace zem::vakdata
