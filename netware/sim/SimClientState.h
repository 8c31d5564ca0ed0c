#pragma once

// Inside the stand-in client: the state its calls share. SimClient's calls
// are written in several files, one per concern:
//   SimClient.cpp            the state and its indexes, set up from a network
//   SimClientFaults.cpp      what every call does first: count, wait, faults
//   SimClientServers.cpp     connections, servers and volumes, disk figures
//   SimClientNames.cpp       contexts, name resolution
//   SimClientListing.cpp     result buffers and directory listings
//   SimClientInspection.cpp  what tests and tools may look at and adjust

#include "netware/sim/Calls.h"
#include "netware/sim/DirectoryIndex.h"
#include "netware/sim/DsName.h"
#include "netware/sim/ResultBuffer.h"
#include "netware/sim/SimClient.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nwsim {

// References, connection handles, context handles and iteration handles are
// drawn from separate ranges: a value of one kind passed where another is
// expected is then refused instead of working by accident.
inline constexpr nw::NWCONN_REF kFirstReference = 0x7F000001;
inline constexpr nw::NWCONN_HANDLE kFirstConnection = 1;
inline constexpr nw::NWDSContextHandle kFirstContext = 0x00200001;
inline constexpr nw::nint32 kFirstIteration = 0x00300001;

// Caller text, read no further than one character past the longest name:
// the directory never needs more, so unterminated text cannot run away.
// Nothing for a null pointer.
std::optional<std::string_view> boundedText(const char* text);

// What a call addresses, for fault matching.
struct Target {
    std::optional<std::string_view> server;
    std::optional<std::string_view> name;
    std::optional<int> volume;
};

struct ArmedFault {
    Fault fault;
    unsigned seen = 0; // matching calls so far
};

struct Context {
    nw::nuint32 flags = kDefaultContextFlags;
    std::string nameContext = "[Root]";
    std::uint32_t entry = 0; // kNoEntry when the name context does not exist
};

// Where a listing stands between chunks: the container and the position in
// its child list, so that the next chunk starts there and costs only itself.
struct Iteration {
    nw::NWDSContextHandle context = 0;
    std::uint32_t container = kNoEntry;
    std::uint32_t position = 0;
    bool containersOnly = false;
};

struct SimClient::State {
    Network net;
    ChildIndex children;
    ObjectIndex entryById;
    std::unordered_map<std::string, std::uint32_t> serverByName;       // folded name
    std::vector<std::array<std::int16_t, nw::kMaxVolumes>> volumeSlot; // per server: index into volumes, or -1

    std::unordered_map<nw::NWCONN_HANDLE, std::uint32_t> connections; // handle -> server
    nw::NWCONN_HANDLE nextConnection = kFirstConnection;
    std::unordered_map<nw::NWDSContextHandle, Context> contexts;
    nw::NWDSContextHandle nextContext = kFirstContext;
    std::unordered_map<nw::nint32, Iteration> iterations;
    nw::nint32 nextIteration = kFirstIteration;
    std::unordered_map<const nw::Buf_T*, std::unique_ptr<nw::Buf_T>> buffers;
    std::vector<resultbuf::ListedObject> chunkScratch;
    std::size_t peakBuffers = 0;

    std::array<std::vector<ArmedFault>, kCallCount> faults;
    std::array<std::uint32_t, kCallCount> latency{};
    bool anyLatency = false;
    std::array<std::size_t, kCallCount> calls{};
    nw::CallWatcher* watcher = nullptr;
    bool logging = false;
    std::vector<Call> log;

    explicit State(Network network);

    // SimClientFaults.cpp
    void arm(Fault f);
    std::optional<nw::NWRCODE> enter(Call call, const Target& target);
    bool waitOut(std::chrono::microseconds wait) const;

    // SimClientServers.cpp
    std::optional<std::uint32_t> serverOf(nw::NWCONN_HANDLE conn) const;
    std::optional<std::uint32_t> serverOfReference(nw::NWCONN_REF ref) const;
    std::optional<std::string_view> serverName(std::optional<std::uint32_t> server) const;
    nw::NWCONN_HANDLE open(std::uint32_t server);

    // SimClientNames.cpp
    std::uint32_t root() const { return net.entries.empty() ? kNoEntry : 0; }
    Context* context(nw::NWDSContextHandle handle);
    std::uint32_t descend(std::uint32_t start, const DsName& name) const;
    std::optional<std::uint32_t> descendPlain(std::uint32_t start, std::string_view text) const;
    nw::NWRCODE resolve(const Context& ctx, std::string_view text, std::uint32_t& entry) const;

    // SimClientListing.cpp
    nw::Buf_T* buffer(nw::pBuf_T buf);
    nw::NWRCODE list(Call call, nw::NWDSContextHandle handle, const char* object, nw::nint32* iterationHandle,
                     nw::pBuf_T buf);
    nw::NWRCODE fillChunk(const Context& ctx, Iteration& cursor, nw::Buf_T& target);
    resultbuf::ListedObject describe(std::uint32_t e, bool typeless) const;
    nw::nint32 newIteration();
};

} // namespace nwsim
