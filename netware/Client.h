#pragma once

// The boundary to the NetWare 32-bit client. Everything the tool asks of the
// network goes through one of these calls; nothing else in the tool knows
// what sits behind them.
//
// Conventions, as in the client libraries themselves:
//  - every call returns a signed 32-bit code, 0 meaning success;
//  - results come back through out-parameters, which a failing call may
//    leave untouched;
//  - text crossing this boundary is NUL-terminated 8-bit text in the
//    workstation's character set (Windows-1252, see Charset.h);
//  - no call throws.
//
// Threads: the client is not thread-safe, and never two calls run at once.
// Start-up and shut-down (the init, default-context, known-servers and term
// calls, and the volume scan of start-up) run on the window's thread before
// the window is shown and after it has closed. A listing makes its calls on
// a thread of its own while the window's thread makes none; the window waits
// (without blocking) for the listing to end before it makes a call again.
// A call may therefore be made from different threads over the client's
// life, one after the other, never at the same time.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nw {

using nint8 = std::int8_t;
using nuint8 = std::uint8_t;
using nint16 = std::int16_t;
using nuint16 = std::uint16_t;
using nint32 = std::int32_t;
using nuint32 = std::uint32_t;

using NWRCODE = nint32;
using NWCONN_REF = nuint32;
using NWCONN_HANDLE = nuint32;
using NWDSContextHandle = nuint32;

// A directory result buffer. Its layout belongs to the client: callers only
// allocate it, pass it along and free it.
struct Buf_T;
using pBuf_T = Buf_T*;

// What NWDSGetObjectName reports about each object besides its name. The tool
// never reads it, but the client writes all 80 bytes.
struct Object_Info_T {
    nuint32 objectFlags;
    nuint32 subordinateCount;
    nuint32 modificationTime;
    char baseClass[68];
};
static_assert(sizeof(Object_Info_T) == 80);

// Return codes the tool treats apart from a plain failure.
inline constexpr NWRCODE kSuccess = 0;
inline constexpr NWRCODE kNoMoreServers = 35073; // 0x8901, ends the known-servers scan
inline constexpr NWRCODE kInvalidDsName = -309;  // a name context that is no valid name
inline constexpr NWRCODE kNoSuchEntry = -601;    // listing a container that does not exist
// A call that stopped because the listing it serves was cancelled (see
// CallWatcher). It is no failure: the listing ends as a cancelled one does.
// No call of the real libraries gives it.
inline constexpr NWRCODE kCancelled = -1000;

// Buffer sizes of the calls that fill caller-owned memory.
inline constexpr std::size_t kKnownServersRecordSize = 528;
inline constexpr std::size_t kKnownServersCountOffset = 12;
inline constexpr std::size_t kKnownServersAreaOffset = 16;
inline constexpr std::size_t kKnownServersAreaSize = 512;
inline constexpr std::size_t kKnownServersSkipBytes = 14; // unread bytes ahead of each name
inline constexpr nuint32 kKnownServersConstant = 1024;

// A volume name holds up to 16 characters; the buffer adds its NUL.
inline constexpr std::size_t kVolumeNameBufferSize = 17;
inline constexpr nuint16 kMaxVolumes = 64;

// A distinguished name holds up to 256 characters; a name buffer that holds
// any name the directory can return is therefore 257 bytes.
inline constexpr std::size_t kMaxDnChars = 256;
inline constexpr std::size_t kNameBufferSize = kMaxDnChars + 1;
inline constexpr nuint32 kDefaultContextSize = 256; // told to the client; buffer has one byte more

inline constexpr nuint32 kResultBufferSize = 4096;

// Context keys and flags of NWDSGetContext / NWDSSetContext.
inline constexpr nint32 kContextKeyFlags = 1;
inline constexpr nint32 kContextKeyNameContext = 3;
inline constexpr nuint32 kContextFlagTypelessNames = 4;

// Arguments with a fixed meaning to the connection library.
inline constexpr nuint32 kNameFormatBindery = 2;
inline constexpr nuint32 kOpenStateUnlicensed = 1;
inline constexpr nuint32 kOpenStatePrivate = 2;
inline constexpr nuint32 kTransportAny = 0x8000;

// What a call that can take long (a volume scan, the read of a large
// container, a slow network) may ask of whoever made it. A client holds on
// to one only between watchCalls(watcher) and watchCalls(nullptr), and asks
// it only on the thread that is making a call.
class CallWatcher {
public:
    virtual ~CallWatcher() = default;
    // True once the listing has been cancelled. A long call asks it often
    // (at least every 50 ms) and, once it is true, stops within 0.2 s and
    // returns kCancelled.
    virtual bool cancelled() const = 0;
    // What the call is busy with, for the user as it stands ("Scanning DATA:
    // 412,000 files"), UTF-8. Said again whenever it changes.
    virtual void doing(const std::string& what) = 0;
    // True when the user asked for figures afresh (Recalc): usage the client
    // keeps from earlier calls is counted again, once per volume, instead of
    // being reused.
    virtual bool freshFigures() const = 0;
};

class Client {
public:
    virtual ~Client() = default;

    // Every call after this one, up to watchCalls(nullptr), serves the
    // watcher's listing. Null: no one is watching.
    virtual void watchCalls(CallWatcher* watcher) = 0;

    // ---- Calls library
    virtual NWRCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) = 0;
    virtual NWRCODE NWGetDefaultConnRef(NWCONN_REF* connRef) = 0;
    // Fills the 528-byte record: entry count at offset 12, entries in the
    // 512-byte area from offset 16 (14 bytes, the name, a zero byte).
    // kNoMoreServers once scanIndex is past the last server.
    virtual NWRCODE NWGetKnownServersInfo(NWCONN_HANDLE conn, nuint32 scanIndex, nuint32 reserved, nuint8* record) = 0;
    // Writes the NUL-terminated name of the volume into a buffer of
    // kVolumeNameBufferSize bytes; an empty name where there is no such volume.
    virtual NWRCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) = 0;
    virtual NWRCODE NWGetObjDiskRestrictions(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint32 objectId,
                                             nint32* restriction, nint32* inUse) = 0;
    virtual NWRCODE NWCallsTerm(nuint8* reserved) = 0;

    // ---- Connection library
    virtual NWRCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE* conn) = 0;
    virtual NWRCODE NWCCOpenConnByName(NWCONN_HANDLE startConn, const char* name, nuint32 nameFormat, nuint32 openState,
                                       nuint32 transportType, NWCONN_HANDLE* conn) = 0;
    virtual NWRCODE NWCCGetConnRef(NWCONN_HANDLE conn, NWCONN_REF* connRef) = 0;
    virtual NWRCODE NWCCCloseConn(NWCONN_HANDLE conn) = 0;

    // ---- Directory Services library
    virtual NWRCODE NWNetInit(nuint8* reserved1, nuint8* reserved2) = 0;
    // Writes the default name context, NUL-terminated, into at most `size`
    // bytes of `context`.
    virtual NWRCODE NWGetDefaultNameContext(nuint32 size, char* context) = 0;
    virtual NWRCODE NWDSCreateContextHandle(NWDSContextHandle* context) = 0;
    // key kContextKeyNameContext: `value` is NUL-terminated text;
    // key kContextKeyFlags: `value` points to a nuint32.
    virtual NWRCODE NWDSSetContext(NWDSContextHandle context, nint32 key, const void* value) = 0;
    virtual NWRCODE NWDSGetContext(NWDSContextHandle context, nint32 key, void* value) = 0;
    virtual NWRCODE NWDSAllocBuf(nuint32 size, pBuf_T* buf) = 0;
    // Both listings take iterationHandle -1 to start and set it back to -1
    // with the last chunk.
    virtual NWRCODE NWDSList(NWDSContextHandle context, const char* object, nint32* iterationHandle, pBuf_T buf) = 0;
    virtual NWRCODE NWDSListContainers(NWDSContextHandle context, const char* object, nint32* iterationHandle,
                                       pBuf_T buf) = 0;
    virtual NWRCODE NWDSGetObjectCount(NWDSContextHandle context, pBuf_T buf, nuint32* count) = 0;
    // Writes the next name of the chunk, NUL-terminated, into a buffer of
    // kNameBufferSize bytes.
    virtual NWRCODE NWDSGetObjectName(NWDSContextHandle context, pBuf_T buf, char* objectName, nuint32* attrCount,
                                      Object_Info_T* objectInfo) = 0;
    // The returned connection handle is open and belongs to the caller.
    virtual NWRCODE NWDSResolveName(NWDSContextHandle context, const char* objectName, NWCONN_HANDLE* conn,
                                    nuint32* objectId) = 0;
    virtual NWRCODE NWDSFreeBuf(pBuf_T buf) = 0;
    virtual NWRCODE NWDSFreeContext(NWDSContextHandle context) = 0;
    virtual NWRCODE NWNetTerm(nuint8* reserved) = 0;
};

} // namespace nw
