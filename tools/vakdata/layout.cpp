#include "tools/vakdata/layout.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <set>
#include <sstream>

#include "format/dates.h"
#include "platform/cp850.h"
#include "tools/vakdata/text_lines.h"

namespace zem::vakdata {
namespace {

constexpr int kLongestRecord = 1536;

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

bool ValidDate(int year, int month, int day) {
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > kDays[month - 1]) return false;
  bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month != 2 || day <= 28 || leap;
}

enum class Amount { kRead, kMalformed, kTooLarge };

// "-123.45" (with `decimal` as the decimal character) into 32-bit hundredths; at most two
// decimals.
Amount ParseAmount(const std::string& text, char decimal, int32_t* hundredths) {
  std::string t = text;
  bool negative = !t.empty() && t[0] == '-';
  if (negative) t.erase(0, 1);
  size_t dot = t.find(decimal);
  std::string whole = t.substr(0, dot);
  std::string decimals = dot == std::string::npos ? "" : t.substr(dot + 1);
  if (whole.empty() || !AllDigits(whole) || decimals.size() > 2 || !AllDigits(decimals) ||
      (dot != std::string::npos && decimals.empty())) {
    return Amount::kMalformed;
  }
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size() - 1));
  if (whole.size() > 9) return Amount::kTooLarge;
  while (decimals.size() < 2) decimals.push_back('0');
  int64_t value = std::stoll(whole) * 100 + std::stoll(decimals);
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return Amount::kTooLarge;
  *hundredths = static_cast<int32_t>(value);
  return Amount::kRead;
}

std::string Quoted(const std::string& value) {
  return "'" + value + "'";
}

// The usual name of the control bytes a CSV value is likely to hold, in parentheses.
std::string ControlName(unsigned char byte) {
  switch (byte) {
    case 0:
      return " (NUL)";
    case 9:
      return " (TAB)";
    case 10:
      return " (LF)";
    case 13:
      return " (CR)";
    case 26:
      return " (Ctrl-Z)";
    default:
      return "";
  }
}

// The code-page-850 form of a UTF-8 text value; false with the reason when a byte is below
// 32, the UTF-8 is malformed or a character is missing from the code page.
bool TextToCp850(const std::string& value, std::string* bytes, std::string* error) {
  bytes->clear();
  for (size_t i = 0; i < value.size();) {
    const auto byte = static_cast<unsigned char>(value[i]);
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02x", byte);
    if (byte < 32) {
      *error = std::string("control character ") + hex + ControlName(byte) + " at byte " +
               std::to_string(i + 1) + "; text fields take no bytes below 32";
      return false;
    }
    char32_t code_point = 0;
    const int length = platform::DecodeUtf8(std::string_view(value).substr(i), &code_point);
    if (length <= 0) {
      *error =
          std::string("not valid UTF-8 (byte ") + hex + " at byte " + std::to_string(i + 1) + ")";
      return false;
    }
    const int mapped = platform::CodePointToCp850(code_point);
    if (mapped < 0) {
      *error = Quoted(value.substr(i, length)) + " is not in code page 850";
      return false;
    }
    bytes->push_back(static_cast<char>(mapped));
    i += length;
  }
  return true;
}

}  // namespace

bool ParseLayout(const std::string& text, Layout* layout, std::string* error) {
  Layout result;
  std::set<std::string> names;
  std::vector<std::string> lines = SplitLines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i].substr(0, lines[i].find('#')));
    if (line.empty()) continue;
    std::string where = "line " + std::to_string(i + 1) + ": ";
    std::istringstream words(line);
    std::string word, name, offset, type, size, extra;
    words >> word;
    if (word == "record") {
      words >> size;
      if (!ParseInt(size, &result.RecordLength) || result.RecordLength < 1 ||
          result.RecordLength > kLongestRecord) {
        *error = where + "record length must be 1 to 1536";
        return false;
      }
      continue;
    }
    if (word != "field") {
      *error = where + "unknown statement \"" + word + "\"";
      return false;
    }
    words >> name >> offset >> type >> size >> extra;
    Field field;
    field.Name = name;
    if (name.empty() || names.count(name)) {
      *error = where + "missing or repeated field name";
      return false;
    }
    if (!ParseInt(offset, &field.Offset) || field.Offset < 0) {
      *error = where + "bad offset \"" + offset + "\"";
      return false;
    }
    bool sized = type == "text" || type == "digits";
    if (sized && (!ParseInt(size, &field.Size) || field.Size < 1)) {
      *error = where + "bad size \"" + size + "\"";
      return false;
    }
    // No record is longer than 1536 bytes (3072 digits): what goes beyond cannot fit.
    if (field.Offset > kLongestRecord || field.Size > 2 * kLongestRecord) {
      *error = where + "field " + name + " reaches past the record";
      return false;
    }
    if (type == "text") {
      field.Type = FieldType::kText;
      field.Bytes = field.Size;
    } else if (type == "digits") {
      field.Type = FieldType::kDigits;
      field.Bytes = (field.Size + 1) / 2;
    } else if (type == "date") {
      field.Type = FieldType::kDate;
      field.Size = 8;
      field.Bytes = 4;
    } else if (type == "amount") {
      field.Type = FieldType::kAmount;
      field.Bytes = 4;
    } else {
      *error = where + "unknown type \"" + type + "\"";
      return false;
    }
    if (!(sized ? extra : size).empty()) {
      *error = where + "unexpected text after the field";
      return false;
    }
    names.insert(name);
    result.Fields.push_back(field);
  }
  if (result.RecordLength == 0) {
    *error = "no \"record\" line";
    return false;
  }
  if (result.Fields.empty()) {
    *error = "no field";
    return false;
  }
  for (const Field& field : result.Fields) {
    if (field.Offset + field.Bytes > result.RecordLength) {
      *error = "field " + field.Name + " reaches past the record";
      return false;
    }
  }
  *layout = result;
  return true;
}

bool EncodeField(const Field& field, const std::string& value, std::string* record,
                 std::string* error, char decimal) {
  std::string bytes;
  switch (field.Type) {
    case FieldType::kText: {
      if (!TextToCp850(value, &bytes, error)) return false;
      if (static_cast<int>(bytes.size()) > field.Size) {
        *error = Quoted(value) + " is longer than " + std::to_string(field.Size) + " characters";
        return false;
      }
      bytes.resize(field.Size, ' ');
      break;
    }
    case FieldType::kDigits: {
      std::string digits = Trim(value);
      if (digits.empty()) digits = "0";
      if (!AllDigits(digits) || static_cast<int>(digits.size()) > field.Size) {
        *error =
            Quoted(value) + " is not a number of at most " + std::to_string(field.Size) + " digits";
        return false;
      }
      digits.insert(0, field.Size - digits.size(), '0');
      bytes = PackDigits(digits);
      break;
    }
    case FieldType::kDate: {
      std::string t = Trim(value);
      std::string digits = "00000000";
      if (!t.empty()) {
        int year = 0, month = 0, day = 0;
        if (t.size() != 10 || t[4] != '-' || t[7] != '-' || !AllDigits(t.substr(0, 4)) ||
            !AllDigits(t.substr(5, 2)) || !AllDigits(t.substr(8, 2)) ||
            !ParseInt(t.substr(0, 4), &year) || !ParseInt(t.substr(5, 2), &month) ||
            !ParseInt(t.substr(8, 2), &day) || !ValidDate(year, month, day)) {
          *error = Quoted(value) + " is not a date written YYYY-MM-DD";
          return false;
        }
        digits = t.substr(0, 4) + t.substr(5, 2) + t.substr(8, 2);
      }
      bytes = PackDigits(digits);
      break;
    }
    case FieldType::kAmount: {
      int32_t hundredths = 0;
      const std::string example = std::string("123") + decimal + "45 or -10" + decimal + "00";
      switch (ParseAmount(Trim(value), decimal, &hundredths)) {
        case Amount::kMalformed:
          *error = Quoted(value) + " is not an amount such as " + example;
          return false;
        case Amount::kTooLarge:
          *error = Quoted(value) + " is too large: amounts go from -21474836" + decimal +
                   "48 to 21474836" + decimal + "47";
          return false;
        case Amount::kRead:
          break;
      }
      uint32_t raw = static_cast<uint32_t>(hundredths);
      for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>((raw >> (8 * i)) & 0xff));
      break;
    }
  }
  record->replace(field.Offset, field.Bytes, bytes);
  return true;
}

std::string DecodeField(const Field& field, const std::string& record, char decimal) {
  std::string bytes = record.substr(field.Offset, field.Bytes);
  switch (field.Type) {
    case FieldType::kText: {
      size_t end = bytes.find_last_not_of(' ');
      return platform::Cp850ToUtf8(bytes.substr(0, end == std::string::npos ? 0 : end + 1));
    }
    case FieldType::kDigits: {
      std::string digits = UnpackDigits(bytes).substr(0, field.Size);
      size_t first = digits.find_first_not_of('0');
      return first == std::string::npos ? "0" : digits.substr(first);
    }
    case FieldType::kDate: {
      std::string digits = UnpackDigits(bytes);
      if (digits == "00000000") return std::string();
      return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2);
    }
    case FieldType::kAmount: {
      uint32_t raw = 0;
      for (int i = 3; i >= 0; --i) raw = (raw << 8) | static_cast<uint8_t>(bytes[i]);
      int64_t value = static_cast<int32_t>(raw);
      int64_t magnitude = value < 0 ? -value : value;
      std::string cents = std::to_string(magnitude % 100);
      if (cents.size() < 2) cents.insert(0, "0");
      return (value < 0 ? "-" : "") + std::to_string(magnitude / 100) + decimal + cents;
    }
  }
  return std::string();
}

}  // namespace zem::vakdata
