#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zem::platform {

// The Unicode code point of a code-page-850 byte. Control bytes (0-31, 127) map to themselves.
char32_t Cp850ToCodePoint(uint8_t byte);
// The code point the console shows for a byte: control bytes appear as the glyphs of the PC
// character set (16 "►", 17 "◄", ...), byte 0 as a blank.
char32_t Cp850GlyphCodePoint(uint8_t byte);
// The code-page-850 byte of a code point, or -1 when the code page has none.
int CodePointToCp850(char32_t code_point);

// Code-page-850 text to UTF-8 (control bytes kept as they are).
std::string Cp850ToUtf8(std::string_view bytes);
// Appends code-page-850 text as UTF-8, as Cp850ToUtf8 converts it.
void AppendCp850AsUtf8(std::string* out, std::string_view bytes);
// Appends the UTF-8 encoding of a code point.
void AppendUtf8(std::string* out, char32_t code_point);

// UTF-8 text to code page 850. Characters the code page lacks become `replacement` (or are
// dropped when it is 0); their number is added to *unmapped when given. Malformed UTF-8 bytes
// count as unmapped characters too.
std::string Utf8ToCp850(std::string_view utf8, char replacement = '?', int* unmapped = nullptr);

// Decodes one UTF-8 character from the start of `utf8`. Returns the number of bytes it takes,
// 0 when more bytes are needed to decide, or -1 when the first byte cannot start a character.
int DecodeUtf8(std::string_view utf8, char32_t* code_point);

}  // namespace zem::platform
