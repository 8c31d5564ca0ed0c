#pragma once

// The return codes of the directory client. Where the tool already knows a
// code for the situation (Client.h), or the client kit has one for the like
// (Protocol.h), the directory client gives that one; every other LDAP result
// gets a code of its own, fixed per result, so that the fatal report
// "<call> failed : <code>" can be looked up in docs/ldap-client.md.

#include "netware/Protocol.h"

namespace nwldap {

// Every other result of the server r (positive) is -(10000 + r); every other
// error of the client library r (negative) is -(20000 - r). No result code
// of either kind falls in the range of the other.
inline constexpr nw::NWRCODE kServerResultBase = -10000;
inline constexpr nw::NWRCODE kLibraryResultBase = -20000;

// The code for an LDAP result code (LDAP_SUCCESS gives kSuccess).
nw::NWRCODE codeForLdap(int ldapResult);

} // namespace nwldap
