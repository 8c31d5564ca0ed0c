#include "netware/ldap/Names.h"
#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/ErrorCodes.h"

#include <gtest/gtest.h>

#include <ldap.h>

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

TEST(Entries, AnEntryIsAContainerByAnyOfItsClassesInAnyCase) {
    nwldap::Entry entry;
    nwldap::classify({"top", "DOMAIN"}, entry);
    EXPECT_TRUE(entry.container);
    nwldap::classify({"account", "posixAccount"}, entry);
    EXPECT_FALSE(entry.container);
}

TEST(Entries, OnlyADecimalUidNumberIsAnObjectId) {
    constexpr nw::nuint32 kNone = nwldap::kNoOwner;
    const std::pair<const char*, nw::nuint32> cases[] = {
        {"60002", 60002},      {"0", 0},      {"4294967294", 4294967294u},
        {"4294967296", kNone}, {"-5", kNone}, {"12a", kNone},
        {"", kNone},           {" 7", kNone}};
    for (const auto& [text, id] : cases)
        EXPECT_EQ(nwldap::objectIdFrom(text), id) << text;
}

TEST(ErrorCodes, KnownSituationsKeepTheirCodesAndEveryOtherResultHasItsOwn) {
    const std::pair<int, nw::NWRCODE> cases[] = {
        {LDAP_SUCCESS, 0},          {LDAP_NO_SUCH_OBJECT, -601}, {LDAP_INVALID_DN_SYNTAX, -309},
        {LDAP_CONNECT_ERROR, -636}, {LDAP_NO_MEMORY, -301},      {LDAP_INVALID_CREDENTIALS, -10049},
        {LDAP_TIMEOUT, -20005}};
    for (const auto& [result, code] : cases)
        EXPECT_EQ(nwldap::codeForLdap(result), code) << result;
}

} // namespace
