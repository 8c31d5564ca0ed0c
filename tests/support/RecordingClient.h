#pragma once

#include "support/ClientCalls.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Forwards every call to another client and records it, in order, as the
// call's name followed by its salient argument ("NWGetVolumeName 2",
// "NWDSList EAST.SALES"). Tests subclass it to answer a call themselves.
class RecordingClient : public nw::Client {
public:
    explicit RecordingClient(nw::Client& inner) : inner_(inner) {}

    std::vector<std::string> calls;
    // Runs as each call is recorded, before the call is passed on.
    std::function<void(const std::string&)> onCall;

    // The recorded calls whose name starts with `prefix`.
    std::vector<std::string> callsTo(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& call : calls) {
            if (call.rfind(prefix, 0) == 0)
                out.push_back(call);
        }
        return out;
    }

    void watchCalls(nw::CallWatcher* watcher) override { inner_.watchCalls(watcher); }

// Each call recorded with its detail, then handed on unchanged.
#define VORLANE_RECORDED(call, detail, params, args)                                                                   \
    nw::NWRCODE call params override {                                                                                 \
        return pass(#call, detail, [&] { return inner_.call args; });                                                  \
    }
    VORLANE_CLIENT_CALLS(VORLANE_RECORDED)
#undef VORLANE_RECORDED

private:
    // Empty text shows as "" so that it stays visible in the record.
    static std::string text(const char* s) {
        if (s == nullptr)
            return "(null)";
        return *s == '\0' ? std::string("\"\"") : std::string(s);
    }
    static std::string setContextArgument(nw::nint32 key, const void* value) {
        if (key == nw::kContextKeyNameContext)
            return "3 " + text(static_cast<const char*>(value));
        if (key == nw::kContextKeyFlags)
            return "1 " + std::to_string(*static_cast<const nw::nuint32*>(value));
        return std::to_string(key);
    }
    template <typename Call> nw::NWRCODE pass(const char* name, const std::string& detail, Call call) {
        calls.push_back(detail.empty() ? std::string(name) : std::string(name) + " " + detail);
        if (onCall)
            onCall(calls.back());
        return call();
    }

    nw::Client& inner_;
};

} // namespace testing_support
