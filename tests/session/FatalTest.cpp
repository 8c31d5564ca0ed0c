#include "session/Fatal.h"

#include "support/FakeUserChannel.h"

#include <gtest/gtest.h>

namespace {

TEST(NiceStr, CutsAtTheFirstNulKeepsBlanksAndTakesTextWithoutNulWhole) {
    EXPECT_EQ(vorlane::niceStr(std::string("SYS\0abcdefghijklm", 17)), "SYS");
    EXPECT_EQ(vorlane::niceStr(std::string("\0SYS", 4)), "");
    EXPECT_EQ(vorlane::niceStr(std::string(" A \0", 4)), " A ");
    EXPECT_EQ(vorlane::niceStr("ABCDEFGHIJKLMNOPQ"), "ABCDEFGHIJKLMNOPQ");
}

TEST(Die, ReportsTheCallAndTheSignedCodeThenEndsTheProgram) {
    for (const nw::NWRCODE rc : {-601, 1, 35073}) {
        testing_support::FakeUserChannel user;
        EXPECT_THROW(vorlane::die(user, rc, "NWDSList"), testing_support::ProgramEnded);
        EXPECT_EQ(user.messages, std::vector<std::string>{"NWDSList failed : " + std::to_string(rc)});
    }
}

} // namespace
