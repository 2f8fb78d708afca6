#pragma once

#include <string>
#include <vector>

namespace zem::vakdata {

// Small text helpers of the data tool.
std::string Trim(const std::string& text);
// Lines split at LF (a CR before it is dropped).
std::vector<std::string> SplitLines(const std::string& text);
std::vector<std::string> SplitOn(const std::string& text, char separator);
// A whole decimal integer with an optional sign; false for anything else.
bool ParseInt(const std::string& text, int* value);

}  // namespace zem::vakdata
