#include "tools/vakdata/csv.h"

namespace zem::vakdata {

bool ParseCsv(const std::string& text, std::vector<CsvRow>* rows, std::string* error) {
  rows->clear();
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    // A blank line ends no row.
    if (text[i] == '\n' || (text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
      i += text[i] == '\r' ? 2 : 1;
      ++line;
      continue;
    }
    CsvRow row;
    row.Line = line;
    for (;;) {
      std::string value;
      if (i < n && text[i] == '"') {
        int quote_line = line;
        ++i;
        for (;;) {
          if (i >= n) {
            *error = "line " + std::to_string(quote_line) + ": quote not closed";
            return false;
          }
          if (text[i] == '"') {
            if (i + 1 < n && text[i + 1] == '"') {
              value.push_back('"');
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          value.push_back(text[i++]);
        }
        if (i < n && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
          *error = "line " + std::to_string(line) + ": text after a closing quote";
          return false;
        }
      } else {
        while (i < n && text[i] != ',' && text[i] != '\n' &&
               !(text[i] == '\r' && i + 1 < n && text[i + 1] == '\n')) {
          value.push_back(text[i++]);
        }
      }
      row.Values.push_back(value);
      if (i < n && text[i] == ',') {
        ++i;
        continue;
      }
      break;
    }
    if (i < n && text[i] == '\r') ++i;
    if (i < n && text[i] == '\n') {
      ++i;
      ++line;
    }
    rows->push_back(row);
  }
  return true;
}

std::string CsvLine(const std::vector<std::string>& values) {
  std::string out;
  for (size_t v = 0; v < values.size(); ++v) {
    if (v > 0) out.push_back(',');
    const std::string& value = values[v];
    bool quote = value.find_first_of(",\"\r\n") != std::string::npos ||
                 (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quote) {
      out += value;
      continue;
    }
    out.push_back('"');
    for (char c : value) {
      if (c == '"') out.push_back('"');
      out.push_back(c);
    }
    out.push_back('"');
  }
  out.push_back('\n');
  return out;
}

}  // namespace zem::vakdata
