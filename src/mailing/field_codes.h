#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "mailing/merge_table.h"

namespace zem {

// The first field code marker ("@" or "#") of `line` at `from` or later; npos when none.
size_t FindFieldMarker(std::string_view line, size_t from);

// The letters and digits that make up a field name after its marker ("@" or "#").
bool IsFieldNameChar(char c);

// Replaces the field codes of one template line with values from the merge data file (given as
// its bytes). "@NAME" takes the value without its leading and trailing blanks, "#NAME" as it
// is; names are compared without regard to case and a name not in the file leaves its code in
// the line. The earlier lines of a value that spans several lines go to `emit` one by one (the
// text before the code + the value line); the code's last character then stands in the line as
// a placeholder for the rest. After a replacement the file is read on from where it stands,
// so a later entry whose name stands right after the replaced code's position replaces that
// text too. At most `max_replacements` values are put into one line, so values that keep
// bringing field codes of their own cannot grow the line without end.
void ReplaceFieldCodes(std::string& line, const MergeTable& merge_data,
                       const std::function<void(const std::string&)>& emit,
                       int max_replacements = 1000);
// The same over the file's bytes, split for this one line.
void ReplaceFieldCodes(std::string& line, const std::string& merge_data,
                       const std::function<void(const std::string&)>& emit,
                       int max_replacements = 1000);

}  // namespace zem
