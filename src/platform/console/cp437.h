// Code page 437: the character set of the editor's keys and font.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// The code page 437 code of a Unicode character, or -1 when the page has none.
int32_t cp437FromUnicode(char32_t codePoint);

// Decodes the UTF-8 text of a window system into code points, one call per character;
// returns false at the end. Malformed bytes decode as U+FFFD.
bool nextCodePoint(std::string_view text, std::size_t& position, char32_t& codePoint);

// A name typed in code page 437 as the UTF-8 name the system stores; ASCII stays as it is.
std::string utf8FromCp437(std::string_view text);

// UTF-8 text, such as a name from the command line or a folder listing, in code page 437 for
// the screen; a character the page lacks becomes "?".
std::string cp437FromUtf8(std::string_view text);

}  // namespace vx
