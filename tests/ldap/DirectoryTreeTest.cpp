#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/ErrorCodes.h"

#include <gtest/gtest.h>

#include <ldap.h>

namespace {

TEST(Entries, ContainersAndClassesFromTheObjectClasses) {
    const std::tuple<std::vector<std::string>, bool, std::string> cases[] = {
        {{"top", "organizationalUnit"}, true, "organizationalUnit"},
        {{"Organization", "dcObject"}, true, "Organization"},
        {{"country"}, true, "country"},
        {{"locality"}, true, "locality"},
        {{"top", "DOMAIN"}, true, "DOMAIN"},
        {{"account", "posixAccount"}, false, "account"},
        {{"top"}, false, ""}};
    for (const auto& [classes, container, shown] : cases) {
        nwldap::Entry entry;
        nwldap::classify(classes, entry);
        EXPECT_EQ(entry.container, container) << shown;
        EXPECT_EQ(entry.baseClass, shown);
    }
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
