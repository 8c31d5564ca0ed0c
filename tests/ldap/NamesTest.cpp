#include "netware/ldap/Names.h"

#include <gtest/gtest.h>

namespace {

// The components read, as "type:value" joined by "|".
std::string components(const nwldap::DottedName& name) {
    std::string out = name.root ? "[root]" : "";
    for (const auto& c : name.components)
        out += (out.empty() ? "" : "|") + c.type + ":" + c.value;
    return out;
}

TEST(Names, ComponentsInnermostFirstTypedOrNotWithEscapes) {
    const std::pair<std::string, std::string> cases[] = {
        {"SMITH.EAST.ACME", ":SMITH|:EAST|:ACME"},
        {"CN=SMITH.ou=East", "CN:SMITH|ou:East"},
        {"uid=smith.People", "uid:smith|:People"},
        {"A\\.B.C", ":A.B|:C"},
        {"X\\=Y\\+\\\\", ":X=Y+\\"},
        {" SP ACE ", ": SP ACE "},
        {"[root]", "[root]"},
        {"", ""},
        {std::string(256, 'N'), ":" + std::string(256, 'N')},
    };
    for (const auto& [text, expected] : cases) {
        nwldap::DottedName name;
        ASSERT_EQ(nwldap::parseName(text, name), nw::kSuccess) << text;
        EXPECT_EQ(components(name), expected) << text;
    }
}

TEST(Names, InvalidNamesAreRefusedAndChangeNothing) {
    for (const std::string& text : std::vector<std::string>{"A..B", ".A", "A.", "CN=", "=X", "A=B=C", "1X=Y", "C\\N=X",
                                                            "A+B", "A\\", "A\tB", std::string(257, 'N')}) {
        nwldap::DottedName name{false, {{"", "KEPT"}}};
        EXPECT_EQ(nwldap::parseName(text, name), nw::kInvalidDsName) << text;
        EXPECT_EQ(components(name), ":KEPT") << text;
    }
}

} // namespace
