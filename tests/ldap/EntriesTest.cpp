#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/ErrorCodes.h"

#include <ldap.h>

#include <gtest/gtest.h>

namespace {

// Anything but a plain decimal uidNumber below the no-owner ID would credit
// some owner's files to an entry that owns none.
TEST(Entries, OnlyADecimalUidNumberIsAnObjectId) {
    constexpr nw::nuint32 kNone = nwldap::kNoOwner;
    const std::pair<const char*, nw::nuint32> cases[] = {
        {"60002", 60002},      {"0", 0},      {"4294967294", 4294967294u},
        {"4294967296", kNone}, {"-5", kNone}, {"12a", kNone},
        {"", kNone},           {" 7", kNone}};
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
        {LDAP_SERVER_DOWN, -636}, {LDAP_INSUFFICIENT_ACCESS, -10050}, {LDAP_TIMEOUT, -20005}};
    for (const auto& [result, code] : cases)
        EXPECT_EQ(nwldap::codeForLdap(result), code) << result;
}

} // namespace
