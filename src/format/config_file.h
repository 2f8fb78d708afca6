#pragma once

#include <string>

namespace zem {

// The value of `key` in section `section` of the sectioned text file `file`, or the empty text
// when the file, the section or the key is missing. Section and key names match without regard
// to letter case and surrounding blanks; values come back as written (a value wrapped in double
// quotes loses them). The file is read afresh on every call.
std::string ReadConfigValue(const std::string& file, const std::string& section,
                            const std::string& key);

// A key of the user file: section Usuari of the value of VAKROOT followed directly by
// "Nera.ini" (VAKROOT read afresh, nothing put between the two texts).
std::string ReadUserSetting(const std::string& key);

}  // namespace zem
