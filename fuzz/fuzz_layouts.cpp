// Layouts: every field of an accepted layout lies within the record, and a record's fields,
// exported as the tool writes them and imported again, give the same exported values. The
// input is the layout, then the record's bytes after the part separator.
#include "fuzz_check.h"
#include "tools/vakdata/layout.h"

using zem::vakdata::Field;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> parts = zem::fuzz::SplitParts(
      std::string_view(reinterpret_cast<const char*>(data), size), zem::fuzz::kPartSeparator, 2);
  zem::vakdata::Layout layout;
  std::string error;
  if (!zem::vakdata::ParseLayout(parts[0], &layout, &error)) return 0;
  FUZZ_CHECK(layout.RecordLength >= 1 && layout.RecordLength <= 1536,
             std::to_string(layout.RecordLength));
  for (const Field& field : layout.Fields) {
    FUZZ_CHECK(field.Offset >= 0 && field.Bytes > 0 &&
                   static_cast<long>(field.Offset) + field.Bytes <= layout.RecordLength,
               field.Name);
  }
  std::string record = parts[1];
  record.resize(static_cast<size_t>(layout.RecordLength), ' ');
  std::string imported(static_cast<size_t>(layout.RecordLength), ' ');
  for (const Field& field : layout.Fields) {
    const std::string value = zem::vakdata::DecodeField(field, record);
    std::string reason;
    // What the reader cannot show (a damaged packed digit) it may refuse to take back.
    if (!zem::vakdata::EncodeField(field, value, &imported, &reason)) continue;
    FUZZ_CHECK(
        zem::vakdata::DecodeField(field, imported) == value,
        field.Name + ": " + value + " came back as " + zem::vakdata::DecodeField(field, imported));
  }
  return 0;
}
