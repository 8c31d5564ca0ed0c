#pragma once

// The return codes of the directory client. Where the tool already knows a
// code for the situation, or the stand-in client has one for the like, the
// directory client gives that one; every other LDAP result gets a code of its
// own, fixed per result, so that the fatal report "<call> failed : <code>"
// can be looked up in docs/ldap-client.md.

#include "netware/Client.h"

namespace nwldap {

// Codes shared with the stand-in client, for the same situations.
inline constexpr nw::NWRCODE kErrInvalidConnection = 0x8801;
inline constexpr nw::NWRCODE kErrInvalidParameter = 0x8836;
inline constexpr nw::NWRCODE kErrServerUnknown = 0x8847;
inline constexpr nw::NWRCODE kErrNoSuchVolume = 0x8998;
inline constexpr nw::NWRCODE kErrNotEnoughMemory = -301;
inline constexpr nw::NWRCODE kErrBadKey = -302;
inline constexpr nw::NWRCODE kErrBadContext = -303;
inline constexpr nw::NWRCODE kErrBufferEmpty = -307;
inline constexpr nw::NWRCODE kErrBadVerb = -308;
inline constexpr nw::NWRCODE kErrInvalidHandle = -322;
inline constexpr nw::NWRCODE kErrBufferZeroLength = -323;
inline constexpr nw::NWRCODE kErrNullPointer = -331;
inline constexpr nw::NWRCODE kErrDnTooLong = -353;
inline constexpr nw::NWRCODE kErrUnreachableServer = -636;
inline constexpr nw::NWRCODE kErrInvalidIteration = -642;
inline constexpr nw::NWRCODE kErrInsufficientBuffer = -649;

// The client's own situations, which no LDAP result names (a cancelled read
// gives nw::kCancelled).
inline constexpr nw::NWRCODE kErrTimedOut = -9001;        // no answer within VORLANE_LDAP_TIMEOUT
inline constexpr nw::NWRCODE kErrPagingLoop = -9002;      // the server's pages of a listing go round
inline constexpr nw::NWRCODE kErrTooManyEntries = -9003;  // more entries than VORLANE_LDAP_MAX_ENTRIES
inline constexpr nw::NWRCODE kErrMessageTooLarge = -9004; // a message above kMaxMessageBytes

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

} // namespace nwldap
