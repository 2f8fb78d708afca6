#pragma once

// Shared by the fuzz targets. A property that does not hold stops the run with a message, so
// that libFuzzer keeps the input as a crash like any fault the sanitizers find.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zem::fuzz {

[[noreturn]] inline void PropertyFailed(const char* what, const std::string& detail,
                                        const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property does not hold: %s %s\n", file, line, what, detail.c_str());
  std::abort();
}

// The input cut at every `separator`, into at most `max_parts` parts (the last one keeps the
// rest); seed files keep their parts apart with the same separator.
inline std::vector<std::string> SplitParts(std::string_view data, std::string_view separator,
                                           size_t max_parts) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < max_parts) {
    const size_t at = data.find(separator);
    if (at == std::string_view::npos) break;
    parts.emplace_back(data.substr(0, at));
    data.remove_prefix(at + separator.size());
  }
  parts.emplace_back(data);
  parts.resize(max_parts);
  return parts;
}

// The input separator of the targets that take several files at once.
inline constexpr std::string_view kPartSeparator = "\n%%\n";

}  // namespace zem::fuzz

#define FUZZ_CHECK(condition, detail) \
  ((condition) ? (void)0 : ::zem::fuzz::PropertyFailed(#condition, (detail), __FILE__, __LINE__))
