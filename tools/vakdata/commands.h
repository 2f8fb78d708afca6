#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zem::vakdata {

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
// All or nothing: every row is converted first; when a row fails or the record manager
// refuses an insert, the records already inserted are deleted again.
int ImportCommand(const std::string& data_path, const std::string& layout_path,
                  const std::string& csv_path, std::ostream& out, std::ostream& err);
int ExportCommand(const std::string& data_path, const std::string& layout_path, std::ostream& out,
                  std::ostream& err);
int StatCommand(const std::string& data_path, std::ostream& out, std::ostream& err);

// Runs the tool on its arguments (without the program name).
int RunVakdata(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zem::vakdata
