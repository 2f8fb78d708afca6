#include "tools/vakdata/key_description.h"

#include <sstream>
#include <vector>

#include "format/text_utils.h"
#include "storage/open_file.h"
#include "tools/vakdata/text_lines.h"

namespace zem::vakdata {
namespace {

constexpr int kMaxRecord = 1536;

void PutWord(std::string* out, size_t offset, int value) {
  (*out)[offset] = static_cast<char>(value & 0xff);
  (*out)[offset + 1] = static_cast<char>((value >> 8) & 0xff);
}

struct KeyParts {
  std::vector<KeySegment> segments;
};

// The largest position or length a segment specification holds (16 bits).
constexpr int kLargestPosition = 65535;

// "12-19" into position 12, length 8.
bool ParseRange(const std::string& text, KeySegment* segment) {
  size_t dash = text.find('-');
  if (dash == std::string::npos) return false;
  int first = 0, last = 0;
  if (!ParseInt(text.substr(0, dash), &first) || !ParseInt(text.substr(dash + 1), &last)) {
    return false;
  }
  if (first < 1 || last < first || last > kLargestPosition) return false;
  segment->Position = static_cast<uint16_t>(first);
  segment->Length = static_cast<uint16_t>(last - first + 1);
  return true;
}

// "0: 1-7, 8-11 binary dup"
bool ParseKey(const std::string& rest, int expected_number, KeyParts* key, std::string* error) {
  size_t colon = rest.find(':');
  int number = -1;
  if (colon == std::string::npos || !ParseInt(Trim(rest.substr(0, colon)), &number)) {
    *error = "expected \"key N: segments\"";
    return false;
  }
  if (number != expected_number) {
    *error = "key " + std::to_string(number) + " out of order (expected key " +
             std::to_string(expected_number) + ")";
    return false;
  }
  uint16_t key_flags = 0;
  std::vector<std::string> parts = SplitOn(rest.substr(colon + 1), ',');
  for (size_t p = 0; p < parts.size(); ++p) {
    std::istringstream words(parts[p]);
    std::string word;
    KeySegment segment;
    bool have_range = false;
    while (words >> word) {
      if (!have_range) {
        if (!ParseRange(word, &segment)) {
          *error = "bad segment \"" + word + "\" (expected first-last, from 1 to " +
                   std::to_string(kLargestPosition) + ")";
          return false;
        }
        have_range = true;
      } else if (word == "binary") {
        segment.Flags |= kSegmentBinary;
      } else if (word == "alt") {
        segment.Flags |= kSegmentAlternate;
      } else if (word == "dup" && p + 1 == parts.size()) {
        key_flags |= kSegmentDuplicates;
      } else if (word == "mod" && p + 1 == parts.size()) {
        key_flags |= kSegmentModifiable;
      } else {
        *error = "unknown word \"" + word + "\"";
        return false;
      }
    }
    if (!have_range) {
      *error = "empty segment";
      return false;
    }
    key->segments.push_back(segment);
  }
  for (KeySegment& segment : key->segments) segment.Flags |= key_flags;
  return true;
}

}  // namespace

bool BuildCreationBlock(const std::string& description, std::string* block, std::string* error) {
  int record = 0, page = 1024;
  std::vector<KeyParts> keys;
  std::string collating;
  std::vector<std::string> lines = SplitLines(description);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i].substr(0, lines[i].find('#')));
    if (line.empty()) continue;
    std::string where = "line " + std::to_string(i + 1) + ": ";
    size_t space = line.find_first_of(" \t");
    std::string word = line.substr(0, space);
    std::string rest = space == std::string::npos ? "" : Trim(line.substr(space));
    std::string problem;
    if (word == "record") {
      if (!ParseInt(rest, &record) || record < 1 || record > kMaxRecord) {
        problem = "record length must be 1 to 1536";
      }
    } else if (word == "page") {
      if (!ParseInt(rest, &page) || page < 512 || page > 4096 || page % 512 != 0) {
        problem = "page size must be a multiple of 512 from 512 to 4096";
      }
    } else if (word == "key") {
      KeyParts key;
      if (ParseKey(rest, static_cast<int>(keys.size()), &key, &problem)) keys.push_back(key);
    } else if (word == "collating") {
      if (rest != "upper") problem = "the only collating table offered is \"upper\"";
      collating = rest;
    } else {
      problem = "unknown statement \"" + word + "\"";
    }
    if (!problem.empty()) {
      *error = where + problem;
      return false;
    }
  }
  if (record == 0) {
    *error = "no \"record\" line";
    return false;
  }
  if (keys.empty()) {
    *error = "no key";
    return false;
  }
  bool uses_alternate = false;
  std::string out(16, '\0');
  PutWord(&out, 0, record);
  PutWord(&out, 2, page);
  PutWord(&out, 4, static_cast<int>(keys.size()));
  for (size_t k = 0; k < keys.size(); ++k) {
    int key_length = 0;
    for (size_t s = 0; s < keys[k].segments.size(); ++s) {
      KeySegment segment = keys[k].segments[s];
      if (int{segment.Position} + int{segment.Length} - 1 > record) {
        *error = "key " + std::to_string(k) + " reaches past the record";
        return false;
      }
      key_length += segment.Length;
      if (s + 1 < keys[k].segments.size()) segment.Flags |= kSegmentContinues;
      if (segment.Flags & kSegmentAlternate) uses_alternate = true;
      std::string entry(16, '\0');
      PutWord(&entry, 0, segment.Position);
      PutWord(&entry, 2, segment.Length);
      PutWord(&entry, 4, segment.Flags);
      out += entry;
    }
    if (key_length > 255) {
      *error = "key " + std::to_string(k) + " is longer than 255 bytes";
      return false;
    }
  }
  if (uses_alternate) {
    if (collating.empty()) {
      *error = "an \"alt\" segment needs a \"collating\" line";
      return false;
    }
    out += std::string(
        "\xac"
        "UPPER   ",
        9);
    for (int b = 0; b < 256; ++b) out += UpperFold(std::string(1, static_cast<char>(b)));
  }
  if (out.size() > 1536) {
    *error = "too many segments for one creation block";
    return false;
  }
  *block = out;
  return true;
}

std::string DictionaryBytes(const std::string& block) {
  std::string out(2, '\0');
  PutWord(&out, 0, static_cast<int>(block.size()));
  return out + block;
}

}  // namespace zem::vakdata
