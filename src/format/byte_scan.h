#pragma once

#include <cstddef>

// Finding the first byte of a kind in a text, sixteen bytes at a time: texts of letters are
// long runs of plain characters, and the line filler and the print-record writer look at
// every one of them.
namespace zem {

// The offset of the first byte below 32 in `data[0, size)`, or `size` when there is none.
size_t FindControlByte(const char* data, size_t size);

// The offset of the first byte a print record cannot carry (below 32, 127 or 255), or `size`.
size_t FindUnprintableByte(const char* data, size_t size);

// Copies `data[0, size)` to `out`, every byte a print record cannot carry (as above) becoming
// a blank.
void CopyPrintable(char* out, const char* data, size_t size);

// The offset of the first byte equal to `a` or to `b`, or `size`.
size_t FindEitherByte(const char* data, size_t size, char a, char b);

}  // namespace zem
