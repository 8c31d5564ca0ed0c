#pragma once

// The workstation's 8-bit character set is Windows-1252: it holds every
// Latin-1 letter plus the typographic characters of 0x80-0x9F that Western
// directories actually contain (Š, Ž, Œ, €, ‘’ …). The five bytes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the
// C1 control of the same value, so every byte string survives a round trip.

#include <string>
#include <string_view>

namespace nw {

// 8-bit text to UTF-8: one character per byte.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 to 8-bit text. A character the set cannot hold, and every byte of a
// malformed UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);

// Case folding for comparing 8-bit names the way the directory does
// (case-insensitively, including the accented letters of the set).
char foldCp1252(char c);

} // namespace nw
