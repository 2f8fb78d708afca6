#include "mailing/print_render.h"

#include <vector>

#include "format/text_utils.h"
#include "platform/cp850.h"
#include "platform/files.h"

namespace zem {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// The justification a "JUS" record announces for the next text record.
struct Justification {
  char kind = 'E';       // E left, D right, C centred, A both margins, N fill to a column
  long fill_column = 0;  // N: the column the fill stops before
  std::string fill;      // N: the fill text
};

// Parses the code after "JUS"; false when it is none of the codes the program writes.
bool ParseJustification(std::string_view code, Justification* out) {
  *out = Justification{};
  if (code == "E" || code == "D" || code == "C" || code == "A") {
    out->kind = code[0];
    return true;
  }
  if (code.empty() || code[0] != 'N') return false;
  // "N", a blank, the column, a blank, then the fill text between two backslashes.
  size_t open = code.find('\\');
  if (open == std::string_view::npos) return false;
  size_t close = code.find('\\', open + 1);
  if (close == std::string_view::npos || close != code.size() - 1 || close == open + 1) {
    return false;
  }
  std::string_view number = code.substr(1, open - 1);
  while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
  while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
  if (number.empty()) return false;
  long column = 0;
  for (char c : number) {
    if (!IsDigit(c)) return false;
    column = column * 10 + (c - '0');
    if (column > 100000) return false;
  }
  out->kind = 'N';
  out->fill_column = column;
  out->fill = std::string(code.substr(open + 1, close - open - 1));
  return true;
}

// Lays text out inside the box of its own length, as a printer with that justification would.
std::string Justify(const std::string& text, const Justification& how) {
  const size_t box = text.size();
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return text;
  size_t last = text.find_last_not_of(' ');
  std::string core = text.substr(first, last - first + 1);
  switch (how.kind) {
    case 'D':
      return std::string(box - core.size(), ' ') + core;
    case 'C': {
      size_t before = (box - core.size()) / 2;
      return std::string(before, ' ') + core + std::string(box - core.size() - before, ' ');
    }
    case 'A': {
      // The blanks left over at the end go into the gaps between words, one at a time from the
      // left; the indent (leading blanks) stays where it is.
      std::string line = text.substr(0, last + 1);
      size_t spare = box - line.size();
      std::vector<size_t> gaps;  // positions just after each run of blanks inside the line
      for (size_t i = first + 1; i < line.size(); ++i) {
        if (line[i] != ' ' && line[i - 1] == ' ') gaps.push_back(i);
      }
      if (gaps.empty() || spare == 0) return text;
      std::vector<size_t> extra(gaps.size(), spare / gaps.size());
      for (size_t g = 0; g < spare % gaps.size(); ++g) ++extra[g];
      std::string out;
      size_t from = 0;
      for (size_t g = 0; g < gaps.size(); ++g) {
        out += line.substr(from, gaps[g] - from);
        out += std::string(extra[g], ' ');
        from = gaps[g];
      }
      out += line.substr(from);
      return out;
    }
    default:
      return text;
  }
}

// Pages being built: lines of code-page-850 bytes.
class PageBuilder {
 public:
  bool started() const { return !pages_.empty(); }
  int page_count() const { return static_cast<int>(pages_.size()); }

  void NewPage() {
    pages_.emplace_back();
    line_ = 0;
    column_ = 1;
    text_on_line_ = false;
  }

  // Whether some text has been placed on the current line already.
  bool text_on_line() const { return text_on_line_; }

  void Put(long column, const std::string& text) {
    if (column > 0) column_ = column;
    std::vector<std::string>& page = pages_.back();
    if (page.size() <= static_cast<size_t>(line_)) page.resize(line_ + 1);
    std::string& row = page[line_];
    size_t at = static_cast<size_t>(column_ - 1);
    if (row.size() < at + text.size()) row.resize(at + text.size(), ' ');
    row.replace(at, text.size(), text);
    column_ += static_cast<long>(text.size());
    if (!text.empty()) text_on_line_ = true;
  }

  long column() const { return column_; }
  long line() const { return line_; }

  // A zero or negative count leaves the paper where it is: it cannot move back.
  void LineEnds(long count) {
    if (count <= 0) return;
    line_ += count;
    column_ = 1;
    text_on_line_ = false;
  }

  std::string Utf8() const {
    std::string out;
    for (size_t p = 0; p < pages_.size(); ++p) {
      if (p > 0) out += '\f';
      std::vector<std::string> lines;
      for (const std::string& row : pages_[p]) lines.push_back(TrimTrailingBlanks(row));
      while (!lines.empty() && lines.back().empty()) lines.pop_back();
      for (const std::string& row : lines) {
        out += platform::Cp850ToUtf8(row);
        out += '\n';
      }
    }
    return out;
  }

 private:
  std::vector<std::vector<std::string>> pages_;
  long line_ = 0;
  long column_ = 1;
  bool text_on_line_ = false;
};

// Lines are bounded so that a corrupt count cannot make the renderer allocate without end.
constexpr long kMaxLinesPerRecord = 10000;
constexpr long kMaxColumn = 10000;
constexpr long kMaxLinesPerPage = 100000;

}  // namespace

bool ParsePrintNumber(std::string_view field, long* value) {
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  bool negative = false;
  if (!field.empty() && field.front() == '-') {
    negative = true;
    field.remove_prefix(1);
  }
  if (field.empty() || field.size() > 9) return false;
  long number = 0;
  for (char c : field) {
    if (!IsDigit(c)) return false;
    number = number * 10 + (c - '0');
  }
  *value = negative ? -number : number;
  return true;
}

PrintRendering RenderPrintFile(std::string_view bytes) {
  PrintRendering result;
  platform::TextReader reader{std::string(bytes)};
  PageBuilder pages;
  Justification pending;
  int line_number = 0;
  auto fail = [&](const std::string& what) {
    result.ok = false;
    result.error_line = line_number;
    result.error = what;
    return result;
  };

  if (reader.AtEnd()) return fail("empty print file: no device record");
  while (!reader.AtEnd()) {
    std::string record = reader.ReadLine();
    ++line_number;
    if (record.find('\n') != std::string::npos) {
      return fail("a line ended by LF alone (print file lines end with CR LF)");
    }
    if (line_number == 1) {
      if (record.rfind("DEVICE", 0) != 0) return fail("the first record is not a device record");
      continue;
    }
    if (record.rfind("DEVICE", 0) == 0) return fail("a second device record");
    if (record.rfind("PAGE", 0) == 0) {
      long length = 0;
      // Any page length the program writes begins a page, also a negative one (a template may
      // give one); the plain-text pages are as long as their text.
      if (!ParsePrintNumber(std::string_view(record).substr(4), &length)) {
        return fail("page record without a valid page length: " + platform::Cp850ToUtf8(record));
      }
      pages.NewPage();
      continue;
    }
    if (record.rfind("*", 0) == 0) continue;  // printer commands do not show in plain text
    if (record.rfind("JUS", 0) == 0) {
      if (!ParseJustification(std::string_view(record).substr(3), &pending)) {
        return fail("unknown justification code: " + platform::Cp850ToUtf8(record));
      }
      continue;
    }
    size_t first_comma = record.find(',');
    size_t last_comma = record.rfind(',');
    if (first_comma == std::string::npos || first_comma == last_comma) {
      return fail("unrecognised record: " + platform::Cp850ToUtf8(record));
    }
    long column = 0;
    long line_ends = 0;
    if (!ParsePrintNumber(std::string_view(record).substr(0, first_comma), &column) ||
        column > kMaxColumn) {
      return fail("text record with an invalid column: " + platform::Cp850ToUtf8(record));
    }
    // A column left of the paper's edge (a header longer than the line, a hanging indent
    // beyond the left margin) starts at the edge; 0 still means "go on".
    if (column < 0) column = 1;
    if (!ParsePrintNumber(std::string_view(record).substr(last_comma + 1), &line_ends) ||
        line_ends > kMaxLinesPerRecord) {
      return fail("text record with an invalid line-end count: " + platform::Cp850ToUtf8(record));
    }
    std::string text = record.substr(first_comma + 1, last_comma - first_comma - 1);
    for (unsigned char c : text) {
      if (c < 32 || c == 127 || c == 255) return fail("text record holding a control byte");
    }
    if (!pages.started()) pages.NewPage();  // text before any page record: an open first page
    if (pending.kind == 'N') {
      pages.Put(column, TrimTrailingBlanks(text));
      if (!pending.fill.empty()) {
        std::string fill;
        while (pages.column() + static_cast<long>(fill.size()) < pending.fill_column) {
          fill += pending.fill[fill.size() % pending.fill.size()];
        }
        pages.Put(0, fill);
      }
    } else if (!pages.text_on_line() && line_ends > 0) {
      pages.Put(column, Justify(text, pending));
    } else {
      // Part of a line split by style switches: the line filler has laid the whole line out
      // already, and re-aligning a piece on its own would move blanks between the pieces.
      pages.Put(column, text);
    }
    pending = Justification{};
    pages.LineEnds(line_ends);
    if (pages.line() > kMaxLinesPerPage) return fail("a page longer than 100000 lines");
  }
  result.ok = true;
  result.pages = pages.page_count();
  result.text = pages.Utf8();
  return result;
}

}  // namespace zem
