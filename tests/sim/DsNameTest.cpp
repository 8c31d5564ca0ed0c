#include "netware/sim/DsName.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nwsim {
namespace {

DsName parsed(std::string_view text) {
    DsName name;
    EXPECT_EQ(parseDsName(text, name), nw::kSuccess) << text;
    return name;
}

TEST(DsName, ReadsBothFormsInnermostFirstWithEscapes) {
    const auto mixed = parsed(R"(cn=J\.SMITH.EAST.Ou=A\=B\+C\\D)");
    ASSERT_EQ(mixed.components.size(), 3u);
    EXPECT_EQ(mixed.components[0].type, "CN");
    EXPECT_EQ(mixed.components[0].value, "J.SMITH");
    EXPECT_EQ(mixed.components[1].type, "");
    EXPECT_EQ(mixed.components[1].value, "EAST");
    EXPECT_EQ(mixed.components[2].type, "OU");
    EXPECT_EQ(mixed.components[2].value, R"(A=B+C\D)");

    EXPECT_TRUE(parsed("[root]").root);
    EXPECT_TRUE(parsed("").components.empty());
    EXPECT_FALSE(parsed("").root);
}

TEST(DsName, RefusesTextThatIsNoNameAndLeavesTheOutputAlone) {
    const std::vector<std::string> bad = {".A",
                                          "A.",
                                          "A..B",
                                          ".",
                                          "CN=",
                                          "=X",
                                          "XX=A",
                                          "CN=A=B",
                                          "A+B",
                                          "A\\",
                                          "A\tB",
                                          R"(C\N=X)",
                                          std::string(nw::kMaxDnChars + 1, 'A')};
    for (const auto& text : bad) {
        DsName name;
        name.root = true;
        EXPECT_EQ(parseDsName(text, name), nw::kInvalidDsName) << text;
        EXPECT_TRUE(name.root) << text;
    }
    DsName longest;
    EXPECT_EQ(parseDsName(std::string(nw::kMaxDnChars, 'A'), longest), nw::kSuccess);
}

} // namespace
} // namespace nwsim
