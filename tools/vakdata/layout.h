#pragma once

#include <string>
#include <vector>

namespace zem::vakdata {

// How a record's bytes are laid out in fields, read from a layout file, one statement a line
// ("#" starts a comment):
//   record 160                  the record length
//   field code 0 digits 4       name, byte offset from 0, type and size:
//                               text N    N bytes of blank-padded code-page-850 text
//                               digits N  N decimal digits packed two to a byte
//                               date      packed date (4 bytes), written YYYY-MM-DD
//                               amount    32-bit little-endian hundredths, written 123.45
enum class FieldType { kText, kDigits, kDate, kAmount };

struct Field {
  std::string Name;
  int Offset = 0;
  FieldType Type = FieldType::kText;
  int Size = 0;   // characters or digits as written in the layout
  int Bytes = 0;  // bytes taken in the record
};

struct Layout {
  int RecordLength = 0;
  std::vector<Field> Fields;
};

// False with a message naming the line when the layout is malformed or a field does not fit.
bool ParseLayout(const std::string& text, Layout* layout, std::string* error);

// Writes a CSV value (UTF-8) into its field of `record`; false with a reason, quoting the
// value, when it does not convert or fit. Text takes no bytes below 32. Amounts are written
// with `decimal` as their decimal character.
bool EncodeField(const Field& field, const std::string& value, std::string* record,
                 std::string* error, char decimal = '.');
// The CSV value (UTF-8) of a field of `record`.
std::string DecodeField(const Field& field, const std::string& record, char decimal = '.');

}  // namespace zem::vakdata
