// The kit's context handles and names: the name context, resolving a name
// from it, and the name a listing delivers for each entry.

#include "netware/ClientKit.h"

#include "netware/Charset.h"

#include <cctype>
#include <cstring>

namespace nw {
namespace {

constexpr std::string_view kRootName = "[Root]";

// What a delivered name is remembered by: its type and value, folded.
std::string key(const NameComponent& name) {
    return foldedCp1252(name.type) + '=' + foldedCp1252(name.value);
}

// A naming value as a name can carry it: a control character (NUL
// included) could neither be read back nor shown, so it goes out as '?'.
std::string printable(std::string_view value) {
    std::string out(value);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    }
    return out;
}

std::string upper(std::string_view type) {
    std::string out(type);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

ClientKit::Context* ClientKit::context(NWDSContextHandle handle) {
    const auto it = contexts_.find(handle);
    return it == contexts_.end() ? nullptr : &it->second;
}

NWRCODE ClientKit::NWNetInit(nuint8*, nuint8*) {
    return enter(Call::NWNetInit, {}).value_or(kSuccess);
}

NWRCODE ClientKit::NWNetTerm(nuint8*) {
    return enter(Call::NWNetTerm, {}).value_or(kSuccess);
}

NWRCODE ClientKit::NWGetDefaultNameContext(nuint32 size, char* context) {
    if (auto f = enter(Call::NWGetDefaultNameContext, {}))
        return *f;
    if (context == nullptr)
        return kErrNullPointer;
    const std::string text = defaultNameContext();
    if (text.size() >= size)
        return kErrInsufficientBuffer;
    std::memcpy(context, text.data(), text.size());
    context[text.size()] = '\0';
    return kSuccess;
}

// A new context handle starts at the workstation's default context, as the
// libraries' own do; at [Root] when that is no name.
NWRCODE ClientKit::NWDSCreateContextHandle(NWDSContextHandle* context) {
    if (auto f = enter(Call::NWDSCreateContextHandle, {}))
        return *f;
    if (context == nullptr)
        return kErrNullPointer;
    Context made;
    made.nameContext = defaultNameContext();
    if (made.nameContext.empty() || parseName(made.nameContext, namingTypes_, made.name) != kSuccess) {
        made.nameContext = kRootName;
        made.name = DottedName{true, {}};
    }
    made.memory = newContextMemory();
    while (contexts_.contains(nextContext_) || nextContext_ == 0)
        ++nextContext_;
    const NWDSContextHandle handle = nextContext_++;
    contexts_.emplace(handle, std::move(made));
    *context = handle;
    return kSuccess;
}

namespace {

// Why a key of a context cannot be set or read: an unknown handle, no value,
// or a key other than the flags and the name context; kSuccess otherwise.
NWRCODE contextKeyRefusal(bool known, nint32 key, const void* value) {
    if (!known)
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key != kContextKeyFlags && key != kContextKeyNameContext)
        return kErrBadKey;
    return kSuccess;
}

} // namespace

NWRCODE ClientKit::NWDSSetContext(NWDSContextHandle handle, nint32 key, const void* value) {
    const auto text = key == kContextKeyNameContext ? boundedText(static_cast<const char*>(value)) : std::nullopt;
    if (auto f = enter(Call::NWDSSetContext, {{}, text, {}}))
        return *f;
    Context* ctx = context(handle);
    if (const NWRCODE rc = contextKeyRefusal(ctx != nullptr, key, value); rc != kSuccess)
        return rc;
    if (key == kContextKeyFlags) {
        std::memcpy(&ctx->flags, value, sizeof ctx->flags);
        return kSuccess;
    }
    // The name context is a full name from [Root]. The empty text names no
    // context at all, so it is refused like any other text that is no name.
    // A valid name of a context that does not exist is accepted; using it
    // then finds nothing.
    DottedName name;
    if (text->empty() || parseName(*text, namingTypes_, name) != kSuccess)
        return kInvalidDsName;
    ctx->nameContext = std::string(*text);
    ctx->name = std::move(name);
    ctx->base = kNoEntryId; // found again under the new name
    return kSuccess;
}

NWRCODE ClientKit::NWDSGetContext(NWDSContextHandle handle, nint32 key, void* value) {
    if (auto f = enter(Call::NWDSGetContext, {}))
        return *f;
    const Context* ctx = context(handle);
    if (const NWRCODE rc = contextKeyRefusal(ctx != nullptr, key, value); rc != kSuccess)
        return rc;
    if (key == kContextKeyFlags) {
        std::memcpy(value, &ctx->flags, sizeof ctx->flags);
        return kSuccess;
    }
    // The text comes back as it was set, into the documented 257 bytes.
    const std::size_t length = std::min(ctx->nameContext.size(), kNameBufferSize - 1);
    auto* out = static_cast<char*>(value);
    std::memcpy(out, ctx->nameContext.data(), length);
    out[length] = '\0';
    return kSuccess;
}

NWRCODE ClientKit::NWDSResolveName(NWDSContextHandle handle, const char* objectName, NWCONN_HANDLE* conn,
                                   nuint32* objectId) {
    const auto text = boundedText(objectName);
    if (auto f = enter(Call::NWDSResolveName, {{}, text, {}}))
        return *f;
    Context* ctx = context(handle);
    if (ctx == nullptr)
        return kErrBadContext;
    if (objectName == nullptr || conn == nullptr || objectId == nullptr)
        return kErrNullPointer;
    EntryId entry = kNoEntryId;
    if (const NWRCODE rc = resolve(*ctx, *text, entry); rc != kSuccess)
        return rc;
    // The connection handed back is one to the server holding the
    // directory: the default server.
    if (defaultServer() >= serverCount())
        return kErrUnreachableServer;
    *conn = open(defaultServer());
    *objectId = objectIdOf(ctx->memory.get(), entry);
    return kSuccess;
}

NWRCODE ClientKit::NWDSFreeContext(NWDSContextHandle handle) {
    if (auto f = enter(Call::NWDSFreeContext, {}))
        return *f;
    const auto it = contexts_.find(handle);
    if (it == contexts_.end())
        return kErrBadContext;
    // Listings not run to their end go with their context.
    std::erase_if(iterations_, [handle](const auto& iteration) { return iteration.second.context == handle; });
    contexts_.erase(it);
    return kSuccess;
}

// Follows the components down from `from`, outermost first: a name this
// context delivered to the entry it was delivered for, any other through
// the client's own lookup.
NWRCODE ClientKit::walk(Context& ctx, EntryId from, const std::vector<NameComponent>& components, EntryId& out) {
    EntryId at = from;
    for (auto component = components.rbegin(); component != components.rend(); ++component) {
        if (!ctx.delivered.empty()) {
            if (const auto hit = ctx.delivered.find({at, key(*component)}); hit != ctx.delivered.end()) {
                at = hit->second;
                continue;
            }
        }
        if (const NWRCODE rc = child(ctx.memory.get(), at, *component, at); rc != kSuccess)
            return rc;
    }
    out = at;
    return kSuccess;
}

// Names are read relative to the name context, unless they are [Root].
NWRCODE ClientKit::resolve(Context& ctx, std::string_view text, EntryId& out) {
    DottedName name;
    if (const NWRCODE rc = parseName(text, namingTypes_, name); rc != kSuccess)
        return rc;
    const EntryId top = root(ctx.memory.get());
    if (top == kNoEntryId)
        return kNoSuchEntry;
    if (name.root || ctx.name.root)
        return walk(ctx, top, name.components, out);
    if (ctx.base == kNoEntryId) {
        if (const NWRCODE rc = walk(ctx, top, ctx.name.components, ctx.base); rc != kSuccess)
            return rc;
    }
    return walk(ctx, ctx.base, name.components, out);
}

// The entry a name of the container gives now: one this context delivered
// under that name, else the one the client's own lookup finds; kNoEntryId
// when there is none.
EntryId ClientKit::holder(Context& ctx, EntryId container, const NameComponent& name) {
    if (!ctx.delivered.empty()) {
        if (const auto hit = ctx.delivered.find({container, key(name)}); hit != ctx.delivered.end())
            return hit->second;
    }
    EntryId found = kNoEntryId;
    return child(ctx.memory.get(), container, name, found) == kSuccess ? found : kNoEntryId;
}

// The name a listing delivers for an entry of the container: its own,
// typed when the context asks for typed names and the type can be read back.
// When that name would give another entry (a sibling of the same name, a
// '?' that stands for another character), it gets the first "~N" ending
// that gives none, and the context remembers which entry it stands for.
NameComponent ClientKit::deliveredName(Context& ctx, EntryId container, EntryId entry, const EntryFacts& facts) {
    const bool typed = (ctx.flags & kContextFlagTypelessNames) == 0 && namingTypes_(facts.type);
    NameComponent own{typed ? upper(facts.type) : std::string(), printable(facts.value)};
    EntryId found = holder(ctx, container, own);
    if (found == entry)
        return own;
    NameComponent name = own;
    for (unsigned n = 2; found != kNoEntryId; ++n) {
        name.value = own.value + '~' + std::to_string(n);
        found = holder(ctx, container, name);
        if (found == entry)
            return name;
    }
    ctx.delivered.emplace(std::pair(container, key(name)), entry);
    return name;
}

} // namespace nw
