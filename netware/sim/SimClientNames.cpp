#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <algorithm>
#include <cstring>

namespace nwsim {

Context* SimClient::State::context(nw::NWDSContextHandle handle) {
    auto it = contexts.find(handle);
    return it == contexts.end() ? nullptr : &it->second;
}

// Follows the components of `name` down from `start`, outermost first.
std::uint32_t SimClient::State::descend(std::uint32_t start, const DsName& name) const {
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
// first. Anything else is left to the parser (nothing returned), which also
// knows what text is no name.
std::optional<std::uint32_t> SimClient::State::descendPlain(std::uint32_t start, std::string_view text) const {
    const auto special = [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '=' || c == '+';
    };
    if (text.empty() || text.front() == '.' || text.back() == '.' || text.find("..") != std::string_view::npos ||
        std::any_of(text.begin(), text.end(), special) || nw::equalFoldedCp1252(text, "[Root]"))
        return std::nullopt;
    std::uint32_t at = start;
    for (std::size_t end = text.size(); at != kNoEntry;) {
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
nw::NWRCODE SimClient::State::resolve(const Context& ctx, std::string_view text, std::uint32_t& entry) const {
    if (text.size() > nw::kMaxDnChars)
        return nw::kInvalidDsName;
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

namespace {

// Why a key of a context cannot be set or read: an unknown handle, no value,
// or a key other than the flags and the name context; kSuccess otherwise.
nw::NWRCODE contextKeyRefusal(const Context* ctx, nw::nint32 key, const void* value) {
    if (ctx == nullptr)
        return kErrBadContext;
    if (value == nullptr)
        return kErrNullPointer;
    if (key != nw::kContextKeyFlags && key != nw::kContextKeyNameContext)
        return kErrBadKey;
    return nw::kSuccess;
}

} // namespace

nw::NWRCODE SimClient::NWDSSetContext(nw::NWDSContextHandle context, nw::nint32 key, const void* value) {
    State& s = *state_;
    const auto text = key == nw::kContextKeyNameContext ? boundedText(static_cast<const char*>(value)) : std::nullopt;
    if (auto f = s.enter(Call::NWDSSetContext, {{}, text, {}}))
        return *f;
    Context* ctx = s.context(context);
    if (const nw::NWRCODE rc = contextKeyRefusal(ctx, key, value); rc != nw::kSuccess)
        return rc;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(&ctx->flags, value, sizeof ctx->flags);
        return nw::kSuccess;
    }
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
    const Context* ctx = s.context(context);
    if (const nw::NWRCODE rc = contextKeyRefusal(ctx, key, value); rc != nw::kSuccess)
        return rc;
    if (key == nw::kContextKeyFlags) {
        std::memcpy(value, &ctx->flags, sizeof ctx->flags);
        return nw::kSuccess;
    }
    // The text comes back as it was set; it never exceeds kMaxDnChars.
    auto* out = static_cast<char*>(value);
    std::memcpy(out, ctx->nameContext.data(), ctx->nameContext.size());
    out[ctx->nameContext.size()] = '\0';
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWDSResolveName(nw::NWDSContextHandle context, const char* objectName, nw::NWCONN_HANDLE* conn,
                                       nw::nuint32* objectId) {
    State& s = *state_;
    const auto text = boundedText(objectName);
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

nw::NWRCODE SimClient::NWDSFreeContext(nw::NWDSContextHandle context) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWDSFreeContext, {}))
        return *f;
    auto it = s.contexts.find(context);
    if (it == s.contexts.end())
        return kErrBadContext;
    // Listings not run to their end go with their context.
    std::erase_if(s.iterations, [&](const auto& iteration) { return iteration.second.context == context; });
    s.contexts.erase(it);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWNetTerm(nw::nuint8*) {
    if (auto f = state_->enter(Call::NWNetTerm, {}))
        return *f;
    return nw::kSuccess;
}

} // namespace nwsim
