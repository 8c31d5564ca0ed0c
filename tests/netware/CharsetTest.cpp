#include "netware/Charset.h"

#include <gtest/gtest.h>

namespace {

TEST(Charset, EveryByteSurvivesARoundTrip) {
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(nw::utf8ToCp1252(nw::cp1252ToUtf8(one)), one) << "byte " << b;
    }
}

TEST(Charset, CharactersOutsideTheSetAndMalformedTextBecomeQuestionMarks) {
    const std::pair<const char*, std::string> cases[] = {
        {"\u20AC\u0160\u00FCd", "\x80\x8A\xFC"
                                "d"},
        {"\u0080\u009F", "??"},              // C1 controls whose bytes stand for € and Ÿ
        {"\u00A0\u00FF\u0100", "\xA0\xFF?"}, // the edges of Latin-1
        {"\u0141\u00F3d\u017A", "?\xF3"
                                "d?"},          // Łódź: ó is in the set, Ł and ź are not
        {"\xF0\x9F\x98\x80", "?"},              // one character outside the BMP
        {"a\xC3", "a?"},                        // cut short at the end
        {"\xC0\xAF", "??"},                     // overlong '/'
        {"\xED\xA0\x80\xED\xBF\xBF", "??????"}, // the first and the last surrogate
        {"\x80\xFF\xC3\x41", "???A"},           // a stray continuation, no lead byte, a lead without its continuation
        {"\xF4\x8F\xBF\xBF\xF4\x90\x80\x80", "?????"}, // the last code point, then one past it
    };
    for (const auto& [utf8, bytes] : cases)
        EXPECT_EQ(nw::utf8ToCp1252(utf8), bytes) << utf8;
}

TEST(Charset, FoldingMatchesAccentedCapitals) {
    const std::pair<char, char> cases[] = {{'a', 'A'},       {'z', 'Z'},       {'\xE0', '\xC0'}, {'\xFE', '\xDE'},
                                           {'\x9A', '\x8A'}, {'\xFF', '\x9F'}, {'\xF7', '\xF7'}, {'.', '.'},
                                           {'\xDF', '\xDF'}, {'`', '`'},       {'{', '{'}};
    for (const auto& [letter, capital] : cases)
        EXPECT_EQ(nw::foldCp1252(letter), capital) << letter;
}

} // namespace
