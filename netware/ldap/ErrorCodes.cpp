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

nw::NWRCODE codeFor(RemoteFailure failure) {
    switch (failure) {
    case RemoteFailure::None:
        return nw::kSuccess;
    case RemoteFailure::Refused:
        return kErrServerRefused;
    case RemoteFailure::UnknownHostKey:
        return kErrHostKeyUnknown;
    case RemoteFailure::AuthenticationRefused:
        return kErrLoginRefused;
    case RemoteFailure::TimedOut:
        return kErrServerTimedOut;
    case RemoteFailure::ScannerMissing:
        return kErrScannerMissing;
    case RemoteFailure::ScannerFailed:
        return kErrScannerFailed;
    case RemoteFailure::BrokenOff:
        return kErrScanBrokenOff;
    case RemoteFailure::Cancelled:
        return nw::kCancelled;
    case RemoteFailure::SshFailed:
        break;
    }
    return kErrSshFailed;
}

} // namespace nwldap
