#include "format/config_file.h"

#include "format/text_utils.h"
#include "platform/services.h"

namespace zem {

std::string ReadConfigValue(const std::string& file, const std::string& section,
                            const std::string& key) {
  std::string bytes;
  if (!platform::Files().ReadFile(file, &bytes)) return {};

  // Section and key names are plain ASCII; other bytes compare as they are.
  const std::string wanted_section = AsciiUpper(TrimBlanks(section));
  const std::string wanted_key = AsciiUpper(TrimBlanks(key));
  std::string value;
  bool in_section = false;
  platform::TextReader reader(std::move(bytes));
  while (!reader.AtEnd()) {
    std::string line = reader.ReadLine();
    line = line.substr(0, line.find(';'));
    size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    line.erase(0, first);

    if (!in_section) {
      if (line[0] != '[') continue;
      std::string name = line.substr(
          1, line.find(']') == std::string::npos ? std::string::npos : line.find(']') - 1);
      if (AsciiUpper(TrimBlanks(name)) == wanted_section) in_section = true;
      continue;
    }
    if (line[0] == '[') break;
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (AsciiUpper(TrimTrailingBlanks(line.substr(0, equals))) == wanted_key) {
      value = line.substr(equals + 1);
      break;
    }
  }
  if (value.size() > 1 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

std::string ReadUserSetting(const std::string& key) {
  return ReadConfigValue(platform::Env().Get("VAKROOT") + "Nera.ini", "Usuari", key);
}

}  // namespace zem
