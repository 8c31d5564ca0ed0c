#pragma once

// The return codes of the directory client. Where the tool already knows a
// code for the situation (Client.h), or the client kit has one for the like
// (Protocol.h), the directory client gives that one; every other LDAP result
// gets a code of its own, fixed per result, so that the fatal report
// "<call> failed : <code>" can be looked up in docs/ldap-client.md.

#include "netware/Protocol.h"
#include "netware/ldap/RemoteScan.h"

namespace nwldap {

// The client's own situations, which no LDAP result names (a cancelled read
// gives nw::kCancelled).
inline constexpr nw::NWRCODE kErrTimedOut = -9001;        // no answer within VORLANE_LDAP_TIMEOUT
inline constexpr nw::NWRCODE kErrPagingLoop = -9002;      // the server's pages of a listing go round
inline constexpr nw::NWRCODE kErrTooManyEntries = -9003;  // more entries than VORLANE_LDAP_MAX_ENTRIES
inline constexpr nw::NWRCODE kErrMessageTooLarge = -9004; // a message above kMaxMessageBytes

// A file server reached over SSH that cannot be reached, or whose scan
// fails (RemoteScan.h says how each is told apart).
inline constexpr nw::NWRCODE kErrServerRefused = -9101;  // refused, no route, no such host
inline constexpr nw::NWRCODE kErrHostKeyUnknown = -9102; // its host key is not known, or not the one known
inline constexpr nw::NWRCODE kErrLoginRefused = -9103;   // none of the user's keys was accepted
inline constexpr nw::NWRCODE kErrServerTimedOut = -9104; // no connection, or no sign of life, in time
inline constexpr nw::NWRCODE kErrScannerMissing = -9105; // no scanner there, or it cannot be run
inline constexpr nw::NWRCODE kErrScannerFailed = -9106;  // it could not scan the volume, or speaks another version
inline constexpr nw::NWRCODE kErrScanBrokenOff = -9107;  // its answer ended or went wrong before its end
inline constexpr nw::NWRCODE kErrSshFailed = -9108;      // ssh could not be started, or failed otherwise

// How a read of the directory gives those situations, beside the LDAP result
// codes: below every error of the client library (-1 to -18), and a
// server's own result is never taken as negative.
inline constexpr int kResultPagingLoop = -101;
inline constexpr int kResultTooManyEntries = -102;
inline constexpr int kResultMessageTooLarge = -103;

// Every other result of the server r (positive) is -(10000 + r); every other
// error of the client library r (negative) is -(20000 - r). No result code
// of either kind falls in the range of the other. A result beyond any the
// protocol defines (above 65535) is taken as 80, other.
inline constexpr nw::NWRCODE kServerResultBase = -10000;
inline constexpr nw::NWRCODE kLibraryResultBase = -20000;
inline constexpr int kMaxLdapResult = 0xFFFF;

// The code for an LDAP result code (LDAP_SUCCESS gives kSuccess).
nw::NWRCODE codeForLdap(int ldapResult);

// The code for the way a file server reached over SSH failed.
nw::NWRCODE codeFor(RemoteFailure failure);

} // namespace nwldap
