#pragma once

// An in-memory record manager for the mailing tests: files of fixed-length records kept in the
// order of key 0 (the record's first bytes), with the calls the mailing's reads issue: Open,
// Stat, Get Equal, Get Greater or Equal, Get Next and Reset. Records with equal keys keep the
// order they were added in.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "format/dates.h"
#include "format/text_utils.h"
#include "platform/record_manager.h"

namespace zem::testing {

class MemoryRecords : public platform::RecordManager {
 public:
  // A file known by the last component of its path ("FinquesV.dat"), in any letter case.
  void AddFile(const std::string& name, size_t record_length, size_t key_length) {
    files_[Lower(name)] = File{record_length, key_length, {}};
  }

  void Insert(const std::string& name, std::string record) {
    File& file = files_.at(Lower(name));
    record.resize(file.record_length, ' ');
    auto at = std::upper_bound(file.records.begin(), file.records.end(), record,
                               [&](const std::string& a, const std::string& b) {
                                 return KeyOf(file, a) < KeyOf(file, b);
                               });
    file.records.insert(at, record);
  }

  int16_t Call(uint16_t operation, void* position_block, void* data_buffer, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t) override {
    ++calls;
    char* data = static_cast<char*>(data_buffer);
    char* key = static_cast<char*>(key_buffer);
    Position pos;
    if (position_block) std::memcpy(&pos, position_block, sizeof pos);
    auto save = [&] { std::memcpy(position_block, &pos, sizeof pos); };
    if (operation == 28) return 0;
    if (operation == 0) {
      std::string path(key, strnlen(key, key_length + 1));
      size_t cut = path.find_last_of("\\/");
      std::string base = Lower(cut == std::string::npos ? path : path.substr(cut + 1));
      auto found = files_.find(base);
      if (found == files_.end()) return 12;
      pos.file = static_cast<uint32_t>(std::distance(files_.begin(), found)) + 1;
      pos.record = -1;
      save();
      return 0;
    }
    File* file = FileAt(pos.file);
    if (!file) return 3;
    if (operation == 15) {
      std::string stat(16 + 16, '\0');
      PutWord(&stat, 0, static_cast<uint16_t>(file->record_length));
      PutWord(&stat, 2, 1024);
      PutWord(&stat, 4, 1);
      PutWord(&stat, 16, 1);
      PutWord(&stat, 18, static_cast<uint16_t>(file->key_length));
      std::memcpy(data, stat.data(), stat.size());
      *data_length = static_cast<uint32_t>(stat.size());
      return 0;
    }
    int64_t index = -1;
    if (operation == 5 || operation == 9) {
      std::string wanted(key, key_length);
      wanted.resize(file->key_length, '\0');
      auto at = std::lower_bound(file->records.begin(), file->records.end(), wanted,
                                 [&](const std::string& record, const std::string& k) {
                                   return KeyOf(*file, record) < k;
                                 });
      if (at == file->records.end()) return operation == 5 ? 4 : 9;
      if (operation == 5 && KeyOf(*file, *at) != wanted) return 4;
      index = at - file->records.begin();
    } else if (operation == 6) {
      if (pos.record < 0) return 8;
      index = pos.record + 1;
      if (index >= static_cast<int64_t>(file->records.size())) return 9;
    } else {
      return 1;
    }
    pos.record = index;
    save();
    const std::string& record = file->records[static_cast<size_t>(index)];
    std::memcpy(data, record.data(), std::min<size_t>(record.size(), 1536));
    *data_length = static_cast<uint32_t>(record.size());
    std::memcpy(key, record.data(), file->key_length);
    return 0;
  }

  int64_t calls = 0;

 private:
  struct File {
    size_t record_length = 0;
    size_t key_length = 0;
    std::vector<std::string> records;
  };
  struct Position {
    uint32_t file = 0;
    int64_t record = -1;
  };

  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  }
  static std::string KeyOf(const File& file, const std::string& record) {
    return record.substr(0, file.key_length);
  }
  static void PutWord(std::string* out, size_t offset, uint16_t value) {
    (*out)[offset] = static_cast<char>(value & 0xff);
    (*out)[offset + 1] = static_cast<char>(value >> 8);
  }
  File* FileAt(uint32_t number) {
    if (number == 0 || number > files_.size()) return nullptr;
    return &std::next(files_.begin(), number - 1)->second;
  }

  std::map<std::string, File> files_;
};

// Record builders in the layouts the mailing reads. Texts are code page 850.
inline void Put(std::string* record, size_t offset, const std::string& text, size_t length) {
  std::string field = text.substr(0, length);
  field.resize(length, ' ');
  record->replace(offset, length, field);
}

inline std::string PackedNumber(int number) {
  return PackDigits(ZeroPad(number, 4));
}

inline std::string PropertyRecord(int code, const std::string& street, const std::string& line2,
                                  const std::string& line3, const std::string& flag = " ") {
  std::string record(160, ' ');
  record.replace(0, 2, PackedNumber(code));
  Put(&record, 8, street, 30);
  Put(&record, 38, line2, 30);
  Put(&record, 68, line3, 30);
  Put(&record, 141, flag, 1);
  return record;
}

inline std::string UnitRecord(int property, int unit, const std::string& owner,
                              const std::string& designation, const std::string& own_street = "",
                              const std::string& own_line2 = "",
                              const std::string& own_line3 = "") {
  std::string record(200, ' ');
  record.replace(0, 4, PackedNumber(property) + PackedNumber(unit));
  Put(&record, 8, owner, 30);
  Put(&record, 38, designation, 10);
  Put(&record, 98, own_street, 30);
  Put(&record, 129, own_line2, 30);
  Put(&record, 159, own_line3, 30);
  return record;
}

// `date` as eight digits, year first; `amount` in hundredths.
inline std::string ReceiptRecord(int property, int unit, const std::string& date, int sequence,
                                 int32_t amount, char state) {
  std::string record(40, ' ');
  record.replace(0, 4, PackedNumber(property) + PackedNumber(unit));
  record.replace(4, 4, PackDigits(date));
  record.replace(8, 2, PackedNumber(sequence));
  uint32_t bits = static_cast<uint32_t>(amount);
  for (int i = 0; i < 4; ++i) record[13 + i] = static_cast<char>((bits >> (8 * i)) & 0xff);
  record[17] = state;
  return record;
}

}  // namespace zem::testing
