#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zem::vakdata {

// How CSV text is written, as spreadsheets in other settings write it.
struct CsvFormat {
  char Delimiter = ',';
  char Decimal = '.';
  bool Bom = false;  // an export starts with the UTF-8 byte order mark
};

// The path that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

// Exit codes of the data tool.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitDataError = 2;

// The commands; each reads and writes through the platform services in force and reports on
// `out` (results) and `err` (problems). Paths are host paths.
int CreateCommand(const std::string& data_path, const std::string& dictionary_path,
                  std::ostream& out, std::ostream& err);
int DictCommand(const std::string& description_path, const std::string& dictionary_path,
                std::ostream& out, std::ostream& err);
// All or nothing: every row is converted first, and the records go in as one transaction of
// the record manager, which a refused insert (or the end of the process) takes back whole.
// `in` is read when the CSV path is "-".
int ImportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& csv_path, std::ostream& out, std::ostream& err,
                  const CsvFormat& format = {}, std::istream* in = nullptr);
// Writes to `out` when the output path is empty or "-", otherwise to a file that appears
// only once it is complete.
int ExportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& output_path, std::ostream& out, std::ostream& err,
                  const CsvFormat& format = {});
int StatCommand(const std::string& data_path, std::ostream& out, std::ostream& err);

// Runs the tool on its arguments (without the program name); "-" as the CSV reads `in`.
int RunVakdata(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);
int RunVakdata(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zem::vakdata
