#include <iostream>
#include <map>
#include <ostream>

#include "tools/vakdata/commands.h"

namespace zem::vakdata {
namespace {

constexpr const char* kVersion = "vakdata 1.1";

struct Command {
  size_t arguments;
  size_t optional_arguments;
  bool csv_options;  // takes --delimiter and --decimal (and, on export, --bom)
  const char* usage;
  const char* help;
};

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"create",
       {2, 0, false, "vakdata create <file.dat> <dictionary.xdf>",
        "Creates an empty data file from a dictionary. An existing file is left alone."}},
      {"dict",
       {2, 0, false, "vakdata dict <keys-description> <out.xdf>",
        "Builds a dictionary from a key description: lines \"record N\", \"page N\",\n"
        "\"key N: first-last[ binary|alt], ...[ dup][ mod]\" (byte positions from 1 to 65535)\n"
        "and \"collating upper\" for \"alt\" segments; \"#\" starts a comment."}},
      {"import",
       {3, 0, true, "vakdata import [--delimiter C] [--decimal C] <file.dat> <layout> <data.csv|->",
        "Adds the records of a UTF-8 CSV file (header line = the layout's field names;\n"
        "\"-\" reads standard input). Every row is checked first: a bad value (an empty key\n"
        "field, a control character in a text, a character code page 850 lacks) is reported\n"
        "with its line and field and nothing is imported. The records then go in as one\n"
        "transaction: when the record manager refuses one (a duplicate key), or the import\n"
        "is interrupted, none of them is added.\n"
        "--delimiter C separates values with C (\";\" as spreadsheets write in Catalan and\n"
        "Spanish settings); --decimal C writes amounts with C (\",\") as decimal character."}},
      {"export",
       {2, 1, true,
        "vakdata export [--delimiter C] [--decimal C] [--bom] <file.dat> <layout> [<out.csv>|-]",
        "Writes the records in key order as UTF-8 CSV to a file, or to standard output when\n"
        "none (or \"-\") is named. A file appears only once it is complete; a failed write is\n"
        "reported and leaves any earlier file as it was. --bom starts the text with the UTF-8\n"
        "byte order mark that spreadsheets look for; --delimiter and --decimal as on import."}},
      {"stat",
       {1, 0, false, "vakdata stat <file.dat>",
        "Shows record length, page size, keys with their segments, and record count."}},
  };
  return commands;
}

void Usage(std::ostream& out) {
  out << "usage:\n";
  for (const auto& [name, command] : Commands()) out << "  " << command.usage << "\n";
  out << "Layouts: lines \"record N\" and \"field <name> <offset from 0> text N | digits N |\n"
         "date | amount\". \"vakdata help <command>\" explains a command; \"vakdata --version\"\n"
         "names this version. Exit codes: 0 done, 1 usage, 2 data errors.\n";
}

void CommandHelp(const Command& command, std::ostream& out) {
  out << "usage: " << command.usage << "\n" << command.help << "\n";
}

// Takes the CSV options out of `args`; false with a message for a bad one.
bool TakeCsvOptions(std::vector<std::string>* args, bool is_export, CsvFormat* format,
                    std::ostream& err) {
  std::vector<std::string> rest;
  for (size_t i = 0; i < args->size(); ++i) {
    const std::string& arg = (*args)[i];
    if (arg == "--bom" && is_export) {
      format->Bom = true;
      continue;
    }
    if (arg != "--delimiter" && arg != "--decimal") {
      rest.push_back(arg);
      continue;
    }
    const std::string value = i + 1 < args->size() ? (*args)[++i] : "";
    if (arg == "--decimal" && (value == "." || value == ",")) {
      format->Decimal = value[0];
    } else if (arg == "--delimiter" && value.size() == 1 && value != "\"" && value != "\r" &&
               value != "\n") {
      format->Delimiter = value[0];
    } else {
      err << "vakdata: " << arg << " takes "
          << (arg == "--decimal" ? "\".\" or \",\"" : "one character other than a quote")
          << ", not \"" << value << "\"\n";
      return false;
    }
  }
  *args = rest;
  return true;
}

}  // namespace

int RunVakdata(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunVakdata(args, std::cin, out, err);
}

int RunVakdata(const std::vector<std::string>& given, std::istream& in, std::ostream& out,
               std::ostream& err) {
  if (given.empty()) {
    Usage(err);
    return kExitUsage;
  }
  if (given[0] == "--version") {
    out << kVersion << "\n";
    return kExitOk;
  }
  const bool help = given[0] == "help";
  if (given[0] == "--help" || given[0] == "-h" || (help && given.size() == 1)) {
    Usage(out);
    return kExitOk;
  }
  const std::string& name = help ? given[1] : given[0];
  auto found = Commands().find(name);
  if (found == Commands().end()) {
    err << "vakdata: unknown command \"" << name << "\"\n";
    Usage(err);
    return kExitUsage;
  }
  const Command& command = found->second;
  if (help) {
    CommandHelp(command, out);
    return kExitOk;
  }
  std::vector<std::string> args(given.begin() + 1, given.end());
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      CommandHelp(command, out);
      return kExitOk;
    }
  }
  CsvFormat format;
  if (command.csv_options && !TakeCsvOptions(&args, name == "export", &format, err)) {
    return kExitUsage;
  }
  if (args.size() < command.arguments ||
      args.size() > command.arguments + command.optional_arguments) {
    err << "usage: " << command.usage << "\n";
    return kExitUsage;
  }
  if (name == "create") return CreateCommand(args[0], args[1], out, err);
  if (name == "dict") return DictCommand(args[0], args[1], out, err);
  if (name == "import") return ImportCommand(args[0], args[1], args[2], out, err, format, &in);
  if (name == "export") {
    return ExportCommand(args[0], args[1], args.size() > 2 ? args[2] : "", out, err, format);
  }
  return StatCommand(args[0], out, err);
}

}  // namespace zem::vakdata
