#include "support/memory_records.h"

#include <algorithm>
#include <cstring>

#include "format/dates.h"
#include "format/text_utils.h"
#include "recman/status.h"
#include "support/stat_block.h"

namespace zem::testing {
namespace {

constexpr size_t kDataBuffer = recman::kMaxRecordLength;
constexpr size_t kKeyBuffer = recman::kMaxKeyLength + 1;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void MemoryRecords::AddFile(const std::string& name, size_t record_length, size_t key_length) {
  files_[Lower(name)] = File{record_length, key_length, {}};
}

void MemoryRecords::Insert(const std::string& name, std::string record) {
  File& file = files_.at(Lower(name));
  record.resize(file.record_length, ' ');
  auto key_of = [&](const std::string& r) { return r.substr(0, file.key_length); };
  auto at = std::upper_bound(
      file.records.begin(), file.records.end(), record,
      [&](const std::string& a, const std::string& b) { return key_of(a) < key_of(b); });
  file.records.insert(at, record);
}

int16_t MemoryRecords::Call(uint16_t operation, void* position_block, void* data_buffer,
                            uint32_t* data_length, void* key_buffer, uint8_t key_length,
                            int8_t key_number) {
  const bool reset = operation == recman::kOpReset;
  RecordedCall call;
  call.Operation = operation;
  call.Data.assign(static_cast<const char*>(data_buffer), reset ? 0 : kDataBuffer);
  call.DataLength = *data_length;
  call.Key.assign(static_cast<const char*>(key_buffer), reset ? 0 : kKeyBuffer);
  call.KeyLength = key_length;
  call.KeyNumber = key_number;
  call.PositionBlock = position_block;
  calls.push_back(call);
  if (on_call) on_call(calls.back());
  if (reset) {
    ++resets_;
    return reset_status;
  }
  if (operation == recman::kOpStat && !stat.empty()) {
    const size_t length = std::min(stat.size(), kDataBuffer);
    std::memcpy(data_buffer, stat.data(), length);
    *data_length = static_cast<uint32_t>(length);
    return recman::kOk;
  }
  if (!answers.empty()) {
    Answer answer = answers.front();
    answers.pop_front();
    std::memcpy(data_buffer, answer.Data.data(), std::min(answer.Data.size(), kDataBuffer));
    *data_length = answer.DataLength >= 0 ? static_cast<uint32_t>(answer.DataLength)
                                          : static_cast<uint32_t>(answer.Data.size());
    std::memcpy(key_buffer, answer.Key.data(), std::min(answer.Key.size(), kKeyBuffer - 1));
    return answer.Status;
  }
  if (default_status) return *default_status;
  return FileCall(operation, position_block, static_cast<char*>(data_buffer), data_length,
                  static_cast<char*>(key_buffer), key_length);
}

int16_t MemoryRecords::FileCall(uint16_t operation, void* position_block, char* data,
                                uint32_t* data_length, char* key, uint8_t key_length) {
  Position pos;
  std::memcpy(&pos, position_block, sizeof pos);
  auto save = [&] { std::memcpy(position_block, &pos, sizeof pos); };
  if (operation == recman::kOpOpen) {
    std::string path(key, strnlen(key, key_length + 1));
    size_t cut = path.find_last_of("\\/");
    auto found = files_.find(Lower(cut == std::string::npos ? path : path.substr(cut + 1)));
    if (found == files_.end()) return recman::kFileNotFound;
    pos.file = static_cast<uint32_t>(std::distance(files_.begin(), found)) + 1;
    pos.opening = resets_;
    pos.record = -1;
    save();
    return recman::kOk;
  }
  File* file = FileAt(pos);
  if (!file) return recman::kFileNotOpen;
  auto key_of = [&](const std::string& r) { return r.substr(0, file->key_length); };
  if (operation == recman::kOpStat) {
    const std::string answer = BuildStat(static_cast<uint16_t>(file->record_length),
                                         {{{1, static_cast<uint16_t>(file->key_length), 0}}});
    std::memcpy(data, answer.data(), answer.size());
    *data_length = static_cast<uint32_t>(answer.size());
    return recman::kOk;
  }
  int64_t index = -1;
  if (operation == recman::kOpGetEqual || operation == recman::kOpGetGreaterOrEqual) {
    const bool equal = operation == recman::kOpGetEqual;
    std::string wanted(key, key_length);
    wanted.resize(file->key_length, '\0');
    auto at = std::lower_bound(
        file->records.begin(), file->records.end(), wanted,
        [&](const std::string& record, const std::string& k) { return key_of(record) < k; });
    if (at == file->records.end()) return equal ? recman::kKeyNotFound : recman::kEndOfFile;
    if (equal && key_of(*at) != wanted) return recman::kKeyNotFound;
    index = at - file->records.begin();
  } else if (operation == recman::kOpGetNext) {
    if (pos.record < 0) return recman::kNoCurrentRecord;
    index = pos.record + 1;
    if (index >= static_cast<int64_t>(file->records.size())) return recman::kEndOfFile;
  } else {
    return recman::kInvalidOperation;
  }
  pos.record = index;
  save();
  const std::string& record = file->records[static_cast<size_t>(index)];
  std::memcpy(data, record.data(), std::min(record.size(), kDataBuffer));
  *data_length = static_cast<uint32_t>(record.size());
  std::memcpy(key, record.data(), file->key_length);
  return recman::kOk;
}

MemoryRecords::File* MemoryRecords::FileAt(const Position& position) {
  if (position.file == 0 || position.file > files_.size() || position.opening != resets_) {
    return nullptr;
  }
  return &std::next(files_.begin(), position.file - 1)->second;
}

std::vector<RecordedCall> MemoryRecords::Issued() const {
  std::vector<RecordedCall> result;
  for (const RecordedCall& call : calls) {
    if (call.Operation != recman::kOpStat) result.push_back(call);
  }
  return result;
}

void Put(std::string* record, size_t offset, const std::string& text, size_t length) {
  std::string field = text.substr(0, length);
  field.resize(length, ' ');
  record->replace(offset, length, field);
}

std::string PackedNumber(int number) {
  return PackDigits(ZeroPad(number, 4));
}

std::string PropertyRecord(int code, const std::string& street, const std::string& line2,
                           const std::string& line3, const std::string& flag) {
  std::string record(160, ' ');
  record.replace(0, 2, PackedNumber(code));
  Put(&record, 8, street, 30);
  Put(&record, 38, line2, 30);
  Put(&record, 68, line3, 30);
  Put(&record, 141, flag, 1);
  return record;
}

std::string UnitRecord(int property, int unit, const std::string& owner,
                       const std::string& designation, const std::string& own_street,
                       const std::string& own_line2, const std::string& own_line3) {
  std::string record(200, ' ');
  record.replace(0, 4, PackedNumber(property) + PackedNumber(unit));
  Put(&record, 8, owner, 30);
  Put(&record, 38, designation, 10);
  Put(&record, 98, own_street, 30);
  Put(&record, 129, own_line2, 30);
  Put(&record, 159, own_line3, 30);
  return record;
}

std::string ReceiptRecord(int property, int unit, const std::string& date, int sequence,
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
