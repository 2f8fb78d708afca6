#include <map>
#include <ostream>

#include "tools/vakdata/commands.h"

namespace zem::vakdata {
namespace {

struct Command {
  size_t arguments;
  const char* usage;
  const char* help;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"create",
       {2, "vakdata create <file.dat> <dictionary.xdf>",
        "Creates an empty data file from a dictionary. An existing file is left alone."}},
      {"dict",
       {2, "vakdata dict <keys-description> <out.xdf>",
        "Builds a dictionary from a key description: lines \"record N\", \"page N\",\n"
        "\"key N: first-last[ binary|alt], ...[ dup][ mod]\" (byte positions from 1) and\n"
        "\"collating upper\" for \"alt\" segments; \"#\" starts a comment."}},
      {"import",
       {3, "vakdata import <file.dat> <layout> <data.csv>",
        "Adds the records of a UTF-8 CSV file (header line = the layout's field names).\n"
        "Every row is checked first; a bad row is reported with its line and field and\n"
        "nothing is imported. When the record manager refuses a record (a duplicate key),\n"
        "the records this import already added are deleted again."}},
      {"export",
       {2, "vakdata export <file.dat> <layout>",
        "Writes the records in key order as UTF-8 CSV to standard output."}},
      {"stat",
       {1, "vakdata stat <file.dat>",
        "Shows record length, page size, keys with their segments, and record count."}},
  };
  return commands;
}

void Usage(std::ostream& out) {
  out << "usage:\n";
  for (const auto& [name, command] : Commands()) out << "  " << command.usage << "\n";
  out << "Layouts: lines \"record N\" and \"field <name> <offset from 0> text N | digits N |\n"
         "date | amount\". \"vakdata <command> --help\" explains a command.\n"
         "Exit codes: 0 done, 1 usage, 2 data errors.\n";
}

}  // namespace

int RunVakdata(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    Usage(err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    Usage(out);
    return kExitOk;
  }
  auto found = Commands().find(args[0]);
  if (found == Commands().end()) {
    err << "vakdata: unknown command \"" << args[0] << "\"\n";
    Usage(err);
    return kExitUsage;
  }
  const Command& command = found->second;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      out << "usage: " << command.usage << "\n" << command.help << "\n";
      return kExitOk;
    }
  }
  if (args.size() != command.arguments + 1) {
    err << "usage: " << command.usage << "\n";
    return kExitUsage;
  }
  const std::string& name = args[0];
  if (name == "create") return CreateCommand(args[1], args[2], out, err);
  if (name == "dict") return DictCommand(args[1], args[2], out, err);
  if (name == "import") return ImportCommand(args[1], args[2], args[3], out, err);
  if (name == "export") return ExportCommand(args[1], args[2], out, err);
  return StatCommand(args[1], out, err);
}

}  // namespace zem::vakdata
