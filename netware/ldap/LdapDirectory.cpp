// The directory services library of the directory client: context handles,
// names, listings and result buffers over the directory.

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"

#include <cctype>
#include <cstring>

namespace nwldap {
namespace {

// The name a listing delivers for an entry: its own component, relative to
// the listed container, escaped so that it can be passed straight back.
std::string deliveredName(const Entry& entry, bool typeless) {
    std::string name = escapeValue(entry.name8);
    // Alone and typeless, "[Root]" would name the top of the tree.
    if (typeless && foldedKey(entry.name8) == foldedKey("[Root]"))
        return '\\' + name;
    if (typeless)
        return name;
    std::string type = entry.type;
    for (char& c : type)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return type + "=" + name;
}

} // namespace

nw::NWRCODE LdapClient::NWGetDefaultNameContext(nw::nuint32 size, char* context) {
    if (context == nullptr)
        return kErrNullPointer;
    if (defaultContext_.size() + 1 > size)
        return kErrInsufficientBuffer;
    std::memcpy(context, defaultContext_.c_str(), defaultContext_.size() + 1);
    return nw::kSuccess;
}

// A new context handle starts at the workstation's default context, as the
// client libraries' own do, and with a memory of the directory of its own.
nw::NWRCODE LdapClient::NWDSCreateContextHandle(nw::NWDSContextHandle* context) {
    if (context == nullptr)
        return kErrNullPointer;
    Context made;
    if (parseName(defaultContext_, made.name) != nw::kSuccess)
        made.name = DottedName{true, {}};
    made.nameContext = defaultContext_;
    made.tree = std::make_unique<DirectoryTree>(directory_->namingContexts());
    *context = nextContext_++;
    contexts_.emplace(*context, std::move(made));
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSSetContext(nw::NWDSContextHandle context, nw::nint32 key, const void* value) {
    const auto it = contexts_.find(context);
    if (it == contexts_.end())
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(&it->second.flags, value, sizeof(nw::nuint32));
        return nw::kSuccess;
    }
    if (key != nw::kContextKeyNameContext)
        return kErrBadKey;
    // A name context is a full name: the empty text names none.
    const char* text = static_cast<const char*>(value);
    DottedName name;
    if (*text == '\0' || parseName(text, name) != nw::kSuccess)
        return nw::kInvalidDsName;
    it->second.name = std::move(name);
    it->second.nameContext = text;
    it->second.base = nullptr; // found again under the new name
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSGetContext(nw::NWDSContextHandle context, nw::nint32 key, void* value) {
    const auto it = contexts_.find(context);
    if (it == contexts_.end())
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(value, &it->second.flags, sizeof(nw::nuint32));
        return nw::kSuccess;
    }
    if (key != nw::kContextKeyNameContext)
        return kErrBadKey;
    const std::string& text = it->second.nameContext;
    std::memcpy(value, text.c_str(), text.size() + 1);
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) {
    if (buf == nullptr)
        return kErrNullPointer;
    if (size == 0)
        return kErrBufferZeroLength;
    if (size > kMaxBufferSize)
        return kErrNotEnoughMemory;
    auto made = std::make_unique<ChunkBuffer>(size);
    // The tool never looks inside a buffer: the pointer it holds is only a
    // key to this one, and is never read through.
    *buf = reinterpret_cast<nw::pBuf_T>(made.get());
    buffers_.emplace(*buf, std::move(made));
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSFreeBuf(nw::pBuf_T buf) {
    if (buf == nullptr)
        return kErrNullPointer;
    return buffers_.erase(buf) == 1 ? nw::kSuccess : kErrInvalidHandle;
}

nw::NWRCODE LdapClient::NWDSFreeContext(nw::NWDSContextHandle context) {
    if (contexts_.erase(context) == 0)
        return kErrBadContext;
    std::erase_if(iterations_, [context](const auto& item) { return item.second.context == context; });
    return nw::kSuccess;
}

ChunkBuffer* LdapClient::buffer(nw::pBuf_T buf) {
    const auto it = buffers_.find(buf);
    return it == buffers_.end() ? nullptr : it->second.get();
}

ChunkBuffer* LdapClient::chunkToRead(nw::NWDSContextHandle context, nw::pBuf_T buf, const void* out,
                                     nw::NWRCODE& refusal) {
    if (contexts_.find(context) == contexts_.end()) {
        refusal = kErrBadContext;
        return nullptr;
    }
    if (buf == nullptr || out == nullptr) {
        refusal = kErrNullPointer;
        return nullptr;
    }
    ChunkBuffer* chunk = buffer(buf);
    refusal = chunk == nullptr ? kErrInvalidHandle : nw::kSuccess;
    return chunk;
}

nw::NWRCODE LdapClient::fetchChildren(Entry& parent) {
    std::vector<std::unique_ptr<Entry>> children;
    const int rc = directory_->readChildren(parent.dn, children);
    if (rc != 0)
        return codeForLdap(rc);
    parent.replaceChildren(std::move(children));
    return nw::kSuccess;
}

// Names are read from the root down: the name context's components, then
// the name's own, unless the name starts at the root itself.
nw::NWRCODE LdapClient::resolve(Context& context, const char* name, Entry*& out) {
    DottedName parsed;
    if (const nw::NWRCODE rc = parseName(name, parsed); rc != nw::kSuccess)
        return rc;
    const FetchChildren fetch = [this](Entry& parent) { return fetchChildren(parent); };
    Entry& root = context.tree->root();
    if (parsed.root || context.name.root)
        return DirectoryTree::resolve(root, parsed.components, fetch, out);
    if (context.base == nullptr) {
        if (const nw::NWRCODE rc = DirectoryTree::resolve(root, context.name.components, fetch, context.base);
            rc != nw::kSuccess)
            return rc;
    }
    return DirectoryTree::resolve(*context.base, parsed.components, fetch, out);
}

nw::NWRCODE LdapClient::NWDSResolveName(nw::NWDSContextHandle context, const char* objectName, nw::NWCONN_HANDLE* conn,
                                        nw::nuint32* objectId) {
    const auto it = contexts_.find(context);
    if (it == contexts_.end())
        return kErrBadContext;
    if (objectName == nullptr || conn == nullptr || objectId == nullptr)
        return kErrNullPointer;
    Entry* entry = nullptr;
    if (const nw::NWRCODE rc = resolve(it->second, objectName, entry); rc != nw::kSuccess)
        return rc;
    *objectId = entry->objectId;
    *conn = openConnection();
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSList(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle,
                                 nw::pBuf_T buf) {
    return list(context, object, iterationHandle, buf, false);
}

nw::NWRCODE LdapClient::NWDSListContainers(nw::NWDSContextHandle context, const char* object,
                                           nw::nint32* iterationHandle, nw::pBuf_T buf) {
    return list(context, object, iterationHandle, buf, true);
}

// The whole container is read at its first chunk, in pages, and kept with
// the context: the directory may drop a paged search as soon as another
// search runs on the connection, and the tool interleaves listings (a walk
// goes down into a container before its parent's listing has ended).
nw::NWRCODE LdapClient::startIteration(nw::NWDSContextHandle handle, const char* object, bool containersOnly,
                                       Iteration& out) {
    Entry* container = nullptr;
    if (const nw::NWRCODE rc = resolve(contexts_.at(handle), object, container); rc != nw::kSuccess)
        return rc;
    if (!container->childrenKnown) {
        if (const nw::NWRCODE rc = fetchChildren(*container); rc != nw::kSuccess)
            return rc;
    }
    out = Iteration{handle, container, 0, containersOnly};
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::fillChunk(Iteration& iteration, nw::nuint32 flags, ChunkBuffer& buffer) {
    buffer.clear();
    const auto& children = iteration.container->children;
    const bool typeless = (flags & nw::kContextFlagTypelessNames) != 0;
    bool any = false;
    for (; iteration.next < children.size(); ++iteration.next) {
        const Entry& child = *children[iteration.next];
        if (iteration.containersOnly && !child.container)
            continue;
        ListedName listed{deliveredName(child, typeless), child.container ? kContainerFlag : 0, child.baseClass};
        if (listed.name.size() > nw::kMaxDnChars)
            return kErrDnTooLong;
        if (!buffer.add(std::move(listed)))
            return any ? nw::kSuccess : kErrInsufficientBuffer;
        any = true;
    }
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::list(nw::NWDSContextHandle context, const char* object, nw::nint32* iterationHandle,
                             nw::pBuf_T buf, bool containersOnly) {
    const auto owner = contexts_.find(context);
    if (owner == contexts_.end())
        return kErrBadContext;
    if (object == nullptr || iterationHandle == nullptr || buf == nullptr)
        return kErrNullPointer;
    ChunkBuffer* chunk = buffer(buf);
    if (chunk == nullptr)
        return kErrInvalidHandle;

    Iteration iteration;
    const nw::nint32 handle = *iterationHandle;
    if (handle == -1) {
        if (const nw::NWRCODE rc = startIteration(context, object, containersOnly, iteration); rc != nw::kSuccess)
            return rc;
    } else {
        const auto it = iterations_.find(handle);
        if (it == iterations_.end() || it->second.context != context || it->second.containersOnly != containersOnly)
            return kErrInvalidIteration;
        iteration = it->second;
        iterations_.erase(it);
    }
    if (const nw::NWRCODE rc = fillChunk(iteration, owner->second.flags, *chunk); rc != nw::kSuccess)
        return rc;
    if (iteration.next == iteration.container->children.size()) {
        *iterationHandle = -1;
        return nw::kSuccess;
    }
    const nw::nint32 next = handle == -1 ? nextIteration_++ : handle;
    iterations_.emplace(next, iteration);
    *iterationHandle = next;
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWDSGetObjectCount(nw::NWDSContextHandle context, nw::pBuf_T buf, nw::nuint32* count) {
    nw::NWRCODE refusal = nw::kSuccess;
    ChunkBuffer* chunk = chunkToRead(context, buf, count, refusal);
    if (chunk == nullptr)
        return refusal;
    return chunk->count(count);
}

nw::NWRCODE LdapClient::NWDSGetObjectName(nw::NWDSContextHandle context, nw::pBuf_T buf, char* objectName,
                                          nw::nuint32* attrCount, nw::Object_Info_T* objectInfo) {
    nw::NWRCODE refusal = nw::kSuccess;
    ChunkBuffer* chunk = chunkToRead(context, buf, objectName, refusal);
    if (chunk == nullptr)
        return refusal;
    const nw::NWRCODE rc = chunk->next(objectName, objectInfo);
    if (rc == nw::kSuccess && attrCount != nullptr)
        *attrCount = 0;
    return rc;
}

} // namespace nwldap
