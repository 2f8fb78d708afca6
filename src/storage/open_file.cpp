#include "storage/open_file.h"

#include <algorithm>

#include "platform/services.h"
#include "screen/message.h"
#include "startup/session.h"
#include "storage/file_table.h"

namespace zem {
namespace {

constexpr int kOpenLockedPauseMs = 3000;

// The owner name the suite's files carry: four characters and a NUL, put together here so it
// does not stand in the program as one text.
std::string OwnerName() {
  std::string owner;
  for (char piece : {'N', 'E', 'R', 'A'}) owner.push_back(piece);
  owner.push_back('\0');
  return owner;
}

// Shows a report, waits for a key and ends the program with `code`, closing the record
// manager first.
void ReportAndEnd(const std::string& text, int code) {
  ShowMessageAndWait(12, text);
  ResetRecordManager();
  EndProgram(code);
}

// Reads the creation block of a dictionary: its 16-bit length, then that many bytes, of which
// at most one data buffer's worth is used. False when the file cannot be read or is shorter
// than its length field says.
bool ReadCreationBlock(const std::string& path, std::string* block) {
  std::string bytes;
  if (!platform::Files().ReadFile(path, &bytes) || bytes.size() < 2) return false;
  // The length: 16 bits, low-order byte first.
  int16_t length =
      static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) | (static_cast<uint8_t>(bytes[1]) << 8));
  if (length < 0) return false;
  size_t used = std::min<size_t>(static_cast<size_t>(length), kDataBufferSize);
  if (bytes.size() - 2 < used) return false;
  *block = bytes.substr(2, used);
  return true;
}

int16_t CallPath(int slot, uint16_t operation, std::string data, uint32_t data_length,
                 const std::string& path, int8_t key_number) {
  // The key length cannot announce a longer path, and a path cut short names another file.
  if (path.size() > kKeyBufferSize - 1) return kStatusInvalidFileName;
  FileSlot& entry = OpenFiles().Slots[slot];
  std::string key = path;
  key.resize(kKeyBufferSize, '\0');
  data.resize(std::max<size_t>(data.size(), kDataBufferSize), ' ');
  return platform::Records().Call(operation, entry.PositionBlock.data(), data.data(), &data_length,
                                  key.data(), static_cast<uint8_t>(path.size()), key_number);
}

}  // namespace

int16_t StatSlot(int slot, std::string* data) {
  FileSlot& entry = OpenFiles().Slots[slot];
  data->assign(kDataBufferSize, ' ');
  std::string key(kKeyBufferSize, ' ');
  uint32_t data_length = kDataBufferSize;
  int16_t status = platform::Records().Call(kOpStat, entry.PositionBlock.data(), data->data(),
                                            &data_length, key.data(), 255, 0);
  return status;
}

FileNameParts SplitDataFileName(std::string_view name) {
  FileNameParts parts;
  size_t base_start = 0;
  size_t base_end = name.size();
  bool has_extension = false;
  for (size_t i = name.size(); i-- > 0;) {
    char c = name[i];
    if (c == ':' || c == '\\' || c == '/') {
      base_start = i + 1;
      break;
    }
    if (c == '.') {
      base_end = i;
      has_extension = true;
    }
  }
  parts.Directory = std::string(name.substr(0, base_start));
  parts.Base = std::string(name.substr(base_start, base_end - base_start));
  parts.Extension = has_extension ? std::string(name.substr(base_end)) : ".dat";
  return parts;
}

std::string DataFilePath(const FileNameParts& parts) {
  return parts.Directory + parts.Base + parts.Extension;
}

std::string DictionaryPath(const FileNameParts& parts) {
  return Session().RootDir + "ddf\\" + parts.Base + ".xdf";
}

std::string UnreachableFileMessage(const std::string& name, int16_t status) {
  const std::string& language = Session().Language;
  std::string prefix = "NO ES POT ACCEDIR AL FITXER ";
  if (language == "SPA") prefix = "NO SE PUEDE ACCEDER AL FICHERO ";
  if (language == "GLG") prefix = "NOM SE PODE ACEDER AO FICHEIRO ";
  if (language == "OCI") prefix = "NON SE P\xe3T ACCEDIR ATH FICH\xd4R ";
  return prefix + name + " (" + std::to_string(status) + ")";
}

std::string UnreadableDictionaryMessage(const std::string& path) {
  const std::string& language = Session().Language;
  std::string prefix = "NO ES POT LLEGIR EL DICCIONARI ";
  if (language == "SPA") prefix = "NO SE PUEDE LEER EL DICCIONARIO ";
  if (language == "GLG") prefix = "NOM SE PODE LER O DICIONARIO ";
  if (language == "OCI") prefix = "NON SE P\xe3T LEGIR ETH DICCIONARI ";
  return prefix + path;
}

int16_t OpenDataFile(int16_t id, const std::string& name, std::string* record_area) {
  int found = FindFileSlot(id);
  if (found > 0) return kStatusAlreadyOpen;
  if (found == 0) return kStatusNoFreeSlot;
  int slot = -found;
  FileSlot& entry = OpenFiles().Slots[slot];
  entry = FileSlot{};
  entry.Id = id;
  entry.RecordArea = record_area;

  FileNameParts parts = SplitDataFileName(name);
  std::string path = DataFilePath(parts);
  bool created = false;
  for (;;) {
    int16_t status = CallPath(slot, kOpOpen, OwnerName(), 5, path, 0);
    if (status == kStatusOk) break;
    if (status == kStatusFileLocked) {
      platform::Time().SleepMs(kOpenLockedPauseMs);
      continue;
    }
    // A file still missing after it was created would be created again and again: report it.
    if (status == kStatusFileNotFound && !created) {
      std::string dictionary = DictionaryPath(parts);
      std::string block;
      if (!ReadCreationBlock(dictionary, &block)) {
        ReportAndEnd(UnreadableDictionaryMessage(dictionary), 255);
        return status;
      }
      status = CallPath(slot, kOpCreate, block, kDataBufferSize, path, -1);
      if (status == kStatusOk) {
        created = true;
        continue;
      }
    }
    ReportAndEnd(UnreachableFileMessage(name, status), 0);
    return status;
  }

  std::string answer;
  StatSlot(slot, &answer);
  entry.Stat = ParseStat(answer);
  const int32_t record_length = entry.Stat.RecordLength;
  entry.RecordLength = record_length;
  entry.KeyValue.assign(static_cast<size_t>(KeyLength(entry.Stat, 0)), '\0');
  size_t needed = static_cast<size_t>(std::min<int32_t>(record_length, kDataBufferSize));
  if (record_area && record_area->size() < needed) record_area->resize(needed, ' ');
  return kStatusOk;
}

void KeyAndRecordLength(int16_t id, int16_t key_number, int32_t& key_length,
                        int32_t& record_length) {
  key_length = 0;
  record_length = 0;
  int slot = FindFileSlot(id);
  if (slot <= 0 || id == 0) return;
  const FileStat& stat = OpenFiles().Slots[slot].Stat;
  record_length = stat.RecordLength;
  key_length = KeyLength(stat, key_number);
}

}  // namespace zem
