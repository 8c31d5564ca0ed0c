#include "netware/Charset.h"
#include "netware/Fatal.h"

#include <gtest/gtest.h>

namespace {

TEST(Charset, EveryByteSurvivesARoundTrip) {
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(nw::utf8ToCp1252(nw::cp1252ToUtf8(one)), one) << "byte " << b;
    }
}

TEST(Charset, DecodesTheTypographicRange) {
    EXPECT_EQ(nw::cp1252ToUtf8("\x80"), "\u20AC");
    EXPECT_EQ(nw::cp1252ToUtf8("\x8A"), "\u0160");
    EXPECT_EQ(nw::cp1252ToUtf8("M\xFCller"), "M\u00FCller");
}

TEST(Charset, CharactersOutsideTheSetBecomeQuestionMarks) {
    EXPECT_EQ(nw::utf8ToCp1252("\u0141\u00F3d\u017A"), "?\xF3"
                                                       "d?"); // Łódź: ó is in the set, Ł and ź are not
    EXPECT_EQ(nw::utf8ToCp1252("\xF0\x9F\x98\x80"), "?");     // one character outside the BMP
}

TEST(Charset, MalformedUtf8BecomesQuestionMarksWithoutReadingPastTheEnd) {
    EXPECT_EQ(nw::utf8ToCp1252("a\xC3"), "a?");
    EXPECT_EQ(nw::utf8ToCp1252("\xC0\xAF"), "??");      // overlong '/'
    EXPECT_EQ(nw::utf8ToCp1252("\xED\xA0\x80"), "???"); // a surrogate
}

TEST(Charset, FoldingMatchesAccentedCapitals) {
    EXPECT_EQ(nw::foldCp1252('a'), 'A');
    EXPECT_EQ(nw::foldCp1252('\xE9'), '\xC9'); // é É
    EXPECT_EQ(nw::foldCp1252('\x9A'), '\x8A'); // š Š
    EXPECT_EQ(nw::foldCp1252('\xF7'), '\xF7'); // ÷ has no capital
    EXPECT_EQ(nw::foldCp1252('.'), '.');
}

TEST(NiceStr, CutsAtTheFirstNulAndKeepsBlanks) {
    EXPECT_EQ(nw::niceStr(std::string("SYS\0abcdefghijklm", 17)), "SYS");
    EXPECT_EQ(nw::niceStr(std::string("\0SYS", 4)), "");
    EXPECT_EQ(nw::niceStr(std::string(" A \0", 4)), " A ");
}

TEST(NiceStr, TextWithoutNulIsTakenWhole) {
    EXPECT_EQ(nw::niceStr("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNOPQ");
}

} // namespace
