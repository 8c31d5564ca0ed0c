#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/Report.h"

#include <climits>
#include <ldap.h>

#include <gtest/gtest.h>

namespace {

// Anything but a plain decimal uidNumber below the no-owner ID would credit
// some owner's files to an entry that owns none.
TEST(Entries, OnlyADecimalUidNumberIsAnObjectId) {
    constexpr nw::nuint32 kNone = nwldap::kNoOwner;
    const std::pair<const char*, nw::nuint32> cases[] = {{"60002", 60002},
                                                         {"0", 0},
                                                         {"4026531839", 4026531839u},
                                                         {"4026531840", kNone},
                                                         {"4294967296", kNone},
                                                         {"-5", kNone},
                                                         {"12a", kNone},
                                                         {"", kNone},
                                                         {" 7", kNone}};
    for (const auto& [text, id] : cases)
        EXPECT_EQ(nwldap::objectIdFrom(text), id) << text;
}

// The class shown is the first one but top, or none; organizational units
// and the like hold others.
TEST(Entries, TheClassShownIsTheFirstButTopAndContainersAreKnownByTheirClasses) {
    nwldap::Entry entry;
    entry.baseClass = "read before";
    nwldap::classify({"top"}, entry);
    EXPECT_EQ(std::pair(entry.baseClass, entry.container), std::pair(std::string(), false));
    nwldap::classify({"top", "OrganizationalUnit", "extensibleObject"}, entry);
    EXPECT_EQ(std::pair(entry.baseClass, entry.container), std::pair(std::string("OrganizationalUnit"), true));
}

// The codes a fatal report shows, as docs/ldap-client.md lists them: the
// tool's own for the situations it knows, else one per LDAP result.
TEST(ErrorCodes, KnownSituationsKeepTheToolsCodesEveryOtherResultItsOwn) {
    const std::pair<int, nw::NWRCODE> cases[] = {
        {LDAP_SUCCESS, 0},        {LDAP_NO_SUCH_OBJECT, -601},        {LDAP_INVALID_DN_SYNTAX, -309},
        {LDAP_SERVER_DOWN, -636}, {LDAP_INSUFFICIENT_ACCESS, -10050}, {LDAP_LOCAL_ERROR, -20002},
        {INT_MAX, -10080}}; // no result the protocol defines: other
    for (const auto& [result, code] : cases)
        EXPECT_EQ(nwldap::codeForLdap(result), code) << result;
}

// Text from outside on a terminal: nothing in it can steer the terminal or
// pass for other text.
TEST(Report, OutsideTextShowsEveryByteThatIsNoPrintableCharacterAsItsValue) {
    const std::pair<std::string, std::string> cases[] = {
        {"cn=Dvo\xC5\x99\xC3\xA1k,o=\xE2\x82\xAC \xF0\x9F\x98\x80",
         "cn=Dvo\xC5\x99\xC3\xA1k,o=\xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"a\\x41", "a\\\\x41"},
        {"\x1B[2J\r\n\t\x7F", "\\x1B[2J\\x0D\\x0A\\x09\\x7F"},
        {"\xC2\x9B"
         "31m\xC2\xA0",
         "\\xC2\\x9B31m\xC2\xA0"},                       // a C1 control; a no-break space
        {"\xC3(\xE2\x82", "\\xC3(\\xE2\\x82"},           // a character cut short
        {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xFF\x80", // overlong, surrogate, past U+10FFFF, no lead
         "\\xC0\\xAF\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\xFF\\x80"}};
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(nwldap::printable(text), shown);
    EXPECT_EQ(nwldap::grouped(999) + " " + nwldap::grouped(1234567), "999 1,234,567");
}

} // namespace
