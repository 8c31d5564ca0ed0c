#pragma once

// The workstation's 8-bit character set is Windows-1252: it holds every
// Latin-1 letter plus the typographic characters of 0x80-0x9F that Western
// directories actually contain (Š, Ž, Œ, €, ‘’ …). The five bytes that
// Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to the
// C1 control of the same value, so every byte string survives a round trip.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace nw {

// 8-bit text to UTF-8: one character per byte.
std::string cp1252ToUtf8(std::string_view bytes);

// UTF-8 to 8-bit text. A character the set cannot hold, and every byte of a
// malformed UTF-8 sequence, becomes '?'.
std::string utf8ToCp1252(std::string_view utf8);

// Case folding for comparing 8-bit names the way the directory does
// (case-insensitively, including the accented letters of the set): lower-case
// letters fold onto their capitals, everything else stays. Names are folded
// byte by byte on every directory lookup, so the fold of a byte is a lookup in
// a table made at compile time.
namespace detail {

constexpr unsigned char foldByte(unsigned char b) {
    if (b >= 'a' && b <= 'z')
        return static_cast<unsigned char>(b - 0x20);
    // à-þ fold onto À-Þ, except ÷ (0xF7), whose partner × is no letter.
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
        return static_cast<unsigned char>(b - 0x20);
    switch (b) {
    case 0x9A:
        return 0x8A; // š Š
    case 0x9C:
        return 0x8C; // œ Œ
    case 0x9E:
        return 0x8E; // ž Ž
    case 0xFF:
        return 0x9F; // ÿ Ÿ
    default:
        return b;
    }
}

inline constexpr std::array<unsigned char, 256> kFoldTable = [] {
    std::array<unsigned char, 256> table{};
    for (std::size_t b = 0; b < table.size(); ++b)
        table[b] = foldByte(static_cast<unsigned char>(b));
    return table;
}();

} // namespace detail

inline char foldCp1252(char c) {
    return static_cast<char>(detail::kFoldTable[static_cast<unsigned char>(c)]);
}

// The text with every byte folded, for use as a key.
std::string foldedCp1252(std::string_view text);

// Whether two texts are equal once folded.
inline bool equalFoldedCp1252(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCp1252(a[i]) != foldCp1252(b[i]))
            return false;
    }
    return true;
}

} // namespace nw
