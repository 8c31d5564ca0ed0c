#pragma once

#include "netware/Client.h"
#include "netware/sim/Network.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

// Return codes of the stand-in besides those in Client.h, each the code the
// real libraries give for the same situation.
// Calls and Connection libraries:
inline constexpr nw::NWRCODE kErrInvalidConnection = 0x8801; // unknown or closed handle, unknown reference
inline constexpr nw::NWRCODE kErrInvalidParameter = 0x8836;  // null pointer, unsupported argument
inline constexpr nw::NWRCODE kErrServerUnknown = 0x8847;     // no server by that name
inline constexpr nw::NWRCODE kErrNoSuchVolume = 0x8998;      // the server has no such volume
// Directory Services library:
inline constexpr nw::NWRCODE kErrNotEnoughMemory = -301;    // a result buffer larger than the stand-in allows
inline constexpr nw::NWRCODE kErrBadKey = -302;             // a context key other than flags and name context
inline constexpr nw::NWRCODE kErrBadContext = -303;         // unknown or freed context handle
inline constexpr nw::NWRCODE kErrInvalidHandle = -322;      // a result buffer the stand-in did not hand out
inline constexpr nw::NWRCODE kErrBufferZeroLength = -323;   // a result buffer of size 0
inline constexpr nw::NWRCODE kErrNullPointer = -331;        // a required pointer is null
inline constexpr nw::NWRCODE kErrDnTooLong = -353;          // a name to deliver exceeds kMaxDnChars
inline constexpr nw::NWRCODE kErrUnreachableServer = -636;  // the network has no server to connect to
inline constexpr nw::NWRCODE kErrInvalidIteration = -642;   // unknown, finished or foreign iteration handle
inline constexpr nw::NWRCODE kErrInsufficientBuffer = -649; // caller's buffer cannot hold even one item

// Flags a new context handle starts with: dereference aliases, translate
// strings, canonicalize names.
inline constexpr nw::nuint32 kDefaultContextFlags = 0x13;
// Largest result buffer NWDSAllocBuf hands out.
inline constexpr nw::nuint32 kMaxResultBufferSize = 0x10000;

// The stand-in client: answers every client call from a simulated network,
// with the real calls' buffer layouts, chunking and return codes, and with
// the failures the network description injects.
//
// Besides the client interface it offers what tests need to look inside:
// the open connection handles, context handles and result buffers, so that
// a leak of any of them is visible.
class SimClient final : public nw::Client {
public:
    explicit SimClient(Network network);
    ~SimClient() override;
    SimClient(const SimClient&) = delete;
    SimClient& operator=(const SimClient&) = delete;

    // A latency wait asks the watcher whether to stop, and stops within a
    // few milliseconds of a cancel with kCancelled.
    void watchCalls(nw::CallWatcher* watcher) override;
    nw::NWRCODE NWCallsInit(nw::nuint8* reserved1, nw::nuint8* reserved2) override;
    nw::NWRCODE NWGetDefaultConnRef(nw::NWCONN_REF* connRef) override;
    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE conn, nw::nuint32 scanIndex, nw::nuint32 reserved,
                                      nw::nuint8* record) override;
    nw::NWRCODE NWGetVolumeName(nw::NWCONN_HANDLE conn, nw::nuint16 volumeNumber, char* volumeName) override;
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE conn, nw::nuint8 volumeNumber, nw::nuint32 objectId,
                                         nw::nint32* restriction, nw::nint32* inUse) override;
    nw::NWRCODE NWCallsTerm(nw::nuint8* reserved) override;

    nw::NWRCODE NWCCOpenConnByRef(nw::NWCONN_REF connRef, nw::nuint32 openState, nw::nuint32 reserved,
                                  nw::NWCONN_HANDLE* conn) override;
    nw::NWRCODE NWCCOpenConnByName(nw::NWCONN_HANDLE startConn, const char* name, nw::nuint32 nameFormat,
                                   nw::nuint32 openState, nw::nuint32 transportType, nw::NWCONN_HANDLE* conn) override;
    nw::NWRCODE NWCCGetConnRef(nw::NWCONN_HANDLE conn, nw::NWCONN_REF* connRef) override;
    nw::NWRCODE NWCCCloseConn(nw::NWCONN_HANDLE conn) override;

    nw::NWRCODE NWNetInit(nw::nuint8* reserved1, nw::nuint8* reserved2) override;
    nw::NWRCODE NWGetDefaultNameContext(nw::nuint32 size, char* context) override;
    nw::NWRCODE NWDSCreateContextHandle(nw::NWDSContextHandle* context) override;
    nw::NWRCODE NWDSSetContext(nw::NWDSContextHandle context, nw::nint32 key, const void* value) override;
    nw::NWRCODE NWDSGetContext(nw::NWDSContextHandle context, nw::nint32 key, void* value) override;
    nw::NWRCODE NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) override;
    nw::NWRCODE NWDSList(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle,
                         nw::pBuf_T buf) override;
    nw::NWRCODE NWDSListContainers(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle,
                                   nw::pBuf_T buf) override;
    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle context, nw::pBuf_T buf, nw::nuint32* count) override;
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle context, nw::pBuf_T buf, char* objectName,
                                  nw::nuint32* attrCount, nw::Object_Info_T* objectInfo) override;
    nw::NWRCODE NWDSResolveName(nw::NWDSContextHandle context, const char* objectName, nw::NWCONN_HANDLE* conn,
                                nw::nuint32* objectId) override;
    nw::NWRCODE NWDSFreeBuf(nw::pBuf_T buf) override;
    nw::NWRCODE NWDSFreeContext(nw::NWDSContextHandle context) override;
    nw::NWRCODE NWNetTerm(nw::nuint8* reserved) override;

    // ---- Inspection and control, for tests and tools; not part of the client interface.
    const Network& network() const;
    std::vector<nw::NWCONN_HANDLE> openConnections() const; // every handle opened and not closed
    std::size_t openContextCount() const;
    std::size_t allocatedBufferCount() const;
    std::size_t peakAllocatedBufferCount() const; // most result buffers held at one time
    void addFault(Fault fault);
    void setChunkLimit(std::uint32_t maxNamesPerChunk);         // 0: as many as fit the buffer
    void setServerBatchLimit(std::uint32_t maxServersPerBatch); // 0: as many as fit the area
    std::size_t openIterationCount() const;                     // listings begun and neither finished nor dropped
    // How often the named client call has been made (faulted calls included).
    std::size_t callCount(std::string_view call) const;
    // With logging on, every call's name is kept in order; off by default so
    // that long runs do not grow without bound.
    void setCallLogging(bool on);
    std::vector<std::string> callLog() const;
    // The connection reference of a server (index into Network::servers).
    static nw::NWCONN_REF referenceOf(std::uint32_t server);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace nwsim
