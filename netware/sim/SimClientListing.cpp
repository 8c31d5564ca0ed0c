#include "netware/sim/SimClientState.h"

#include <algorithm>
#include <limits>

namespace nwsim {
namespace {

constexpr nw::nuint32 kFlagAlias = 0x01;
constexpr nw::nuint32 kFlagContainer = 0x04;
// Every object reports the same modification time (2000-01-01 00:00 UTC);
// the tool never reads it.
constexpr nw::nuint32 kModificationTime = 946684800;

nw::nint32 following(nw::nint32 iteration) {
    return iteration == std::numeric_limits<nw::nint32>::max() ? kFirstIteration : iteration + 1;
}

} // namespace

nw::Buf_T* SimClient::State::buffer(nw::pBuf_T buf) {
    auto it = buffers.find(buf);
    return it == buffers.end() ? nullptr : it->second.get();
}

resultbuf::ListedObject SimClient::State::describe(std::uint32_t e, bool typeless) const {
    const Entry& entry = net.entries[e];
    resultbuf::ListedObject o;
    o.name = formatRdn(entry.cls, entry.name, typeless);
    o.flags = (isContainerClass(entry.cls) ? kFlagContainer : 0) | (entry.cls == ObjectClass::Alias ? kFlagAlias : 0);
    o.subordinateCount = static_cast<nw::nuint32>(entry.children.size());
    o.modificationTime = kModificationTime;
    o.baseClass = std::string(className(entry.cls)).substr(0, resultbuf::kMaxClassNameChars);
    return o;
}

nw::nint32 SimClient::State::newIteration() {
    while (iterations.contains(nextIteration))
        nextIteration = following(nextIteration);
    const auto id = nextIteration;
    nextIteration = following(nextIteration);
    return id;
}

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
        if (const auto rc = resolve(*ctx, *boundedText(object), entry); rc != nw::kSuccess)
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
    if (const auto rc = fillChunk(*ctx, cursor, *target); rc != nw::kSuccess)
        return rc;

    // The iteration handle stays while names remain: a new one for the
    // first chunk, the same one for the chunks after it.
    const Entry& container = net.entries[cursor.container];
    if (cursor.position < (containersOnly ? container.containers : container.children).size()) {
        const nw::nint32 next = id == -1 ? newIteration() : id;
        iterations[next] = cursor;
        *iterationHandle = next;
    } else {
        iterations.erase(id);
        *iterationHandle = -1;
    }
    return nw::kSuccess;
}

// Fills the buffer with the next chunk of the listing and moves the cursor
// past it.
nw::NWRCODE SimClient::State::fillChunk(const Context& ctx, Iteration& cursor, nw::Buf_T& target) {
    const Entry& container = net.entries[cursor.container];
    const auto& members = cursor.containersOnly ? container.containers : container.children;
    const bool typeless = (ctx.flags & nw::kContextFlagTypelessNames) != 0;
    const std::size_t room = target.data.size();
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
    resultbuf::writeListing(target, chunk);
    cursor.position = static_cast<std::uint32_t>(pos);
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
    const auto text = boundedText(object);
    if (auto f = s.enter(Call::NWDSList, {{}, text, {}}))
        return *f;
    return s.list(Call::NWDSList, context, object, iterationHandle, buf);
}

nw::NWRCODE SimClient::NWDSListContainers(nw::NWDSContextHandle context, const char* object,
                                          nw::nint32* iterationHandle, nw::pBuf_T buf) {
    State& s = *state_;
    const auto text = boundedText(object);
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

} // namespace nwsim
