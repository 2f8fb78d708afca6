#include "forms/browse_lines.h"

#include "format/dates.h"
#include "format/text_utils.h"
#include "forms/browse.h"
#include "forms/form_engine.h"
#include "storage/record_ops.h"

namespace zem {

namespace {

constexpr size_t kGroupOffset = 48;
constexpr size_t kGroupLength = 8;
constexpr size_t kCodeLength = 8;
constexpr const char* kJoin = "  ";

std::string Record(int16_t id) {
  const std::string* record = FileRecord(id);
  return record ? *record : std::string();
}

// The last three digits of a packed number at the start of a record.
std::string LastThreeDigits(const std::string& record, size_t packed_length) {
  const std::string digits = UnpackDigits(RecordText(record, 0, packed_length));
  return digits.substr(digits.size() - 3);
}

// A text's group is shown only on the first of the consecutive lines that share it.
std::string TextLine(int16_t file_id) {
  const std::string record = Record(kFormTextsFile);
  const std::string group = RecordText(record, kGroupOffset, kGroupLength);
  const bool same_group = PeekMoveWithinLimit(file_id, -1, KeyToComparable(group, file_id));
  return (same_group ? std::string(kGroupLength + 2, ' ') : group + kJoin) +
         RecordText(record, 0, kCodeLength) + kJoin + RecordText(record, 8, 40);
}

std::string UnitLine() {
  const std::string record = Record(kFormUnitsFile);
  return LastThreeDigits(record, 4) + kJoin + RecordText(record, 8, 30) + kJoin +
         RecordText(record, 38, 10);
}

}  // namespace

std::string BrowseLine(int16_t number, int16_t file_id) {
  switch (number) {
    case 1:
      return TextLine(file_id);
    case 2: {
      const std::string record = Record(kFormPropertiesFile);
      return LastThreeDigits(record, 2) + kJoin + RecordText(record, 8, 30);
    }
    case 3:
    case 4:
      return UnitLine();
    default:
      return {};
  }
}

std::string BrowseStart(int16_t number, const PickList& list) {
  switch (number) {
    case 1: {
      std::string start = AsciiUpper(FieldValue(list.FilterScreen, 1));
      start.erase(start.find_last_not_of(' ') + 1);
      return start;
    }
    case 3:
      return PackCode("0" + FieldValue(1, 3));
    case 4:
      return PackCode("0" + FieldValue(1, 5));
    default:
      return {};
  }
}

void StoreChoice(int16_t number, int16_t screen, int16_t field) {
  std::string key;
  switch (number) {
    case 1:
      key = RecordText(Record(kFormTextsFile), 0, kCodeLength);
      break;
    case 2:
      key = LastThreeDigits(Record(kFormPropertiesFile), 2);
      break;
    case 3:
    case 4:
      key = LastThreeDigits(Record(kFormUnitsFile), 4);
      break;
    default:
      return;
  }
  int16_t unused_key = 0;
  StoreField(screen, key, field, unused_key);
}

}  // namespace zem
