#pragma once

// The codes and limits of the client protocol that the clients share,
// besides those the tool itself reads (Client.h). Each code is the one the
// real libraries give for the same situation; docs/stand-in-client.md and
// docs/ldap-client.md say when each client gives it.

#include "netware/Client.h"

#include <cstddef>

namespace nw {

// ---- Return codes of the calls and connection libraries
inline constexpr NWRCODE kErrInvalidConnection = 0x8801; // unknown or closed handle, unknown reference
inline constexpr NWRCODE kErrInvalidParameter = 0x8836;  // null pointer, unsupported argument
inline constexpr NWRCODE kErrServerUnknown = 0x8847;     // no server by that name
inline constexpr NWRCODE kErrNoSuchVolume = 0x8998;      // the server has no such volume

// ---- Return codes of the directory services library
inline constexpr NWRCODE kErrNotEnoughMemory = -301;    // a result buffer larger than kMaxResultBufferSize
inline constexpr NWRCODE kErrBadKey = -302;             // a context key other than flags and name context
inline constexpr NWRCODE kErrBadContext = -303;         // unknown or freed context handle
inline constexpr NWRCODE kErrBufferEmpty = -307;        // reading past the last name of a chunk
inline constexpr NWRCODE kErrBadVerb = -308;            // reading a buffer no listing has filled
inline constexpr NWRCODE kErrInvalidHandle = -322;      // a result buffer the client did not hand out
inline constexpr NWRCODE kErrBufferZeroLength = -323;   // a result buffer of size 0
inline constexpr NWRCODE kErrBadContents = -330;        // a result buffer whose contents are damaged
inline constexpr NWRCODE kErrNullPointer = -331;        // a required pointer is null
inline constexpr NWRCODE kErrUnreachableServer = -636;  // no server to connect to
inline constexpr NWRCODE kErrInvalidIteration = -642;   // unknown, finished or foreign iteration handle
inline constexpr NWRCODE kErrInsufficientBuffer = -649; // the caller's buffer cannot hold even one item

// ---- Limits
inline constexpr nuint32 kMaxResultBufferSize = 0x10000; // the largest result buffer NWDSAllocBuf hands out
inline constexpr std::size_t kMaxServerNameChars = 47;   // a bindery name
inline constexpr std::size_t kMaxVolumeNameChars = kVolumeNameBufferSize - 1;
inline constexpr std::size_t kMaxClassNameChars = sizeof(Object_Info_T::baseClass) - 1;

// Flags a new context handle starts with: dereference aliases, translate
// strings, canonicalize names.
inline constexpr nuint32 kDefaultContextFlags = 0x13;

// Object flags of a listed name.
inline constexpr nuint32 kObjectFlagAlias = 0x01;
inline constexpr nuint32 kObjectFlagContainer = 0x04;

// The restriction of an object that has none.
inline constexpr nint32 kNoRestriction = 0x40000000;

} // namespace nw
