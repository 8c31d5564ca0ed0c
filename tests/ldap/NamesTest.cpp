#include "netware/ldap/Names.h"
#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/ErrorCodes.h"

#include <gtest/gtest.h>

#include <ldap.h>

namespace {

// What a text reads as: the components as "type:value" joined by "|", or
// "refused" when it is refused (and the name left as it was).
std::string parsed(const std::string& text) {
    nwldap::DottedName name{false, {{"", "KEPT"}}};
    const nw::NWRCODE rc = nwldap::parseName(text, name);
    std::string out = name.root ? "[root]" : "";
    for (const auto& c : name.components)
        out += (out.empty() ? "" : "|") + c.type + ":" + c.value;
    if (rc != nw::kSuccess)
        return rc == nw::kInvalidDsName && out == ":KEPT" ? "refused" : "refused, leaving " + out;
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
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parsed(text), expected) << text;
    for (const std::string& text : std::vector<std::string>{"A..B", ".A", "A.", "CN=", "=X", "A=B=C", "1X=Y", "C\\N=X",
                                                            "A+B", "A\\", "A\tB", std::string(257, 'N')})
        EXPECT_EQ(parsed(text), "refused") << text;
}

TEST(Entries, OnlyADecimalUidNumberIsAnObjectId) {
    for (const auto& [text, id] :
         {std::pair<const char*, nw::nuint32>{"60002", 60002}, {"0", 0}, {"4294967294", 4294967294u}})
        EXPECT_EQ(nwldap::objectIdFrom(text), id) << text;
    for (const char* text : {"4294967296", "-5", "12a", "", " 7"})
        EXPECT_EQ(nwldap::objectIdFrom(text), nwldap::kNoOwner) << text;
}

// A vanished entry keeps its code; every other result its own number, the
// server's and the library's in ranges apart.
TEST(ErrorCodes, AVanishedEntryKeepsItsCodeAndEveryOtherResultHasItsOwn) {
    const std::pair<int, nw::NWRCODE> cases[] = {
        {LDAP_NO_SUCH_OBJECT, -601}, {LDAP_INVALID_CREDENTIALS, -10049}, {LDAP_TIMEOUT, -20005}};
    for (const auto& [result, code] : cases)
        EXPECT_EQ(nwldap::codeForLdap(result), code) << result;
}

} // namespace
