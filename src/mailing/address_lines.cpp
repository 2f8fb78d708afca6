// The five address lines (DES0 to DES4) of a unit, from its property and unit records.
#include <algorithm>

#include "format/dates.h"
#include "format/text_utils.h"
#include "mailing/letter_mailing.h"

namespace zem {
namespace {

// The field at `offset` of `length` bytes added to `out`; short records read as blanks past
// their end.
void AppendField(std::string& out, const std::string& record, size_t offset, size_t length) {
  const size_t present = offset < record.size() ? std::min(length, record.size() - offset) : 0;
  if (present > 0) out.append(record, offset, present);
  out.append(length - present, ' ');
}

std::string Field(const std::string& record, size_t offset, size_t length) {
  std::string field;
  AppendField(field, record, offset, length);
  return field;
}

}  // namespace

std::array<std::string, 5> BuildAddressLines(const std::string& property, const std::string& unit) {
  std::array<std::string, 5> lines;
  // "V", the last three digits of the property number and of the unit number.
  const std::string digits = UnpackDigits(Field(unit, 0, 4));
  lines[0] = "V" + digits.substr(1, 3) + digits.substr(5, 3);
  lines[1] = NameOrder(Field(unit, 8, 30));
  lines[2] = NameOrder(Field(property, 8, 30));
  lines[2] += ' ';
  AppendField(lines[2], unit, 38, 10);  // the unit's designation
  AppendField(lines[3], property, 38, 30);
  AppendField(lines[4], property, 68, 30);
  // Mailing flag "P": letters go to each owner's own address. The own street line stands
  // alone: the unit's designation names the flat in the property, not one at the owner's
  // address. An owner without a street line of their own keeps the property's, with the
  // designation, so that the address never loses its street.
  if (Field(property, 141, 1) == "P") {
    const std::string own_street = Field(unit, 98, 30);
    if (!IsAllChar(own_street, 32)) lines[2] = NameOrder(own_street);
    std::string own_line2 = Field(unit, 129, 30);
    if (!IsAllChar(own_line2, 32)) {
      lines[3] = std::move(own_line2);
      lines[4] = Field(unit, 159, 30);
    }
  }
  return lines;
}

}  // namespace zem
