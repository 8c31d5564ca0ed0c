#include "netware/sim/SimClient.h"

#include "netware/Charset.h"
#include "netware/sim/DsName.h"
#include "netware/sim/ResultBuffer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace nwsim {
namespace {

enum class Call : std::uint8_t {
    NWCallsInit,
    NWGetDefaultConnRef,
    NWGetKnownServersInfo,
    NWGetVolumeName,
    NWGetObjDiskRestrictions,
    NWCallsTerm,
    NWCCOpenConnByRef,
    NWCCOpenConnByName,
    NWCCGetConnRef,
    NWCCCloseConn,
    NWNetInit,
    NWGetDefaultNameContext,
    NWDSCreateContextHandle,
    NWDSSetContext,
    NWDSGetContext,
    NWDSAllocBuf,
    NWDSList,
    NWDSListContainers,
    NWDSGetObjectCount,
    NWDSGetObjectName,
    NWDSResolveName,
    NWDSFreeBuf,
    NWDSFreeContext,
    NWNetTerm,
};
constexpr std::size_t kCallKinds = 24;

// The enumeration above follows the order of the shared list of call names.
constexpr const auto& kCallNames = kClientCallNames;
static_assert(kCallNames.size() == kCallKinds);

std::size_t index(Call c) {
    return static_cast<std::size_t>(c);
}

std::optional<std::size_t> callIndex(std::string_view name) {
    for (std::size_t i = 0; i < kCallKinds; ++i) {
        if (kCallNames[i] == name)
            return i;
    }
    return std::nullopt;
}

// References, connection handles, context handles and iteration handles are
// drawn from separate ranges: a value of one kind passed where another is
// expected is then refused instead of working by accident.
constexpr nw::NWCONN_REF kFirstReference = 0x7F000001;
constexpr nw::NWCONN_HANDLE kFirstConnection = 1;
constexpr nw::NWDSContextHandle kFirstContext = 0x00200001;
constexpr nw::nint32 kFirstIteration = 0x00300001;

constexpr nw::nuint32 kFlagAlias = 0x01;
constexpr nw::nuint32 kFlagContainer = 0x04;
// Every object reports the same modification time (2000-01-01 00:00 UTC);
// the tool never reads it.
constexpr nw::nuint32 kModificationTime = 946684800;
// Bindery type of a file server, shown in the known-servers entries.
constexpr std::uint16_t kFileServerType = 0x0004;

// Bounded length of caller text: the directory never reads more than one
// character past the longest name, so unterminated text cannot run away.
std::string_view boundedText(const char* text) {
    return {text, strnlen(text, nw::kMaxDnChars + 1)};
}

// The case folding of every byte, looked up rather than worked out: a
// name is folded byte by byte on every probe of the child index, which
// makes this the stand-in's innermost loop.
class FoldTable {
public:
    FoldTable() {
        for (int b = 0; b < 256; ++b)
            folded_[static_cast<std::size_t>(b)] = static_cast<unsigned char>(nw::foldCp1252(static_cast<char>(b)));
    }
    unsigned char operator()(char c) const { return folded_[static_cast<unsigned char>(c)]; }

private:
    std::array<unsigned char, 256> folded_{};
};

const FoldTable kFold;

bool sameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (kFold(a[i]) != kFold(b[i]))
            return false;
    }
    return true;
}

// The children of every entry, hashed by folded name, so that one name
// component costs one probe however many siblings it has. Each parent has a
// table of its own (open addressing, linear probing): the objects of one
// container are resolved one after another, and their probes then stay in
// that container's small table instead of roaming one table the size of the
// whole directory. Siblings that share a name are found in the order the
// directory delivers them, since the first was inserted first.
class ChildIndex {
public:
    void build(const std::vector<Entry>& entries) {
        tables_.assign(entries.size(), Table{});
        std::size_t total = 0;
        for (std::size_t p = 0; p < entries.size(); ++p) {
            const std::size_t n = entries[p].children.size();
            if (n == 0)
                continue;
            std::size_t capacity = 4;
            while (capacity < 2 * n)
                capacity <<= 1;
            tables_[p] = {total, static_cast<std::uint32_t>(capacity - 1)};
            total += capacity;
        }
        slots_.assign(total, Slot{});
        for (std::size_t p = 0; p < entries.size(); ++p) {
            const Table& table = tables_[p];
            for (std::uint32_t c : entries[p].children) {
                const auto h = hash(entries[c].name);
                std::size_t i = h & table.mask;
                while (slots_[table.first + i].entry != kNoEntry)
                    i = (i + 1) & table.mask;
                slots_[table.first + i] = {c, h};
            }
        }
    }

    // The first child of `parent` named `value` (case-insensitively) that
    // `accept` takes, or kNoEntry.
    template <class Accept>
    std::uint32_t find(const std::vector<Entry>& entries, std::uint32_t parent, std::string_view value,
                       Accept accept) const {
        if (parent >= tables_.size() || tables_[parent].mask == 0)
            return kNoEntry;
        const Table& table = tables_[parent];
        const auto h = hash(value);
        for (std::size_t i = h & table.mask;; i = (i + 1) & table.mask) {
            const Slot& s = slots_[table.first + i];
            if (s.entry == kNoEntry)
                return kNoEntry;
            if (s.hash == h && sameFolded(entries[s.entry].name, value) && accept(s.entry))
                return s.entry;
        }
    }

private:
    struct Slot {
        std::uint32_t entry = kNoEntry;
        std::uint32_t hash = 0;
    };
    // A parent's slots: slots_[first .. first + mask]; mask 0 for a parent
    // without children.
    struct Table {
        std::size_t first = 0;
        std::uint32_t mask = 0;
    };

    static std::uint32_t hash(std::string_view name) {
        std::uint64_t h = 1469598103934665603ull; // FNV-1a
        for (char c : name) {
            h ^= kFold(c);
            h *= 1099511628211ull;
        }
        return static_cast<std::uint32_t>(h ^ (h >> 29));
    }

    std::vector<Table> tables_;
    std::vector<Slot> slots_;
};

// Object IDs to entries. Networks number their objects densely (the loader
// and the generator count them up), so a table indexed by the distance from
// the smallest ID serves almost every network: it is smaller than a hash
// map and keeps objects that are listed together next to each other in
// memory. IDs spread too thinly for a table go to a hash map. Where two
// entries share an ID the first one counts.
class ObjectIndex {
public:
    void build(const std::vector<Entry>& entries) {
        if (entries.empty())
            return;
        auto [low, high] = std::minmax_element(entries.begin(), entries.end(),
                                               [](const Entry& a, const Entry& b) { return a.objectId < b.objectId; });
        const std::uint64_t range = std::uint64_t{high->objectId} - low->objectId + 1;
        if (range <= 4 * std::uint64_t{entries.size()} + 64) {
            base_ = low->objectId;
            dense_.assign(static_cast<std::size_t>(range), kNoEntry);
            for (std::uint32_t i = 0; i < entries.size(); ++i) {
                auto& slot = dense_[entries[i].objectId - base_];
                if (slot == kNoEntry)
                    slot = i;
            }
            return;
        }
        for (std::uint32_t i = 0; i < entries.size(); ++i)
            sparse_.emplace(entries[i].objectId, i);
    }

    std::uint32_t find(nw::nuint32 objectId) const {
        if (!dense_.empty()) {
            return objectId >= base_ && objectId - base_ < dense_.size() ? dense_[objectId - base_] : kNoEntry;
        }
        const auto it = sparse_.find(objectId);
        return it == sparse_.end() ? kNoEntry : it->second;
    }

private:
    nw::nuint32 base_ = 0;
    std::vector<std::uint32_t> dense_;
    std::unordered_map<nw::nuint32, std::uint32_t> sparse_;
};

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
    std::unordered_set<nw::nint32> iterations;
};

// Where a listing stands between chunks: the container and the position in
// its child list, so that the next chunk starts there and costs only itself.
struct Iteration {
    nw::NWDSContextHandle context = 0;
    std::uint32_t container = kNoEntry;
    std::uint32_t position = 0;
    bool containersOnly = false;
};

// Checks `Network` invariants that the rest relies on for memory safety,
// dropping references that point nowhere. A loaded network is validated
// already; a network built in code may not be.
void sanitize(Network& net) {
    const auto n = net.entries.size();
    for (auto& e : net.entries) {
        auto outside = [n](std::uint32_t c) { return c >= n || c == 0; };
        std::erase_if(e.children, outside);
        std::erase_if(e.containers, outside);
        if (e.usageBegin > net.usages.size())
            e.usageBegin = static_cast<std::uint32_t>(net.usages.size());
        e.usageCount =
            std::min<std::uint32_t>(e.usageCount, static_cast<std::uint32_t>(net.usages.size()) - e.usageBegin);
    }
}

} // namespace

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

    std::array<std::vector<ArmedFault>, kCallKinds> faults;
    std::array<std::uint32_t, kCallKinds> latency{};
    bool anyLatency = false;
    std::array<std::size_t, kCallKinds> calls{};
    bool logging = false;
    std::vector<Call> log;

    explicit State(Network network) : net(std::move(network)) {
        sanitize(net);
        children.build(net.entries);
        entryById.build(net.entries);
        volumeSlot.resize(net.servers.size());
        for (std::uint32_t s = 0; s < net.servers.size(); ++s) {
            serverByName.emplace(foldDsText(net.servers[s].name), s);
            volumeSlot[s].fill(-1);
            const auto& volumes = net.servers[s].volumes;
            for (std::size_t v = 0; v < volumes.size(); ++v) {
                if (volumes[v].number < nw::kMaxVolumes && volumeSlot[s][volumes[v].number] < 0)
                    volumeSlot[s][volumes[v].number] = static_cast<std::int16_t>(v);
            }
        }
        for (const auto& [name, micros] : net.callLatencyMicros) {
            if (auto i = callIndex(name))
                latency[*i] = micros;
        }
        anyLatency =
            net.latencyMicros != 0 || std::any_of(latency.begin(), latency.end(), [](auto us) { return us != 0; });
        std::vector<Fault> initial = std::move(net.faults);
        net.faults.clear();
        for (auto& f : initial)
            arm(std::move(f));
    }

    void arm(Fault f) {
        net.faults.push_back(f);
        if (auto i = callIndex(f.call))
            faults[*i].push_back({std::move(f), 0});
    }

    std::uint32_t root() const { return net.entries.empty() ? kNoEntry : 0; }

    std::optional<std::uint32_t> serverOf(nw::NWCONN_HANDLE conn) const {
        auto it = connections.find(conn);
        if (it == connections.end())
            return std::nullopt;
        return it->second;
    }

    std::optional<std::string_view> serverName(std::optional<std::uint32_t> server) const {
        if (!server)
            return std::nullopt;
        return net.servers[*server].name;
    }

    std::optional<std::uint32_t> serverOfReference(nw::NWCONN_REF ref) const {
        if (ref < kFirstReference || ref - kFirstReference >= net.servers.size())
            return std::nullopt;
        return ref - kFirstReference;
    }

    // Every call starts here: it is counted, waits out its latency, and
    // gets the code of an injected fault if one fires. All faults of the
    // call are matched, so that each one's occurrence count does not depend
    // on the faults listed before it; the first that fires wins.
    std::optional<nw::NWRCODE> enter(Call call, const Target& target) {
        const auto i = index(call);
        ++calls[i];
        if (logging)
            log.push_back(call);
        if (anyLatency) {
            const auto micros = std::uint64_t{net.latencyMicros} + latency[i];
            if (micros != 0)
                std::this_thread::sleep_for(std::chrono::microseconds(micros));
        }
        std::optional<nw::NWRCODE> fired;
        for (auto& armed : faults[i]) {
            const Fault& f = armed.fault;
            if (f.server && !(target.server && equalFolded(*target.server, *f.server)))
                continue;
            if (f.name && !(target.name && equalFolded(*target.name, *f.name)))
                continue;
            if (f.volume && !(target.volume && *target.volume == *f.volume))
                continue;
            ++armed.seen;
            if (!fired && (!f.occurrence || *f.occurrence == armed.seen))
                fired = f.code;
        }
        return fired;
    }

    nw::NWCONN_HANDLE open(std::uint32_t server) {
        while (connections.contains(nextConnection) || nextConnection == 0)
            ++nextConnection;
        const auto handle = nextConnection++;
        connections.emplace(handle, server);
        return handle;
    }

    Context* context(nw::NWDSContextHandle handle) {
        auto it = contexts.find(handle);
        return it == contexts.end() ? nullptr : &it->second;
    }

    nw::Buf_T* buffer(nw::pBuf_T buf) {
        auto it = buffers.find(buf);
        return it == buffers.end() ? nullptr : it->second.get();
    }

    // Follows the components of `name` down from `start`, outermost first.
    std::uint32_t descend(std::uint32_t start, const DsName& name) const {
        if (name.root)
            return root();
        std::uint32_t at = start;
        for (auto it = name.components.rbegin(); it != name.components.rend() && at != kNoEntry; ++it) {
            const DsComponent& component = *it;
            at = children.find(net.entries, at, component.value,
                               [&](std::uint32_t e) { return typeFits(component, net.entries[e].cls); });
        }
        return at;
    }

    // Most names a listing resolves are plain: typeless components with no
    // escapes, as typeless listings deliver them. Those are followed straight
    // from the text, outermost first, without parsing them into components
    // first. Anything else, or text that is no valid name, is left to the
    // parser (nothing returned).
    std::optional<std::uint32_t> descendPlain(std::uint32_t start, std::string_view text) const {
        if (text.empty() || text.size() > nw::kMaxDnChars || text.front() == '.' || text.back() == '.')
            return std::nullopt;
        char previous = 0;
        for (const char c : text) {
            if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '=' || c == '+' ||
                (c == '.' && previous == '.'))
                return std::nullopt;
            previous = c;
        }
        if (sameFolded(text, "[Root]"))
            return std::nullopt;
        std::uint32_t at = start;
        std::size_t end = text.size();
        while (at != kNoEntry) {
            const std::size_t dot = text.rfind('.', end - 1);
            const std::size_t begin = dot == std::string_view::npos ? 0 : dot + 1;
            at = children.find(net.entries, at, text.substr(begin, end - begin), [](std::uint32_t) { return true; });
            if (dot == std::string_view::npos)
                break;
            end = dot;
        }
        return at;
    }

    // Resolves text relative to a context's name context.
    nw::NWRCODE resolve(const Context& ctx, std::string_view text, std::uint32_t& entry) const {
        if (const auto plain = descendPlain(ctx.entry, text)) {
            entry = *plain;
            return entry == kNoEntry ? nw::kNoSuchEntry : nw::kSuccess;
        }
        DsName name;
        if (const auto rc = parseDsName(text, name); rc != nw::kSuccess)
            return rc;
        entry = descend(ctx.entry, name);
        return entry == kNoEntry ? nw::kNoSuchEntry : nw::kSuccess;
    }

    resultbuf::ListedObject describe(std::uint32_t e, bool typeless) const {
        const Entry& entry = net.entries[e];
        resultbuf::ListedObject o;
        o.name = formatRdn(entry.cls, entry.name, typeless);
        o.flags =
            (isContainerClass(entry.cls) ? kFlagContainer : 0) | (entry.cls == ObjectClass::Alias ? kFlagAlias : 0);
        o.subordinateCount = static_cast<nw::nuint32>(entry.children.size());
        o.modificationTime = kModificationTime;
        o.baseClass = std::string(className(entry.cls)).substr(0, resultbuf::kMaxClassNameChars);
        return o;
    }

    nw::NWRCODE list(Call call, nw::NWDSContextHandle handle, const char* object, nw::nint32* iterationHandle,
                     nw::pBuf_T buf);

    nw::nint32 newIteration() {
        while (iterations.contains(nextIteration))
            nextIteration =
                nextIteration == std::numeric_limits<nw::nint32>::max() ? kFirstIteration : nextIteration + 1;
        const auto id = nextIteration;
        nextIteration = nextIteration == std::numeric_limits<nw::nint32>::max() ? kFirstIteration : nextIteration + 1;
        return id;
    }
};

nw::NWRCODE SimClient::State::list(Call call, nw::NWDSContextHandle handle, const char* object,
                                   nw::nint32* iterationHandle, nw::pBuf_T buf) {
    Context* ctx = context(handle);
    if (ctx == nullptr)
        return kErrBadContext;
    if (object == nullptr || iterationHandle == nullptr || buf == nullptr)
        return kErrNullPointer;
    nw::Buf_T* target = buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;

    const bool containersOnly = call == Call::NWDSListContainers;
    const nw::nint32 id = *iterationHandle;
    Iteration cursor;
    if (id == -1) {
        std::uint32_t entry = kNoEntry;
        if (const auto rc = resolve(*ctx, boundedText(object), entry); rc != nw::kSuccess)
            return rc;
        cursor = {handle, entry, 0, containersOnly};
    } else {
        // A continuation goes on from where the listing stands; the name
        // passed with it is not looked up again.
        auto it = iterations.find(id);
        if (it == iterations.end() || it->second.context != handle || it->second.containersOnly != containersOnly)
            return kErrInvalidIteration;
        cursor = it->second;
    }

    const Entry& container = net.entries[cursor.container];
    const auto& members = containersOnly ? container.containers : container.children;
    const bool typeless = (ctx->flags & nw::kContextFlagTypelessNames) != 0;
    const std::size_t room = target->data.size();
    if (room < resultbuf::kHeaderSize)
        return kErrInsufficientBuffer;

    // One vector for every chunk: a fresh one each time would make every
    // listing call allocate, and free, room for a whole chunk.
    std::vector<resultbuf::ListedObject>& chunk = chunkScratch;
    chunk.clear();
    std::size_t bytes = resultbuf::kHeaderSize;
    std::size_t pos = cursor.position;
    while (pos < members.size() && (net.chunkLimit == 0 || chunk.size() < net.chunkLimit)) {
        auto item = describe(members[pos], typeless);
        if (item.name.size() > nw::kMaxDnChars)
            return kErrDnTooLong;
        const auto size = resultbuf::recordSize(item);
        if (size > room - bytes)
            break;
        bytes += size;
        chunk.push_back(std::move(item));
        ++pos;
    }
    if (chunk.empty() && pos < members.size())
        return kErrInsufficientBuffer;

    resultbuf::writeListing(*target, chunk);
    if (pos < members.size()) {
        nw::nint32 next = id;
        if (id == -1) {
            next = newIteration();
            ctx->iterations.insert(next);
        }
        cursor.position = static_cast<std::uint32_t>(pos);
        iterations[next] = cursor;
        *iterationHandle = next;
    } else {
        if (id != -1) {
            iterations.erase(id);
            ctx->iterations.erase(id);
        }
        *iterationHandle = -1;
    }
    return nw::kSuccess;
}

SimClient::SimClient(Network network) : state_(std::make_unique<State>(std::move(network))) {}

SimClient::~SimClient() = default;

// ---- Calls library

nw::NWRCODE SimClient::NWCallsInit(nw::nuint8*, nw::nuint8*) {
    if (auto f = state_->enter(Call::NWCallsInit, {}))
        return *f;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetDefaultConnRef(nw::NWCONN_REF* connRef) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWGetDefaultConnRef, {}))
        return *f;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    if (s.net.defaultServer >= s.net.servers.size())
        return kErrInvalidConnection;
    *connRef = referenceOf(s.net.defaultServer);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetKnownServersInfo(nw::NWCONN_HANDLE conn, nw::nuint32 scanIndex, nw::nuint32,
                                             nw::nuint8* record) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetKnownServersInfo, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (record == nullptr)
        return kErrInvalidParameter;
    if (scanIndex >= s.net.servers.size())
        return nw::kNoMoreServers;

    // Only whole entries go into the area; the rest of it is left as it was,
    // since a reader must go by the count alone. The first 12 bytes are not
    // written either.
    nw::nuint8* area = record + nw::kKnownServersAreaOffset;
    std::size_t at = 0;
    nw::nint32 count = 0;
    for (std::size_t i = scanIndex; i < s.net.servers.size(); ++i) {
        if (s.net.serverBatchLimit != 0 && static_cast<std::uint32_t>(count) >= s.net.serverBatchLimit)
            break;
        std::string_view name = s.net.servers[i].name;
        if (at + nw::kKnownServersSkipBytes + name.size() + 1 > nw::kKnownServersAreaSize) {
            if (count > 0)
                break;
            // A name too long for an empty area would stall the scan for
            // good; it goes out cut to the room there is instead.
            name = name.substr(0, nw::kKnownServersAreaSize - nw::kKnownServersSkipBytes - 1);
        }
        // The bytes ahead of the name: a made-up object ID and the bindery
        // type of a file server, both big-endian as on the wire.
        const auto objectId = static_cast<std::uint32_t>(0x01000001u + i);
        std::array<nw::nuint8, nw::kKnownServersSkipBytes> lead{};
        for (int k = 0; k < 4; ++k)
            lead[k] = static_cast<nw::nuint8>((objectId >> (24 - 8 * k)) & 0xFF);
        lead[4] = static_cast<nw::nuint8>(kFileServerType >> 8);
        lead[5] = static_cast<nw::nuint8>(kFileServerType & 0xFF);
        std::memcpy(area + at, lead.data(), lead.size());
        at += lead.size();
        std::memcpy(area + at, name.data(), name.size());
        at += name.size();
        area[at++] = 0;
        ++count;
    }
    const auto c = static_cast<std::uint32_t>(count);
    for (int k = 0; k < 4; ++k)
        record[nw::kKnownServersCountOffset + k] = static_cast<nw::nuint8>((c >> (8 * k)) & 0xFF);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetVolumeName(nw::NWCONN_HANDLE conn, nw::nuint16 volumeNumber, char* volumeName) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetVolumeName, {s.serverName(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    // A number no volume can have is a bad argument; a number the server
    // merely does not use gives the empty name, which ends a volume scan.
    if (volumeName == nullptr || volumeNumber >= nw::kMaxVolumes)
        return kErrInvalidParameter;
    const auto slot = s.volumeSlot[*server][volumeNumber];
    if (slot < 0) {
        volumeName[0] = '\0';
        return nw::kSuccess;
    }
    const std::string& name = s.net.servers[*server].volumes[static_cast<std::size_t>(slot)].name;
    const auto n = std::min(name.size(), nw::kVolumeNameBufferSize - 1);
    std::memcpy(volumeName, name.data(), n);
    volumeName[n] = '\0';
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetObjDiskRestrictions(nw::NWCONN_HANDLE conn, nw::nuint8 volumeNumber, nw::nuint32 objectId,
                                                nw::nint32* restriction, nw::nint32* inUse) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetObjDiskRestrictions, {s.serverName(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (restriction == nullptr || inUse == nullptr)
        return kErrInvalidParameter;
    if (volumeNumber >= nw::kMaxVolumes || s.volumeSlot[*server][volumeNumber] < 0)
        return kErrNoSuchVolume;
    // An object ID the server does not know is answered like an object that
    // uses nothing: that is what the server does.
    Usage figure;
    if (const auto entry = s.entryById.find(objectId); entry != kNoEntry) {
        const Entry& e = s.net.entries[entry];
        for (std::uint32_t u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u) {
            const Usage& candidate = s.net.usages[u];
            if (candidate.server == *server && candidate.volume == volumeNumber) {
                figure = candidate;
                break;
            }
        }
    }
    *restriction = figure.restriction;
    *inUse = figure.inUse;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCallsTerm(nw::nuint8*) {
    if (auto f = state_->enter(Call::NWCallsTerm, {}))
        return *f;
    return nw::kSuccess;
}

// ---- Connection library

nw::NWRCODE SimClient::NWCCOpenConnByRef(nw::NWCONN_REF connRef, nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    State& s = *state_;
    const auto server = s.serverOfReference(connRef);
    if (auto f = s.enter(Call::NWCCOpenConnByRef, {s.serverName(server), {}, {}}))
        return *f;
    if (conn == nullptr)
        return kErrInvalidParameter;
    if (!server)
        return kErrInvalidConnection;
    *conn = s.open(*server);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCOpenConnByName(nw::NWCONN_HANDLE startConn, const char* name, nw::nuint32 nameFormat,
                                          nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    State& s = *state_;
    std::optional<std::string_view> text;
    if (name != nullptr)
        text = boundedText(name);
    if (auto f = s.enter(Call::NWCCOpenConnByName, {text, text, {}}))
        return *f;
    if (!s.serverOf(startConn))
        return kErrInvalidConnection;
    // Only bindery names are known here; the tool asks for nothing else.
    if (name == nullptr || conn == nullptr || nameFormat != nw::kNameFormatBindery)
        return kErrInvalidParameter;
    auto it = s.serverByName.find(foldDsText(*text));
    if (it == s.serverByName.end())
        return kErrServerUnknown;
    *conn = s.open(it->second);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCGetConnRef(nw::NWCONN_HANDLE conn, nw::NWCONN_REF* connRef) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWCCGetConnRef, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    *connRef = referenceOf(*server);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCCloseConn(nw::NWCONN_HANDLE conn) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWCCCloseConn, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    s.connections.erase(conn);
    return nw::kSuccess;
}

// ---- Directory Services library

nw::NWRCODE SimClient::NWNetInit(nw::nuint8*, nw::nuint8*) {
    if (auto f = state_->enter(Call::NWNetInit, {}))
        return *f;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetDefaultNameContext(nw::nuint32 size, char* context) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWGetDefaultNameContext, {}))
        return *f;
    if (context == nullptr)
        return kErrNullPointer;
    const std::string& text = s.net.defaultContext;
    if (text.size() >= size)
        return kErrInsufficientBuffer;
    std::memcpy(context, text.data(), text.size());
    context[text.size()] = '\0';
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSCreateContextHandle(nw::NWDSContextHandle* context) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSCreateContextHandle, {}))
        return *f;
    if (context == nullptr)
        return kErrNullPointer;
    while (s.contexts.contains(s.nextContext) || s.nextContext == 0)
        ++s.nextContext;
    const auto handle = s.nextContext++;
    Context fresh;
    fresh.entry = s.root();
    s.contexts.emplace(handle, std::move(fresh));
    *context = handle;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSSetContext(nw::NWDSContextHandle context, nw::nint32 key, const void* value) {
    State& s = *state_;
    std::optional<std::string_view> text;
    if (key == nw::kContextKeyNameContext && value != nullptr)
        text = boundedText(static_cast<const char*>(value));
    if (auto f = s.enter(Call::NWDSSetContext, {{}, text, {}}))
        return *f;
    Context* ctx = s.context(context);
    if (ctx == nullptr)
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(&ctx->flags, value, sizeof ctx->flags);
        return nw::kSuccess;
    }
    if (key != nw::kContextKeyNameContext)
        return kErrBadKey;
    // The name context is a full name from [Root]. The empty text names no
    // context at all (it would mean "relative to nothing"), so it is refused
    // like any other text that is no name. A valid name of a context that
    // does not exist is accepted; using it then finds nothing.
    DsName name;
    if (text->empty() || parseDsName(*text, name) != nw::kSuccess)
        return nw::kInvalidDsName;
    ctx->nameContext = std::string(*text);
    ctx->entry = s.descend(s.root(), name);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSGetContext(nw::NWDSContextHandle context, nw::nint32 key, void* value) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSGetContext, {}))
        return *f;
    Context* ctx = s.context(context);
    if (ctx == nullptr)
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(value, &ctx->flags, sizeof ctx->flags);
        return nw::kSuccess;
    }
    if (key != nw::kContextKeyNameContext)
        return kErrBadKey;
    // The text comes back as it was set; it never exceeds kMaxDnChars.
    auto* out = static_cast<char*>(value);
    std::memcpy(out, ctx->nameContext.data(), ctx->nameContext.size());
    out[ctx->nameContext.size()] = '\0';
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSAllocBuf, {}))
        return *f;
    if (buf == nullptr)
        return kErrNullPointer;
    if (size == 0)
        return kErrBufferZeroLength;
    if (size > kMaxResultBufferSize)
        return kErrNotEnoughMemory;
    auto fresh = std::make_unique<nw::Buf_T>();
    fresh->data.assign(size, 0);
    nw::Buf_T* raw = fresh.get();
    s.buffers.emplace(raw, std::move(fresh));
    s.peakBuffers = std::max(s.peakBuffers, s.buffers.size());
    *buf = raw;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSList(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle,
                                nw::pBuf_T buf) {
    State& s = *state_;
    std::optional<std::string_view> text;
    if (object != nullptr)
        text = boundedText(object);
    if (auto f = s.enter(Call::NWDSList, {{}, text, {}}))
        return *f;
    return s.list(Call::NWDSList, context, object, iterationHandle, buf);
}

nw::NWRCODE SimClient::NWDSListContainers(nw::NWDSContextHandle context, const char* object,
                                          nw::nint32* iterationHandle, nw::pBuf_T buf) {
    State& s = *state_;
    std::optional<std::string_view> text;
    if (object != nullptr)
        text = boundedText(object);
    if (auto f = s.enter(Call::NWDSListContainers, {{}, text, {}}))
        return *f;
    return s.list(Call::NWDSListContainers, context, object, iterationHandle, buf);
}

nw::NWRCODE SimClient::NWDSGetObjectCount(nw::NWDSContextHandle context, nw::pBuf_T buf, nw::nuint32* count) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSGetObjectCount, {}))
        return *f;
    if (s.context(context) == nullptr)
        return kErrBadContext;
    if (buf == nullptr || count == nullptr)
        return kErrNullPointer;
    const nw::Buf_T* target = s.buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;
    return resultbuf::readObjectCount(*target, count);
}

nw::NWRCODE SimClient::NWDSGetObjectName(nw::NWDSContextHandle context, nw::pBuf_T buf, char* objectName,
                                         nw::nuint32* attrCount, nw::Object_Info_T* objectInfo) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSGetObjectName, {}))
        return *f;
    if (s.context(context) == nullptr)
        return kErrBadContext;
    if (buf == nullptr || objectName == nullptr)
        return kErrNullPointer;
    nw::Buf_T* target = s.buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;
    const auto rc = resultbuf::readNextObject(*target, objectName, objectInfo);
    if (rc == nw::kSuccess && attrCount != nullptr)
        *attrCount = 0;
    return rc;
}

nw::NWRCODE SimClient::NWDSResolveName(nw::NWDSContextHandle context, const char* objectName, nw::NWCONN_HANDLE* conn,
                                       nw::nuint32* objectId) {
    State& s = *state_;
    std::optional<std::string_view> text;
    if (objectName != nullptr)
        text = boundedText(objectName);
    if (auto f = s.enter(Call::NWDSResolveName, {{}, text, {}}))
        return *f;
    const Context* ctx = s.context(context);
    if (ctx == nullptr)
        return kErrBadContext;
    if (objectName == nullptr || conn == nullptr || objectId == nullptr)
        return kErrNullPointer;
    std::uint32_t entry = kNoEntry;
    if (const auto rc = s.resolve(*ctx, *text, entry); rc != nw::kSuccess)
        return rc;
    // The connection handed back is one to the server holding the
    // directory, which here is the default server.
    if (s.net.defaultServer >= s.net.servers.size())
        return kErrUnreachableServer;
    *conn = s.open(s.net.defaultServer);
    *objectId = s.net.entries[entry].objectId;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSFreeBuf(nw::pBuf_T buf) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSFreeBuf, {}))
        return *f;
    if (buf == nullptr)
        return kErrNullPointer;
    // Membership is checked before anything is touched: freeing twice, or
    // freeing a pointer that never came from here, is refused, not a crash.
    auto it = s.buffers.find(buf);
    if (it == s.buffers.end())
        return kErrInvalidHandle;
    s.buffers.erase(it);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSFreeContext(nw::NWDSContextHandle context) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSFreeContext, {}))
        return *f;
    auto it = s.contexts.find(context);
    if (it == s.contexts.end())
        return kErrBadContext;
    for (auto id : it->second.iterations)
        s.iterations.erase(id);
    s.contexts.erase(it);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWNetTerm(nw::nuint8*) {
    if (auto f = state_->enter(Call::NWNetTerm, {}))
        return *f;
    return nw::kSuccess;
}

// ---- Inspection and control

const Network& SimClient::network() const {
    return state_->net;
}

std::vector<nw::NWCONN_HANDLE> SimClient::openConnections() const {
    std::vector<nw::NWCONN_HANDLE> out;
    out.reserve(state_->connections.size());
    for (const auto& [handle, server] : state_->connections)
        out.push_back(handle);
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t SimClient::openContextCount() const {
    return state_->contexts.size();
}

std::size_t SimClient::allocatedBufferCount() const {
    return state_->buffers.size();
}

std::size_t SimClient::peakAllocatedBufferCount() const {
    return state_->peakBuffers;
}

void SimClient::addFault(Fault fault) {
    state_->arm(std::move(fault));
}

void SimClient::setChunkLimit(std::uint32_t maxNamesPerChunk) {
    state_->net.chunkLimit = maxNamesPerChunk;
}

void SimClient::setServerBatchLimit(std::uint32_t maxServersPerBatch) {
    state_->net.serverBatchLimit = maxServersPerBatch;
}

std::size_t SimClient::openIterationCount() const {
    return state_->iterations.size();
}

std::size_t SimClient::callCount(std::string_view call) const {
    const auto i = callIndex(call);
    return i ? state_->calls[*i] : 0;
}

void SimClient::setCallLogging(bool on) {
    state_->logging = on;
}

std::vector<std::string> SimClient::callLog() const {
    std::vector<std::string> out;
    out.reserve(state_->log.size());
    for (Call c : state_->log)
        out.emplace_back(kCallNames[index(c)]);
    return out;
}

nw::NWCONN_REF SimClient::referenceOf(std::uint32_t server) {
    return kFirstReference + server;
}

} // namespace nwsim
