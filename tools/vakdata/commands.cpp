#include "tools/vakdata/commands.h"

#include <cstdio>
#include <istream>
#include <memory>
#include <ostream>
#include <sstream>

#include "platform/services.h"
#include "storage/open_file.h"
#include "tools/vakdata/csv.h"
#include "tools/vakdata/data_file.h"
#include "tools/vakdata/key_description.h"
#include "tools/vakdata/layout.h"
#include "tools/vakdata/text_lines.h"

namespace zem::vakdata {
namespace {

constexpr const char* kBom = "\xef\xbb\xbf";

// Reads a whole input: a file, or `in` for "-". Says why when it cannot.
bool ReadInput(const std::string& path, std::string* text, std::ostream& err,
               std::istream* in = nullptr) {
  if (path == kStandardStream && in != nullptr) {
    std::ostringstream buffer;
    buffer << in->rdbuf();
    *text = buffer.str();
    if (!in->bad()) return true;
    err << "vakdata: cannot read standard input\n";
    return false;
  }
  if (platform::Files().IsDirectory(path)) {
    err << "vakdata: " << path << ": is a directory\n";
    return false;
  }
  if (platform::Files().ReadFile(path, text)) return true;
  const std::string reason = platform::Files().LastError();
  err << "vakdata: " << path << ": cannot read" << (reason.empty() ? "" : " (" + reason + ")")
      << "\n";
  return false;
}

bool LoadLayout(const std::string& path, Layout* layout, std::ostream& err) {
  std::string text, error;
  if (!ReadInput(path, &text, err)) return false;
  if (ParseLayout(text, layout, &error)) return true;
  err << path << ": " << error << "\n";
  return false;
}

// The record manager takes paths of at most 255 bytes; a longer one cut to fit would name
// another file.
bool DataPathFits(const std::string& path, std::ostream& err) {
  if (path.size() <= kLongestDataPath) return true;
  err << "vakdata: " << path.substr(0, 40) << "...: the path is longer than " << kLongestDataPath
      << " bytes\n";
  return false;
}

// Opens a data file and reads its Stat; with a layout, the record lengths must agree.
bool OpenChecked(DataFile* file, const std::string& path, const Layout* layout, FileStat* stat,
                 std::ostream& err) {
  if (!DataPathFits(path, err)) return false;
  int16_t status = file->Open(path);
  if (status != 0) {
    err << "vakdata: cannot open " << path << " (" << StatusText(status) << ")\n";
    return false;
  }
  std::string data;
  status = file->Stat(&data);
  if (status != 0) {
    err << "vakdata: Stat of " << path << " failed (" << StatusText(status) << ")\n";
    return false;
  }
  *stat = ParseStat(data);
  if (layout != nullptr && stat->RecordLength != layout->RecordLength) {
    err << "vakdata: " << path << " has records of " << stat->RecordLength
        << " bytes, the layout describes " << layout->RecordLength << "\n";
    return false;
  }
  return true;
}

// Whether a field covers bytes of a key.
bool IsKeyField(const Field& field, const FileStat& stat) {
  for (const auto& key : stat.Keys) {
    for (const KeySegment& segment : key) {
      const int first = segment.Position - 1;
      if (field.Offset < first + segment.Length && first < field.Offset + field.Bytes) return true;
    }
  }
  return false;
}

// A write the record manager refused. Status 46 may come from log files another account
// left behind: name them.
void ReportRefusal(const std::string& where, int16_t status, const std::string& data_path,
                   std::ostream& err) {
  err << where << ": the record manager refused the record (" << StatusText(status) << ")\n";
  if (status != 46) return;
  for (const char* suffix : {"-wal", "-shm"}) {
    if (platform::Files().Exists(data_path + suffix)) {
      err << "vakdata: when no other program has " << data_path << " open, remove " << data_path
          << suffix << "\n";
    }
  }
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
  if (!DataPathFits(data_path, err) || !ReadInput(dictionary_path, &bytes, err)) {
    return kExitDataError;
  }
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
    err << "vakdata: cannot create " << data_path << " (" << StatusText(status) << ")\n";
    return kExitDataError;
  }
  out << "created " << data_path << "\n";
  return kExitOk;
}

int DictCommand(const std::string& description_path, const std::string& dictionary_path,
                std::ostream& out, std::ostream& err) {
  std::string text, block, error;
  if (!ReadInput(description_path, &text, err)) return kExitDataError;
  if (!BuildCreationBlock(text, &block, &error)) {
    err << description_path << ": " << error << "\n";
    return kExitDataError;
  }
  if (!platform::Files().WriteFile(dictionary_path, DictionaryBytes(block))) {
    const std::string reason = platform::Files().LastError();
    err << "vakdata: cannot write " << dictionary_path
        << (reason.empty() ? "" : " (" + reason + ")") << "\n";
    return kExitDataError;
  }
  out << "wrote " << dictionary_path << " (" << block.size() << " bytes)\n";
  return kExitOk;
}

int ImportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& csv_path, std::ostream& out, std::ostream& err,
                  const CsvFormat& format, std::istream* in) {
  Layout layout;
  if (!LoadLayout(layout_path, &layout, err)) return kExitDataError;
  std::string text, error;
  if (!ReadInput(csv_path, &text, err, in)) return kExitDataError;
  if (text.compare(0, 3, kBom) == 0) text.erase(0, 3);
  std::vector<CsvRow> rows;
  if (!ParseCsv(text, &rows, &error, format.Delimiter)) {
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
        << CsvLine(names, format.Delimiter);
    return kExitDataError;
  }

  // Convert every row before anything is written.
  std::vector<std::string> records;
  int bad_rows = 0;
  auto where = [&](const CsvRow& row, const Field& field) {
    return csv_path + ": line " + std::to_string(row.Line) + ", field " + field.Name + ": ";
  };
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
      if (!EncodeField(layout.Fields[f], row.Values[f], &record, &error, format.Decimal)) {
        err << where(row, layout.Fields[f]) << error << "\n";
        good = false;
      }
    }
    if (!good) {
      ++bad_rows;
      continue;
    }
    records.push_back(record);
  }
  if (bad_rows > 0) {
    err << "vakdata: " << bad_rows << " bad rows; nothing imported\n";
    return kExitDataError;
  }

  DataFile file;
  FileStat stat;
  if (!OpenChecked(&file, data_path, &layout, &stat, err)) return kExitDataError;
  // A key field left empty would file the record under a made-up key (property 0).
  for (size_t r = 1; r < rows.size(); ++r) {
    for (size_t f = 0; f < layout.Fields.size(); ++f) {
      if (!Trim(rows[r].Values[f]).empty() || !IsKeyField(layout.Fields[f], stat)) continue;
      err << where(rows[r], layout.Fields[f]) << "empty; a key field needs a value\n";
      ++bad_rows;
    }
  }
  if (bad_rows > 0) {
    err << "vakdata: empty key fields; nothing imported\n";
    return kExitDataError;
  }
  int16_t status = file.BeginTransaction();
  if (status != 0) {
    err << "vakdata: cannot start a transaction on " << data_path << " (" << StatusText(status)
        << ")\n";
    return kExitDataError;
  }
  for (size_t r = 0; r < records.size(); ++r) {
    status = file.Insert(records[r]);
    if (status == 0) continue;
    ReportRefusal(csv_path + ": line " + std::to_string(rows[r + 1].Line), status, data_path, err);
    file.AbortTransaction();
    err << "vakdata: nothing imported\n";
    return kExitDataError;
  }
  status = file.EndTransaction();
  if (status != 0) {
    err << "vakdata: the import into " << data_path << " could not be committed ("
        << StatusText(status) << "); nothing imported\n";
    return kExitDataError;
  }
  out << "imported " << records.size() << " records into " << data_path << "\n";
  return kExitOk;
}

int ExportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& output_path, std::ostream& out, std::ostream& err,
                  const CsvFormat& format) {
  Layout layout;
  if (!LoadLayout(layout_path, &layout, err)) return kExitDataError;
  DataFile file;
  FileStat stat;
  if (!OpenChecked(&file, data_path, &layout, &stat, err)) return kExitDataError;
  const bool to_stream = output_path.empty() || output_path == kStandardStream;
  std::unique_ptr<platform::OutputFile> output;
  if (!to_stream) {
    output = platform::Files().OpenReplacement(output_path);
    if (!output) {
      const std::string reason = platform::Files().LastError();
      err << "vakdata: cannot write " << output_path << (reason.empty() ? "" : " (" + reason + ")")
          << "\n";
      return kExitDataError;
    }
  }
  auto write = [&](const std::string& text) {
    if (output) return output->Write(text);
    out << text;
    return !out.fail();
  };
  std::vector<std::string> names;
  for (const Field& field : layout.Fields) names.push_back(field.Name);
  bool written = (!format.Bom || write(kBom)) && write(CsvLine(names, format.Delimiter));
  std::string record;
  int16_t status = file.First(&record);
  while (status == 0 && written) {
    record.resize(layout.RecordLength, ' ');
    std::vector<std::string> values;
    for (const Field& field : layout.Fields) {
      values.push_back(DecodeField(field, record, format.Decimal));
    }
    written = write(CsvLine(values, format.Delimiter));
    status = file.Next(&record);
  }
  if (written && status != 9) {
    // An abandoned output file is removed.
    err << "vakdata: reading " << data_path << " stopped (" << StatusText(status) << ")"
        << (to_stream ? "" : "; " + output_path + " not written") << "\n";
    return kExitDataError;
  }
  if (output) {
    // Unless all went well the output is abandoned, which removes it.
    written = written && output->Close();
  } else {
    out.flush();
    written = written && !out.fail();
  }
  if (!written) {
    const std::string reason = output ? output->LastError() : "";
    err << "vakdata: cannot write " << (to_stream ? "to standard output" : output_path)
        << (reason.empty() ? "" : " (" + reason + ")") << "; the export is incomplete\n";
    return kExitDataError;
  }
  return kExitOk;
}

int StatCommand(const std::string& data_path, std::ostream& out, std::ostream& err) {
  DataFile file;
  FileStat stat;
  if (!OpenChecked(&file, data_path, nullptr, &stat, err)) return kExitDataError;
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
