#pragma once

#include <string>

namespace zem::vakdata {

// Builds a data file's creation block (what a dictionary holds after its length) from a short
// description, one statement a line ("#" starts a comment):
//   record 120                         fixed record length (1 to 1536)
//   page 1024                          page size (optional; 1024 when absent)
//   key 0: 1-7, 8-11 binary dup        a key: segments as first-last byte positions counted
//                                      from 1, each optionally "binary" or "alt"; then the
//                                      key's attributes "dup" (duplicates) and "mod"
//   collating upper                    collating table used by "alt" segments: "upper"
//                                      (code-page-850 upper case) is the one offered
// Keys must be numbered 0, 1, 2 ... in order. On error returns false with a message naming
// the line.
bool BuildCreationBlock(const std::string& description, std::string* block, std::string* error);

// A dictionary file: the block's 16-bit little-endian length followed by the block.
std::string DictionaryBytes(const std::string& block);

}  // namespace zem::vakdata
