#include "tools/vakprint/spool/print_reader.h"

#include "format/byte_scan.h"
#include "platform/cp850.h"

namespace zem::vakprint {
namespace {

constexpr long kLargestNumber = 2147483647L;  // the program writes 32-bit numbers

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool StartsWith(std::string_view line, std::string_view prefix) {
  return line.substr(0, prefix.size()) == prefix;
}

// The record as it may be shown in a message.
std::string Shown(std::string_view record) {
  return platform::Cp850ToUtf8(record);
}

}  // namespace

bool ParsePrintNumber(std::string_view field, long* value) {
  field = TrimBlanks(field);
  bool negative = false;
  if (!field.empty() && field.front() == '-') {
    negative = true;
    field.remove_prefix(1);
  }
  if (field.empty() || field.size() > 10) return false;
  long number = 0;
  for (char c : field) {
    if (!IsDigit(c)) return false;
    number = number * 10 + (c - '0');
  }
  if (number > kLargestNumber + (negative ? 1 : 0)) return false;
  *value = negative ? -number : number;
  return true;
}

// Bytes a text record never holds: the program writes style switches as commands of their own.
bool IsControlByte(unsigned char c) {
  return c < 32 || c == 127 || c == 255;
}

bool ParseJustification(std::string_view code, Justification* out) {
  out->kind = 'E';
  out->fill_column = 0;
  out->fill.clear();
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
  std::string_view number = TrimBlanks(code.substr(1, open - 1));
  long column = 0;
  if (number.empty() || number.front() == '-' || !ParsePrintNumber(number, &column)) return false;
  out->kind = 'N';
  out->fill_column = column;
  out->fill.assign(code.substr(open + 1, close - open - 1));
  // The fill text comes from a template as it stands; a control byte in it (a form feed, say)
  // would act on the page instead of filling it, so it fills with a blank.
  for (char& c : out->fill) {
    if (IsControlByte(static_cast<unsigned char>(c))) c = ' ';
  }
  return true;
}

bool PrintFileReader::Fail(const std::string& what, int line) {
  error_ = what;
  error_line_ = line;
  return false;
}

bool PrintFileReader::Next(PrintRecord* record) {
  if (failed()) return false;
  if (pos_ >= bytes_.size() || bytes_[pos_] == 26) {
    if (line_ == 0) return Fail("empty print file: no device record", 0);
    return false;
  }
  const size_t end = bytes_.find('\r', pos_);
  std::string_view line = bytes_.substr(pos_, end == std::string_view::npos ? end : end - pos_);
  ++line_;
  if (line.find('\n') != std::string_view::npos) {
    return Fail("a line ended by LF alone (print file lines end with CR LF)", line_);
  }
  // The program ends every record with CR LF; a file that stops inside its last record was cut
  // short (a full disk, an interrupted run) and is not printed as if it were whole.
  if (end == std::string_view::npos || end + 1 == bytes_.size()) {
    return Fail("the print file is incomplete: its last record has no line end", line_);
  }
  if (bytes_[end + 1] != '\n') {
    return Fail("a line ended by CR alone (print file lines end with CR LF)", line_);
  }
  pos_ = end + 2;
  return ParseRecord(line, record);
}

bool PrintFileReader::ParseRecord(std::string_view line, PrintRecord* record) {
  // The record is cleared in place: its texts keep their room from one record to the next.
  record->kind = PrintRecord::Kind::kText;
  record->column = 0;
  record->number = 0;
  record->text.clear();
  record->justification.kind = 'E';
  record->justification.fill_column = 0;
  record->justification.fill.clear();
  if (line_ == 1) {
    if (!StartsWith(line, "DEVICE")) return Fail("the first record is not a device record", 1);
    record->kind = PrintRecord::Kind::kDevice;
    record->text.assign(line.substr(6));
    return true;
  }
  // Text records, most of the file, begin with their column's sign or digits; only a record
  // that begins with a keyword's letter is matched against the keywords.
  const char lead = line.empty() ? '\0' : line[0];
  if (lead == 'D' || lead == 'P' || lead == '*' || lead == 'J') {
    if (StartsWith(line, "DEVICE")) return Fail("a second device record", line_);
    if (StartsWith(line, "PAGE")) {
      // Any page length the program writes begins a page, also a zero or negative one.
      record->kind = PrintRecord::Kind::kPage;
      if (!ParsePrintNumber(line.substr(4), &record->number)) {
        return Fail("page record without a valid page length: " + Shown(line), line_);
      }
      return true;
    }
    if (StartsWith(line, "*")) {
      record->kind = PrintRecord::Kind::kCommand;
      record->text.assign(line.substr(1));
      return true;
    }
    if (StartsWith(line, "JUS")) {
      record->kind = PrintRecord::Kind::kJustification;
      if (!ParseJustification(line.substr(3), &record->justification)) {
        return Fail("unknown justification code: " + Shown(line), line_);
      }
      return true;
    }
  }
  size_t first_comma = line.find(',');
  size_t last_comma = line.rfind(',');
  if (first_comma == std::string_view::npos || first_comma == last_comma) {
    return Fail("unrecognised record: " + Shown(line), line_);
  }
  record->kind = PrintRecord::Kind::kText;
  if (!ParsePrintNumber(line.substr(0, first_comma), &record->column)) {
    return Fail("text record with an invalid column: " + Shown(line), line_);
  }
  if (!ParsePrintNumber(line.substr(last_comma + 1), &record->number)) {
    return Fail("text record with an invalid line-end count: " + Shown(line), line_);
  }
  std::string_view text = line.substr(first_comma + 1, last_comma - first_comma - 1);
  // The bytes IsControlByte names, looked for sixteen at a time.
  if (FindUnprintableByte(text.data(), text.size()) != text.size()) {
    return Fail("text record holding a control byte", line_);
  }
  record->text.assign(text);
  return true;
}

}  // namespace zem::vakprint
