#include "netware/ldap/ErrorCodes.h"

#include <gtest/gtest.h>

#include <ldap.h>

namespace {

TEST(ErrorCodes, KnownSituationsKeepTheirCodesAndEveryOtherResultHasItsOwn) {
    const std::pair<int, nw::NWRCODE> cases[] = {
        {LDAP_SUCCESS, 0},
        {LDAP_NO_SUCH_OBJECT, -601},
        {LDAP_INVALID_DN_SYNTAX, -309},
        {LDAP_SERVER_DOWN, -636},
        {LDAP_CONNECT_ERROR, -636},
        {LDAP_NO_MEMORY, -301},
        {LDAP_INVALID_CREDENTIALS, -10049},
        {LDAP_SIZELIMIT_EXCEEDED, -10004},
        {LDAP_TIMEOUT, -20005},
    };
    for (const auto& [result, code] : cases)
        EXPECT_EQ(nwldap::codeForLdap(result), code) << result;
}

} // namespace
