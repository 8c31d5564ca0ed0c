// The kit's result buffers and listings: chunks that fit the caller's
// buffer, iteration handles between them, and reading a chunk back.

#include "netware/ClientKit.h"

#include "netware/Charset.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace nw {
namespace {

// Every object reports the same modification time (2000-01-01 00:00 UTC);
// the tool never reads it.
constexpr nuint32 kModificationTime = 946684800;

// Tells an administrator who started the program from a terminal what a
// listing left out, and why; in UTF-8, as a terminal shows it.
void reportLeftOut(std::string_view name, std::string_view container) {
    constexpr std::size_t kShownChars = 64; // enough to find it by
    const std::string shown = cp1252ToUtf8(name.substr(0, kShownChars));
    const std::string in = container.empty() ? "the name context" : cp1252ToUtf8(container);
    std::fprintf(stderr,
                 "vorlane: %s%s in %s is left out of the listing: its name would be longer than %zu characters\n",
                 shown.c_str(), name.size() > kShownChars ? "..." : "", in.c_str(), kMaxDnChars);
}

} // namespace

Buf_T* ClientKit::buffer(pBuf_T buf) {
    const auto it = buffers_.find(buf);
    return it == buffers_.end() ? nullptr : it->second.get();
}

nint32 ClientKit::newIteration() {
    const auto following = [](nint32 iteration) {
        return iteration == std::numeric_limits<nint32>::max() ? kFirstIteration : iteration + 1;
    };
    while (iterations_.contains(nextIteration_))
        nextIteration_ = following(nextIteration_);
    const nint32 id = nextIteration_;
    nextIteration_ = following(nextIteration_);
    return id;
}

NWRCODE ClientKit::NWDSAllocBuf(nuint32 size, pBuf_T* buf) {
    if (auto f = enter(Call::NWDSAllocBuf, {}))
        return *f;
    if (buf == nullptr)
        return kErrNullPointer;
    if (size == 0)
        return kErrBufferZeroLength;
    if (size > kMaxResultBufferSize)
        return kErrNotEnoughMemory;
    auto made = std::make_unique<Buf_T>();
    made->data.assign(size, 0);
    Buf_T* raw = made.get();
    buffers_.emplace(raw, std::move(made));
    peakBuffers_ = std::max(peakBuffers_, buffers_.size());
    *buf = raw;
    return kSuccess;
}

NWRCODE ClientKit::NWDSFreeBuf(pBuf_T buf) {
    if (auto f = enter(Call::NWDSFreeBuf, {}))
        return *f;
    if (buf == nullptr)
        return kErrNullPointer;
    // Membership is checked before anything is touched: freeing twice, or
    // freeing a pointer that never came from here, is refused, not a crash.
    return buffers_.erase(buf) == 1 ? kSuccess : kErrInvalidHandle;
}

NWRCODE ClientKit::NWDSList(NWDSContextHandle context, const char* object, nint32* iterationHandle, pBuf_T buf) {
    return list(Call::NWDSList, context, object, iterationHandle, buf);
}

NWRCODE ClientKit::NWDSListContainers(NWDSContextHandle context, const char* object, nint32* iterationHandle,
                                      pBuf_T buf) {
    return list(Call::NWDSListContainers, context, object, iterationHandle, buf);
}

NWRCODE ClientKit::list(Call call, NWDSContextHandle handle, const char* object, nint32* iterationHandle, pBuf_T buf) {
    const auto text = boundedText(object);
    if (auto f = enter(call, {{}, text, {}}))
        return *f;
    Context* ctx = context(handle);
    if (ctx == nullptr)
        return kErrBadContext;
    if (object == nullptr || iterationHandle == nullptr || buf == nullptr)
        return kErrNullPointer;
    Buf_T* target = buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;

    const bool containersOnly = call == Call::NWDSListContainers;
    const nint32 id = *iterationHandle;
    Iteration cursor;
    if (id == -1) {
        EntryId container = kNoEntryId;
        if (const NWRCODE rc = resolve(*ctx, *text, container); rc != kSuccess)
            return rc;
        cursor = {handle, container, 0, containersOnly, std::string(*text)};
    } else {
        // A continuation goes on from where the listing stands; the name
        // passed with it is not looked up again.
        const auto it = iterations_.find(id);
        if (it == iterations_.end() || it->second.context != handle || it->second.containersOnly != containersOnly)
            return kErrInvalidIteration;
        cursor = it->second;
    }
    std::span<const EntryId> members;
    if (const NWRCODE rc = children(ctx->memory.get(), cursor.container, containersOnly, members); rc != kSuccess)
        return rc;
    if (const NWRCODE rc = fillChunk(*ctx, members, cursor, *target); rc != kSuccess)
        return rc;

    // The iteration handle stays while names remain: a new one for the
    // first chunk, the same one for the chunks after it.
    if (cursor.position < members.size()) {
        const nint32 next = id == -1 ? newIteration() : id;
        iterations_[next] = std::move(cursor);
        *iterationHandle = next;
    } else {
        iterations_.erase(id);
        *iterationHandle = -1;
    }
    return kSuccess;
}

// Fills the buffer with the next chunk of the listing and moves the cursor
// past it: as many names as fit, each a record of the layout in
// ResultBuffer.h.
NWRCODE ClientKit::fillChunk(Context& ctx, std::span<const EntryId> members, Iteration& cursor, Buf_T& target) {
    const std::size_t room = target.data.size();
    if (room < resultbuf::kHeaderSize)
        return kErrInsufficientBuffer;
    // The tool joins each name to the container's: both must fit one name.
    const std::size_t joined = cursor.containerName.empty() ? 0 : cursor.containerName.size() + 1;
    const std::uint32_t limit = chunkLimit();
    // One vector for every chunk: a fresh one each time would make every
    // listing call allocate, and free, room for a whole chunk.
    std::vector<resultbuf::ListedObject>& chunk = chunkScratch_;
    chunk.clear();
    std::size_t bytes = resultbuf::kHeaderSize;
    std::size_t pos = cursor.position;
    for (; pos < members.size() && (limit == 0 || chunk.size() < limit); ++pos) {
        const EntryFacts facts = this->facts(ctx.memory.get(), members[pos]);
        std::string name = componentText(deliveredName(ctx, cursor.container, members[pos], facts));
        if (name.size() + joined > kMaxDnChars) {
            reportLeftOut(name, cursor.containerName);
            continue;
        }
        resultbuf::ListedObject item{
            std::move(name), (facts.container ? kObjectFlagContainer : 0) | (facts.alias ? kObjectFlagAlias : 0),
            facts.subordinates, kModificationTime, std::string(facts.baseClass.substr(0, kMaxClassNameChars))};
        const std::size_t size = resultbuf::recordSize(item);
        if (size > room - bytes)
            break;
        bytes += size;
        chunk.push_back(std::move(item));
    }
    if (chunk.empty() && pos < members.size())
        return kErrInsufficientBuffer;
    resultbuf::writeListing(target, chunk);
    cursor.position = static_cast<std::uint32_t>(pos);
    return kSuccess;
}

NWRCODE ClientKit::NWDSGetObjectCount(NWDSContextHandle context, pBuf_T buf, nuint32* count) {
    if (auto f = enter(Call::NWDSGetObjectCount, {}))
        return *f;
    if (this->context(context) == nullptr)
        return kErrBadContext;
    if (buf == nullptr || count == nullptr)
        return kErrNullPointer;
    const Buf_T* target = buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;
    return resultbuf::readObjectCount(*target, count);
}

NWRCODE ClientKit::NWDSGetObjectName(NWDSContextHandle context, pBuf_T buf, char* objectName, nuint32* attrCount,
                                     Object_Info_T* objectInfo) {
    if (auto f = enter(Call::NWDSGetObjectName, {}))
        return *f;
    if (this->context(context) == nullptr)
        return kErrBadContext;
    if (buf == nullptr || objectName == nullptr)
        return kErrNullPointer;
    Buf_T* target = buffer(buf);
    if (target == nullptr)
        return kErrInvalidHandle;
    const NWRCODE rc = resultbuf::readNextObject(*target, objectName, objectInfo);
    if (rc == kSuccess && attrCount != nullptr)
        *attrCount = 0;
    return rc;
}

} // namespace nw
