#pragma once

// The client kit: what every client behind the client interface shares. It
// answers the 24 calls' bookkeeping (connection handles, context handles,
// result buffers, iteration handles), checks their arguments in one order,
// fills and reads result buffers in one layout, and reads and delivers
// dotted names one way. A client derives from it and answers only what is
// its own, through the hooks below: its servers and volumes, the usage on
// them, how a name component finds an entry, the children of an entry, and
// what an entry is.
//
// The order of the checks, for every call: first enter() (a client may end
// any call there), then the handles the call names (an unknown connection,
// context or buffer), the pointers and arguments it needs (null pointers,
// unknown keys, numbers out of range), and last what it asks for.
// Directory calls check the context before the pointers, and the pointers
// before the buffer; the calls and connection libraries check the
// connection first, except NWCCOpenConnByRef, which checks its pointer
// before the reference.
//
// Names a listing delivers are made safe to pass back: control characters
// (NUL included) go out as '?', [Root] as \[Root], and a name the client's
// own lookup would not give back its entry for (a '?' that stands for
// something else, two siblings that deliver the same name) is made distinct
// by a "~2", "~3" ending and remembered with the context handle, so that
// every delivered name resolves to the very entry it was delivered for. A
// name that would be longer than kMaxDnChars once joined to the container's
// name is left out of the listing, with a line on standard error.

#include "netware/Calls.h"
#include "netware/Client.h"
#include "netware/DottedName.h"
#include "netware/Protocol.h"
#include "netware/ResultBuffer.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nw {

// An entry of a client's directory, numbered as the client likes. The kit
// only hands the numbers back to the client that gave them.
using EntryId = std::uint32_t;
inline constexpr EntryId kNoEntryId = 0xFFFFFFFF;

// What a listing tells of an entry. The views stay valid as long as the
// entry does.
struct EntryFacts {
    std::string_view type;      // the naming attribute, as the directory spells it
    std::string_view value;     // the naming value, 8-bit, as stored: any bytes at all
    std::string_view baseClass; // the class shown; the kit cuts it to kMaxClassNameChars
    bool container = false;
    bool alias = false;
    nuint32 subordinates = 0;
};

// One answer of NWGetObjDiskRestrictions.
struct DiskFigure {
    nint32 restriction = kNoRestriction;
    nint32 inUse = 0;
};

// What a call addresses: the server of the handle or reference it names (or
// the server name it is given), its text argument, its volume number.
struct CallTarget {
    std::optional<std::string_view> server;
    std::optional<std::string_view> name;
    std::optional<int> volume;
};

// What a client remembers for one context handle besides the kit's own
// bookkeeping: the part of the directory it has read, for instance. It goes
// with its context handle.
class ContextMemory {
public:
    virtual ~ContextMemory() = default;
};

class ClientKit : public Client {
public:
    ~ClientKit() override;
    ClientKit(const ClientKit&) = delete;
    ClientKit& operator=(const ClientKit&) = delete;

    void watchCalls(CallWatcher* watcher) final;
    NWRCODE NWCallsInit(nuint8* reserved1, nuint8* reserved2) final;
    NWRCODE NWGetDefaultConnRef(NWCONN_REF* connRef) final;
    NWRCODE NWGetKnownServersInfo(NWCONN_HANDLE conn, nuint32 scanIndex, nuint32 reserved, nuint8* record) final;
    NWRCODE NWGetVolumeName(NWCONN_HANDLE conn, nuint16 volumeNumber, char* volumeName) final;
    NWRCODE NWGetObjDiskRestrictions(NWCONN_HANDLE conn, nuint8 volumeNumber, nuint32 objectId, nint32* restriction,
                                     nint32* inUse) final;
    NWRCODE NWCallsTerm(nuint8* reserved) final;
    NWRCODE NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32 reserved, NWCONN_HANDLE* conn) final;
    NWRCODE NWCCOpenConnByName(NWCONN_HANDLE startConn, const char* name, nuint32 nameFormat, nuint32 openState,
                               nuint32 transportType, NWCONN_HANDLE* conn) final;
    NWRCODE NWCCGetConnRef(NWCONN_HANDLE conn, NWCONN_REF* connRef) final;
    NWRCODE NWCCCloseConn(NWCONN_HANDLE conn) final;
    NWRCODE NWNetInit(nuint8* reserved1, nuint8* reserved2) final;
    NWRCODE NWGetDefaultNameContext(nuint32 size, char* context) final;
    NWRCODE NWDSCreateContextHandle(NWDSContextHandle* context) final;
    NWRCODE NWDSSetContext(NWDSContextHandle context, nint32 key, const void* value) final;
    NWRCODE NWDSGetContext(NWDSContextHandle context, nint32 key, void* value) final;
    NWRCODE NWDSAllocBuf(nuint32 size, pBuf_T* buf) final;
    NWRCODE NWDSList(NWDSContextHandle context, const char* object, nint32* iterationHandle, pBuf_T buf) final;
    NWRCODE NWDSListContainers(NWDSContextHandle context, const char* object, nint32* iterationHandle,
                               pBuf_T buf) final;
    NWRCODE NWDSGetObjectCount(NWDSContextHandle context, pBuf_T buf, nuint32* count) final;
    NWRCODE NWDSGetObjectName(NWDSContextHandle context, pBuf_T buf, char* objectName, nuint32* attrCount,
                              Object_Info_T* objectInfo) final;
    NWRCODE NWDSResolveName(NWDSContextHandle context, const char* objectName, NWCONN_HANDLE* conn,
                            nuint32* objectId) final;
    NWRCODE NWDSFreeBuf(pBuf_T buf) final;
    NWRCODE NWDSFreeContext(NWDSContextHandle context) final;
    NWRCODE NWNetTerm(nuint8* reserved) final;

    // ---- What tests and tools may look at: everything handed out and not
    // given back, so that a leak shows.
    std::vector<NWCONN_HANDLE> openConnections() const; // in order
    std::size_t openContextCount() const { return contexts_.size(); }
    std::size_t allocatedBufferCount() const { return buffers_.size(); }
    std::size_t peakAllocatedBufferCount() const { return peakBuffers_; } // most result buffers held at one time
    std::size_t openIterationCount() const { return iterations_.size(); } // listings neither finished nor dropped
    // The connection reference of a server.
    static NWCONN_REF referenceOf(std::uint32_t server);

protected:
    // `namingTypes`: the attribute types a typed name component may carry.
    explicit ClientKit(TypeRule namingTypes);

    // Whoever watches the calls now (Client.h); null when no one does.
    CallWatcher* watcher() const { return watcher_; }
    // Changes with every watchCalls(): what a client did for one watcher it
    // can tell apart from what it did for the one before.
    std::uint64_t watchRound() const { return watchRound_; }

    // ---- What each client answers for itself.

    // Every call comes here first, with what it addresses. A code given back
    // ends the call with it, before its arguments are looked at.
    virtual std::optional<NWRCODE> enter(Call call, const CallTarget& target);

    // The servers, numbered from 0 in the order the known-servers scan
    // delivers them; their names 8-bit.
    virtual std::uint32_t serverCount() const = 0;
    virtual std::string_view serverName(std::uint32_t server) const = 0;
    // The server of that name, ignoring case; by default a look at each.
    virtual std::optional<std::uint32_t> serverNamed(std::string_view name) const;
    // The default connection's server, which holds the directory too;
    // serverCount() or more when there is none.
    virtual std::uint32_t defaultServer() const = 0;
    // At most this many servers in a known-servers batch; 0: as many as fit.
    virtual std::uint32_t serverBatchLimit() const { return 0; }

    // The name of a server's volume (number below kMaxVolumes), or nothing
    // when no volume has that number.
    virtual std::optional<std::string_view> nameOfVolume(std::uint32_t server, nuint16 number) const = 0;
    // What an object holds on a volume that exists; an object the server
    // does not know holds nothing. A code when the figure cannot be had.
    virtual NWRCODE diskUsage(std::uint32_t server, nuint8 volume, nuint32 objectId, DiskFigure& out) = 0;

    // The workstation's default name context, 8-bit.
    virtual std::string defaultNameContext() const = 0;
    // What a new context handle remembers, if the client keeps anything.
    virtual std::unique_ptr<ContextMemory> newContextMemory() { return nullptr; }
    // The top of the tree, [Root]; kNoEntryId when there is none.
    virtual EntryId root(ContextMemory* memory) = 0;
    // The first child of `parent`, in delivery order, that the component
    // names: by value ignoring case, and of that naming attribute when the
    // component is typed. kNoSuchEntry when there is none; another code when
    // the children cannot be read.
    virtual NWRCODE child(ContextMemory* memory, EntryId parent, const NameComponent& component, EntryId& out) = 0;
    // The children of an entry (only the containers among them when asked),
    // in delivery order; none for a leaf. Valid as long as the context.
    virtual NWRCODE children(ContextMemory* memory, EntryId parent, bool containersOnly,
                             std::span<const EntryId>& out) = 0;
    virtual EntryFacts facts(ContextMemory* memory, EntryId entry) const = 0;
    virtual nuint32 objectIdOf(ContextMemory* memory, EntryId entry) const = 0;
    // At most this many names in a chunk; 0: as many as fit the buffer.
    virtual std::uint32_t chunkLimit() const { return 0; }

private:
    // References, connection handles, context handles and iteration handles
    // are drawn from separate ranges: a value of one kind passed where
    // another is expected is then refused instead of working by accident.
    static constexpr NWCONN_REF kFirstReference = 0x7F000001;
    static constexpr NWCONN_HANDLE kFirstConnection = 1;
    static constexpr NWDSContextHandle kFirstContext = 0x00200001;
    static constexpr nint32 kFirstIteration = 0x00300001;

    struct Context {
        nuint32 flags = kDefaultContextFlags;
        std::string nameContext; // as set; at most kMaxDnChars
        DottedName name;
        EntryId base = kNoEntryId; // the name context's entry, once found
        std::unique_ptr<ContextMemory> memory;
        // Names delivered that the client's own lookup would not give back
        // their entries for, by container and folded component.
        std::map<std::pair<EntryId, std::string>, EntryId> delivered;
    };
    // Where a listing stands between chunks.
    struct Iteration {
        NWDSContextHandle context = 0;
        EntryId container = kNoEntryId;
        std::uint32_t position = 0;
        bool containersOnly = false;
        std::string containerName; // as the listing began: each name is joined to it
    };

    // ClientKitServers.cpp
    std::optional<std::uint32_t> serverOf(NWCONN_HANDLE conn) const;
    std::optional<std::uint32_t> serverOfReference(NWCONN_REF ref) const;
    std::optional<std::string_view> nameOf(std::optional<std::uint32_t> server) const;
    NWCONN_HANDLE open(std::uint32_t server);

    // ClientKitNames.cpp
    Context* context(NWDSContextHandle handle);
    NWRCODE walk(Context& ctx, EntryId from, const std::vector<NameComponent>& components, EntryId& out);
    NWRCODE resolve(Context& ctx, std::string_view text, EntryId& out);
    EntryId holder(Context& ctx, EntryId container, const NameComponent& name);
    NameComponent deliveredName(Context& ctx, EntryId container, EntryId entry, const EntryFacts& facts);

    // ClientKitListing.cpp
    Buf_T* buffer(pBuf_T buf);
    NWRCODE list(Call call, NWDSContextHandle handle, const char* object, nint32* iterationHandle, pBuf_T buf);
    NWRCODE fillChunk(Context& ctx, std::span<const EntryId> members, Iteration& cursor, Buf_T& target);
    nint32 newIteration();

    TypeRule namingTypes_;
    CallWatcher* watcher_ = nullptr;
    std::uint64_t watchRound_ = 0;
    std::unordered_map<NWCONN_HANDLE, std::uint32_t> connections_; // handle -> server
    NWCONN_HANDLE nextConnection_;
    std::unordered_map<NWDSContextHandle, Context> contexts_;
    NWDSContextHandle nextContext_;
    std::unordered_map<nint32, Iteration> iterations_;
    nint32 nextIteration_;
    std::unordered_map<const Buf_T*, std::unique_ptr<Buf_T>> buffers_;
    std::size_t peakBuffers_ = 0;
    std::vector<resultbuf::ListedObject> chunkScratch_;
};

// Caller text, read no further than one character past the longest name:
// no call ever needs more, so text without its NUL cannot run away. Nothing
// for a null pointer.
std::optional<std::string_view> boundedText(const char* text);

} // namespace nw
