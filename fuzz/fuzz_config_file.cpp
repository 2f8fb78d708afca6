// Configuration files: whatever a file holds, a value never runs past its line or into a
// comment, and a key written in a section of its own at the top is found with its value.
#include <fuzzer/FuzzedDataProvider.h>

#include "format/config_file.h"
#include "fuzz_check.h"
#include "platform/services.h"
#include "support/fake_services.h"

namespace {

// A value as a file can hold it: no line end, no comment, no byte 26; not quoted.
std::string PlainValue(std::string value) {
  std::erase_if(value, [](char c) { return c == '\r' || c == ';' || c == 26 || c == '"'; });
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zem::platform::FakeServices services;
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(12);
  const std::string key = input.ConsumeRandomLengthString(12);
  const std::string value = PlainValue(input.ConsumeRandomLengthString(40));
  const std::string file = input.ConsumeRemainingBytesAsString();

  services.files.AddFile("/c/file.ini", file);
  const std::string found = zem::ReadConfigValue("/c/file.ini", section, key);
  FUZZ_CHECK(found.find_first_of("\r;") == std::string::npos, found);
  FUZZ_CHECK(found.size() <= file.size(), found);

  services.files.AddFile("/c/first.ini", "[ZFUZZ]\r\nKEY=" + value + "\r\n" + file);
  FUZZ_CHECK(zem::ReadConfigValue("/c/first.ini", " zfuzz ", "key ") == value, value);
  return 0;
}
