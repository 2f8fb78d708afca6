// Screen form files: whatever a file holds, a form that loads has the sizes its header
// announces at most, every field value is exactly its Length in bytes, and a malformed form
// names a line that lies within the file.
#include <algorithm>
#include <string>

#include "forms/form_loader.h"
#include "forms/form_tables.h"
#include "fuzz_check.h"
#include "platform/program_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zem::ResetProgramState();
  const zem::FormLoadResult result = zem::LoadScreenFormBytes(bytes);
  const zem::FormState& form = zem::Form();
  if (result.outcome == zem::FormLoadResult::Outcome::kMalformed) {
    const long lines = 2 + std::count(bytes.begin(), bytes.end(), '\r');
    FUZZ_CHECK(result.line >= 1 && result.line <= lines, std::to_string(result.line));
    FUZZ_CHECK(!result.problem.empty(), "a malformed form says why");
  }
  for (const zem::FormScreen& screen : form.Screens) {
    FUZZ_CHECK(screen.FieldCount >= 0 && screen.FieldCount <= form.MaxFields,
               std::to_string(screen.FieldCount));
    FUZZ_CHECK(static_cast<int>(screen.Fields.size()) >= screen.FieldCount, "fields stored");
    for (const zem::FormField& field : screen.Fields) {
      FUZZ_CHECK(static_cast<int>(field.Value.size()) == field.Length,
                 std::to_string(field.Length));
    }
  }
  zem::ResetProgramState();
  return 0;
}
