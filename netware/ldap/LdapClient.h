#pragma once

// The directory client: the client interface over an LDAP directory and the
// file systems of this machine. Directory objects are the directory's
// entries, their object IDs the uidNumbers of the entries; the one server is
// this machine and its volumes are file systems, where an object's in-use
// figure is the space its uid owns there. Return codes are described in
// ErrorCodes.h, the names in Names.h and DirectoryTree.h.
//
// Like the tool, the client is single-threaded.

#include "netware/Client.h"
#include "netware/ldap/Chunks.h"
#include "netware/ldap/DirectorySource.h"
#include "netware/ldap/UsageScan.h"
#include "netware/ldap/Volumes.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwldap {

// The one connection reference: this machine.
inline constexpr nw::NWCONN_REF kServerRef = 0x7F000001;
// The restriction every object has: none.
inline constexpr nw::nint32 kNoRestriction = 0x40000000;
// The flags of a new context handle: dereference aliases, translate strings,
// canonicalize names (the tool adds typeless names).
inline constexpr nw::nuint32 kDefaultContextFlags = 0x13;

class LdapClient final : public nw::Client {
public:
    // `defaultContext` is the dotted UTF-8 name of the workstation's default
    // context; empty, the first naming context of the directory is.
    LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes, const std::string& server,
               const std::string& defaultContext);
    ~LdapClient() override;
    LdapClient(const LdapClient&) = delete;
    LdapClient& operator=(const LdapClient&) = delete;

    void watchCalls(nw::CallWatcher* watcher) override { watcher_ = watcher; }
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

    // Connection handles open now; a leak shows here.
    std::size_t openConnectionCount() const { return connections_.size(); }

private:
    // Each volume is scanned once per connection, at its first disk query,
    // and its totals stay with the connection until it is closed: one
    // listing scans each volume once, the next sees fresh figures.
    struct Connection {
        std::map<nw::nuint8, UsageTotals> scans;
    };
    struct Context {
        std::string nameContext; // as set, 8-bit
        DottedName name;
        nw::nuint32 flags = kDefaultContextFlags;
        std::unique_ptr<DirectoryTree> tree;
        // The entry of the name context once found. Entries stay where they
        // are while the context lives (only containers never listed get
        // children), so every relative name starts here.
        Entry* base = nullptr;
    };
    // A listing under way: the container, the next of its children to
    // deliver, and whether only containers are delivered.
    struct Iteration {
        nw::NWDSContextHandle context = 0;
        const Entry* container = nullptr;
        std::size_t next = 0;
        bool containersOnly = false;
    };

    nw::NWCONN_HANDLE openConnection();
    Connection* connection(nw::NWCONN_HANDLE handle);
    void reportUnreadable(const Connection& connection) const;

    nw::NWRCODE resolve(Context& context, const char* name, Entry*& out);
    nw::NWRCODE fetchChildren(Entry& parent);
    nw::NWRCODE list(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle, nw::pBuf_T buf,
                     bool containersOnly);
    nw::NWRCODE startIteration(nw::NWDSContextHandle handle, const char* object, bool containersOnly, Iteration& out);
    nw::NWRCODE fillChunk(Iteration& iteration, nw::nuint32 flags, ChunkBuffer& buffer);
    ChunkBuffer* buffer(nw::pBuf_T buf);
    // The chunk a listing filled into `buf`, read through `context` into
    // `out`; why not (an unknown context, a null pointer, an unknown buffer,
    // checked in that order) in `refusal` when there is none.
    ChunkBuffer* chunkToRead(nw::NWDSContextHandle context, nw::pBuf_T buf, const void* out, nw::NWRCODE& refusal);

    nw::CallWatcher* watcher_ = nullptr;
    std::unique_ptr<DirectorySource> directory_;
    std::vector<Volume> volumes_;
    std::string server_;         // 8-bit
    std::string defaultContext_; // 8-bit

    std::unordered_map<nw::NWCONN_HANDLE, Connection> connections_;
    nw::NWCONN_HANDLE nextConnection_ = 1;
    std::unordered_map<nw::NWDSContextHandle, Context> contexts_;
    nw::NWDSContextHandle nextContext_ = 1;
    std::unordered_map<nw::nint32, Iteration> iterations_;
    nw::nint32 nextIteration_ = 1;
    std::unordered_map<nw::pBuf_T, std::unique_ptr<ChunkBuffer>> buffers_;
};

// The dotted name of a naming context (its values escaped), or "[Root]".
std::string dottedName(const std::vector<NamingContext>& namingContexts);

} // namespace nwldap
