#include "tools/vakdata/commands.h"

#include <cstdio>
#include <ostream>

#include "platform/services.h"
#include "storage/open_file.h"
#include "tools/vakdata/csv.h"
#include "tools/vakdata/data_file.h"
#include "tools/vakdata/key_description.h"
#include "tools/vakdata/layout.h"

namespace zem::vakdata {
namespace {

bool ReadText(const std::string& path, std::string* text, std::ostream& err) {
  if (platform::Files().ReadFile(path, text)) return true;
  err << "vakdata: cannot read " << path << "\n";
  return false;
}

bool LoadLayout(const std::string& path, Layout* layout, std::ostream& err) {
  std::string text, error;
  if (!ReadText(path, &text, err)) return false;
  if (ParseLayout(text, layout, &error)) return true;
  err << path << ": " << error << "\n";
  return false;
}

bool OpenChecked(DataFile* file, const std::string& path, const Layout* layout, std::ostream& err) {
  int16_t status = file->Open(path);
  if (status != 0) {
    err << "vakdata: cannot open " << path << " (status " << status << ")\n";
    return false;
  }
  if (!layout) return true;
  std::string stat;
  status = file->Stat(&stat);
  int record_length = ParseStat(stat).RecordLength;
  if (status != 0 || record_length != layout->RecordLength) {
    err << "vakdata: " << path << " has records of " << record_length
        << " bytes, the layout describes " << layout->RecordLength << "\n";
    return false;
  }
  return true;
}

std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", value & 0xffff);
  return text;
}

}  // namespace

int CreateCommand(const std::string& data_path, const std::string& dictionary_path,
                  std::ostream& out, std::ostream& err) {
  std::string bytes;
  if (!ReadText(dictionary_path, &bytes, err)) return kExitDataError;
  int length = bytes.size() >= 2 ? static_cast<int16_t>(static_cast<uint8_t>(bytes[0]) |
                                                        (static_cast<uint8_t>(bytes[1]) << 8))
                                 : -1;
  if (length < 0 || bytes.size() - 2 < static_cast<size_t>(length)) {
    err << dictionary_path << ": not a dictionary (length field does not match the file)\n";
    return kExitDataError;
  }
  DataFile file;
  int16_t status = file.Create(data_path, bytes.substr(2, length));
  if (status != 0) {
    err << "vakdata: cannot create " << data_path << " (status " << status
        << (status == 59 ? ": the file exists" : "") << ")\n";
    return kExitDataError;
  }
  out << "created " << data_path << "\n";
  return kExitOk;
}

int DictCommand(const std::string& description_path, const std::string& dictionary_path,
                std::ostream& out, std::ostream& err) {
  std::string text, block, error;
  if (!ReadText(description_path, &text, err)) return kExitDataError;
  if (!BuildCreationBlock(text, &block, &error)) {
    err << description_path << ": " << error << "\n";
    return kExitDataError;
  }
  if (!platform::Files().WriteFile(dictionary_path, DictionaryBytes(block))) {
    err << "vakdata: cannot write " << dictionary_path << "\n";
    return kExitDataError;
  }
  out << "wrote " << dictionary_path << " (" << block.size() << " bytes)\n";
  return kExitOk;
}

int ImportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& csv_path, std::ostream& out, std::ostream& err) {
  Layout layout;
  if (!LoadLayout(layout_path, &layout, err)) return kExitDataError;
  std::string text, error;
  if (!ReadText(csv_path, &text, err)) return kExitDataError;
  if (text.compare(0, 3, "\xef\xbb\xbf") == 0) text.erase(0, 3);
  std::vector<CsvRow> rows;
  if (!ParseCsv(text, &rows, &error)) {
    err << csv_path << ": " << error << "\n";
    return kExitDataError;
  }
  if (rows.empty()) {
    err << csv_path << ": no header line\n";
    return kExitDataError;
  }
  std::vector<std::string> names;
  for (const Field& field : layout.Fields) names.push_back(field.Name);
  if (rows[0].Values != names) {
    err << csv_path << ": line " << rows[0].Line << ": the header must name the fields "
        << CsvLine(names);
    return kExitDataError;
  }

  // Convert every row before anything is written.
  std::vector<std::string> records;
  std::vector<int> lines;
  int bad_rows = 0;
  for (size_t r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    if (row.Values.size() != layout.Fields.size()) {
      err << csv_path << ": line " << row.Line << ": " << row.Values.size() << " values, expected "
          << layout.Fields.size() << "\n";
      ++bad_rows;
      continue;
    }
    std::string record(layout.RecordLength, ' ');
    bool good = true;
    for (size_t f = 0; f < layout.Fields.size(); ++f) {
      if (!EncodeField(layout.Fields[f], row.Values[f], &record, &error)) {
        err << csv_path << ": line " << row.Line << ", field " << layout.Fields[f].Name << ": "
            << error << "\n";
        good = false;
      }
    }
    if (!good) {
      ++bad_rows;
      continue;
    }
    records.push_back(record);
    lines.push_back(row.Line);
  }
  if (bad_rows > 0) {
    err << "vakdata: " << bad_rows << " bad rows; nothing imported\n";
    return kExitDataError;
  }

  DataFile file;
  if (!OpenChecked(&file, data_path, &layout, err)) return kExitDataError;
  std::vector<uint32_t> inserted;
  for (size_t r = 0; r < records.size(); ++r) {
    int16_t status = file.Insert(records[r]);
    if (status == 0) {
      inserted.push_back(file.Position());
      continue;
    }
    err << csv_path << ": line " << lines[r] << ": the record manager refused the record (status "
        << status << (status == 5 ? ": duplicate key" : "") << ")\n";
    int undone_failures = 0;
    for (size_t i = inserted.size(); i-- > 0;) {
      if (inserted[i] == 0 || file.DeleteAt(inserted[i]) != 0) ++undone_failures;
    }
    if (undone_failures > 0) {
      err << "vakdata: " << undone_failures << " records inserted by this import could not be "
          << "removed again\n";
    } else {
      err << "vakdata: nothing imported\n";
    }
    return kExitDataError;
  }
  out << "imported " << records.size() << " records into " << data_path << "\n";
  return kExitOk;
}

int ExportCommand(const std::string& data_path, const std::string& layout_path, std::ostream& out,
                  std::ostream& err) {
  Layout layout;
  if (!LoadLayout(layout_path, &layout, err)) return kExitDataError;
  DataFile file;
  if (!OpenChecked(&file, data_path, &layout, err)) return kExitDataError;
  std::vector<std::string> names;
  for (const Field& field : layout.Fields) names.push_back(field.Name);
  out << CsvLine(names);
  std::string record;
  int16_t status = file.First(&record);
  while (status == 0) {
    record.resize(layout.RecordLength, ' ');
    std::vector<std::string> values;
    for (const Field& field : layout.Fields) values.push_back(DecodeField(field, record));
    out << CsvLine(values);
    status = file.Next(&record);
  }
  if (status != 9) {
    err << "vakdata: reading " << data_path << " stopped with status " << status << "\n";
    return kExitDataError;
  }
  return kExitOk;
}

int StatCommand(const std::string& data_path, std::ostream& out, std::ostream& err) {
  DataFile file;
  if (!OpenChecked(&file, data_path, nullptr, err)) return kExitDataError;
  std::string data;
  int16_t status = file.Stat(&data);
  if (status != 0) {
    err << "vakdata: Stat of " << data_path << " failed (status " << status << ")\n";
    return kExitDataError;
  }
  FileStat stat = ParseStat(data);
  out << "file " << data_path << "\n";
  out << "record length " << stat.RecordLength << "\n";
  out << "page size " << stat.PageSize << "\n";
  out << "keys " << stat.KeyCount << "\n";
  out << "records " << stat.RecordCount << "\n";
  for (size_t k = 0; k < stat.Keys.size(); ++k) {
    out << "key " << k << ": length " << KeyLength(stat, static_cast<int>(k)) << "\n";
    for (size_t s = 0; s < stat.Keys[k].size(); ++s) {
      const KeySegment& segment = stat.Keys[k][s];
      out << "  segment " << s << ": position " << segment.Position << ", length " << segment.Length
          << ", flags " << Hex(segment.Flags) << "\n";
    }
  }
  return kExitOk;
}

}  // namespace zem::vakdata
