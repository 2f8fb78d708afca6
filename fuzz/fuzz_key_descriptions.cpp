// Key descriptions: the record manager accepts every creation block the tool builds, and the
// block holds the record length and the segments the description names.
#include <cstdlib>
#include <sstream>

#include "fuzz_check.h"
#include "recman/file_definition.h"
#include "tools/vakdata/key_description.h"

namespace {

struct Range {
  long long first = 0;
  long long last = 0;
};

// A decimal number with an optional "+" and any leading zeros, read without any limit (numbers
// beyond 18 digits read as 10^18).
bool ReadNumber(const std::string& text, long long* out) {
  size_t start = !text.empty() && text[0] == '+' ? 1 : 0;
  if (start == text.size()) return false;
  for (size_t i = start; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  while (start + 1 < text.size() && text[start] == '0') ++start;
  *out = text.size() - start > 18 ? 1000000000000000000LL : std::stoll(text.substr(start));
  return true;
}

// "first-last".
bool ReadRange(const std::string& word, Range* range) {
  const size_t dash = word.find('-', 1);
  return dash != std::string::npos && ReadNumber(word.substr(0, dash), &range->first) &&
         ReadNumber(word.substr(dash + 1), &range->last);
}

// The segment ranges of every "key" line, in order, and the "record" length.
void ReadDescription(const std::string& text, std::vector<std::vector<Range>>* keys, long* record) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    line = line.substr(0, line.find('#'));
    for (char& c : line) c = c == ',' || c == ':' || c == '\t' || c == '\r' ? ' ' : c;
    std::istringstream words(line);
    std::string word;
    words >> word;
    if (word == "record") words >> *record;
    if (word != "key") continue;
    keys->emplace_back();
    words >> word;  // the key's number
    Range range;
    while (words >> word) {
      if (ReadRange(word, &range)) keys->back().push_back(range);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string description(reinterpret_cast<const char*>(data), size);
  std::string block, error;
  if (!zem::vakdata::BuildCreationBlock(description, &block, &error)) return 0;
  recman::FileDefinition definition;
  const int16_t status = recman::ParseCreationBlock(reinterpret_cast<const uint8_t*>(block.data()),
                                                    block.size(), &definition);
  FUZZ_CHECK(status == 0,
             "the record manager refuses the block with status " + std::to_string(status));

  std::vector<std::vector<Range>> keys;
  long record = 0;
  ReadDescription(description, &keys, &record);
  FUZZ_CHECK(definition.record_length == record, std::to_string(definition.record_length));
  FUZZ_CHECK(definition.keys.size() == keys.size(), std::to_string(definition.keys.size()));
  for (size_t k = 0; k < keys.size(); ++k) {
    const recman::KeyDefinition& key = definition.keys[k];
    FUZZ_CHECK(static_cast<size_t>(key.segment_count) == keys[k].size(),
               "key " + std::to_string(k));
    for (size_t s = 0; s < keys[k].size(); ++s) {
      const recman::Segment& segment =
          definition.segments[static_cast<size_t>(key.first_segment) + s];
      FUZZ_CHECK(segment.offset == keys[k][s].first - 1 &&
                     segment.length == keys[k][s].last - keys[k][s].first + 1,
                 "key " + std::to_string(k) + " segment " + std::to_string(s + 1));
    }
  }
  return 0;
}
