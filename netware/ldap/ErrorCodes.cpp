#include "netware/ldap/ErrorCodes.h"

#include <ldap.h>

namespace nwldap {

nw::NWRCODE codeForLdap(int ldapResult) {
    switch (ldapResult) {
    case LDAP_SUCCESS:
        return nw::kSuccess;
    case LDAP_NO_SUCH_OBJECT:
        return nw::kNoSuchEntry;
    case LDAP_INVALID_DN_SYNTAX:
        return nw::kInvalidDsName;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
        return nw::kErrUnreachableServer;
    case LDAP_NO_MEMORY:
        return nw::kErrNotEnoughMemory;
    case LDAP_TIMEOUT:
    case LDAP_TIMELIMIT_EXCEEDED:
        return kErrTimedOut;
    case LDAP_USER_CANCELLED:
        return nw::kCancelled;
    case kResultPagingLoop:
        return kErrPagingLoop;
    case kResultTooManyEntries:
        return kErrTooManyEntries;
    case kResultMessageTooLarge:
        return kErrMessageTooLarge;
    default:
        break;
    }
    if (ldapResult > kMaxLdapResult || ldapResult < -kMaxLdapResult)
        return kServerResultBase - LDAP_OTHER;
    if (ldapResult < 0)
        return kLibraryResultBase + ldapResult;
    return kServerResultBase - ldapResult;
}

} // namespace nwldap
