// The five address lines (DES0 to DES4) of a unit, from its property and unit records.
#include <algorithm>

#include "format/text_utils.h"
#include "mailing/letter_mailing.h"

namespace zem {
namespace {

// The bytes of the records that the address lines read.
constexpr size_t kPropertyBytes = 142;
constexpr size_t kUnitBytes = 189;

// `record`, or, when it is shorter than `length`, a copy in `room` filled with blanks to it:
// short records read as blanks past their end.
std::string_view Padded(const std::string& record, size_t length, std::string& room) {
  if (record.size() >= length) return record;
  room.assign(record);
  room.resize(length, ' ');
  return room;
}

}  // namespace

void BuildAddressLines(const std::string& property_record, const std::string& unit_record,
                       std::array<std::string, 5>& lines) {
  static thread_local std::string property_room;
  static thread_local std::string unit_room;
  const std::string_view property = Padded(property_record, kPropertyBytes, property_room);
  const std::string_view unit = Padded(unit_record, kUnitBytes, unit_room);
  for (std::string& line : lines) line.clear();
  // "V", the last three digits of the property number and of the unit number (the code's
  // packed bytes hold two digits each).
  lines[0] += 'V';
  for (size_t i = 0; i < 4; ++i) {
    const int value = (static_cast<unsigned char>(unit[i]) & 127) % 100;
    if (i % 2 == 1) lines[0] += static_cast<char>('0' + value / 10);
    lines[0] += static_cast<char>('0' + value % 10);
  }
  AppendNameOrder(lines[1], unit.substr(8, 30));
  AppendNameOrder(lines[2], property.substr(8, 30));
  lines[2] += ' ';
  lines[2].append(unit.substr(38, 10));  // the unit's designation
  lines[3].append(property.substr(38, 30));
  lines[4].append(property.substr(68, 30));
  // Mailing flag "P": letters go to each owner's own address. The own street line stands
  // alone: the unit's designation names the flat in the property, not one at the owner's
  // address. An owner without a street line of their own keeps the property's, with the
  // designation, so that the address never loses its street.
  if (property[141] == 'P') {
    const std::string_view own_street = unit.substr(98, 30);
    if (!IsAllChar(own_street, 32)) {
      lines[2].clear();
      AppendNameOrder(lines[2], own_street);
    }
    const std::string_view own_line2 = unit.substr(129, 30);
    if (!IsAllChar(own_line2, 32)) {
      lines[3].assign(own_line2);
      lines[4].assign(unit.substr(159, 30));
    }
  }
}

}  // namespace zem
