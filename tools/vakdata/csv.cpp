#include "tools/vakdata/csv.h"

namespace zem::vakdata {
namespace {

// The length of the line end at `i`: LF, CR LF or a lone CR; 0 when there is none.
size_t LineEndAt(const std::string& text, size_t i) {
  if (i >= text.size()) return 0;
  if (text[i] == '\n') return 1;
  if (text[i] != '\r') return 0;
  return i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
}

}  // namespace

bool ParseCsv(const std::string& text, std::vector<CsvRow>* rows, std::string* error,
              char delimiter) {
  rows->clear();
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    // A blank line ends no row.
    if (size_t end = LineEndAt(text, i)) {
      i += end;
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
          if (size_t end = LineEndAt(text, i)) {
            value.append(text, i, end);
            i += end;
            ++line;
            continue;
          }
          value.push_back(text[i++]);
        }
        if (i < n && text[i] != delimiter && LineEndAt(text, i) == 0) {
          *error = "line " + std::to_string(line) + ": text after a closing quote";
          return false;
        }
      } else {
        while (i < n && text[i] != delimiter && LineEndAt(text, i) == 0) value.push_back(text[i++]);
      }
      row.Values.push_back(value);
      if (i < n && text[i] == delimiter) {
        ++i;
        continue;
      }
      break;
    }
    if (size_t end = LineEndAt(text, i)) {
      i += end;
      ++line;
    }
    rows->push_back(row);
  }
  return true;
}

std::string CsvLine(const std::vector<std::string>& values, char delimiter) {
  const std::string special = std::string("\"\r\n") + delimiter;
  std::string out;
  for (size_t v = 0; v < values.size(); ++v) {
    if (v > 0) out.push_back(delimiter);
    const std::string& value = values[v];
    // A row of one empty value is written "" so that it is not read back as a blank line,
    // which the reader skips.
    bool quote = value.find_first_of(special) != std::string::npos ||
                 (!value.empty() && (value.front() == ' ' || value.back() == ' ')) ||
                 (value.empty() && values.size() == 1);
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
