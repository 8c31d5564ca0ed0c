#pragma once

#include "netware/Client.h"

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
    nw::NWRCODE NWCallsInit(nw::nuint8* a, nw::nuint8* b) override {
        return pass("NWCallsInit", {}, &Client::NWCallsInit, a, b);
    }
    nw::NWRCODE NWGetDefaultConnRef(nw::NWCONN_REF* r) override {
        return pass("NWGetDefaultConnRef", {}, &Client::NWGetDefaultConnRef, r);
    }
    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE c, nw::nuint32 i, nw::nuint32 k, nw::nuint8* rec) override {
        return pass("NWGetKnownServersInfo", std::to_string(i), &Client::NWGetKnownServersInfo, c, i, k, rec);
    }
    nw::NWRCODE NWGetVolumeName(nw::NWCONN_HANDLE c, nw::nuint16 n, char* name) override {
        return pass("NWGetVolumeName", std::to_string(n), &Client::NWGetVolumeName, c, n, name);
    }
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32* r,
                                         nw::nint32* u) override {
        return pass("NWGetObjDiskRestrictions", std::to_string(v) + " " + std::to_string(id),
                    &Client::NWGetObjDiskRestrictions, c, v, id, r, u);
    }
    nw::NWRCODE NWCallsTerm(nw::nuint8* a) override { return pass("NWCallsTerm", {}, &Client::NWCallsTerm, a); }
    nw::NWRCODE NWCCOpenConnByRef(nw::NWCONN_REF r, nw::nuint32 s, nw::nuint32 x, nw::NWCONN_HANDLE* c) override {
        return pass("NWCCOpenConnByRef", {}, &Client::NWCCOpenConnByRef, r, s, x, c);
    }
    nw::NWRCODE NWCCOpenConnByName(nw::NWCONN_HANDLE st, const char* n, nw::nuint32 f, nw::nuint32 s, nw::nuint32 t,
                                   nw::NWCONN_HANDLE* c) override {
        return pass("NWCCOpenConnByName", text(n), &Client::NWCCOpenConnByName, st, n, f, s, t, c);
    }
    nw::NWRCODE NWCCGetConnRef(nw::NWCONN_HANDLE c, nw::NWCONN_REF* r) override {
        return pass("NWCCGetConnRef", {}, &Client::NWCCGetConnRef, c, r);
    }
    nw::NWRCODE NWCCCloseConn(nw::NWCONN_HANDLE c) override {
        return pass("NWCCCloseConn", {}, &Client::NWCCCloseConn, c);
    }
    nw::NWRCODE NWNetInit(nw::nuint8* a, nw::nuint8* b) override {
        return pass("NWNetInit", {}, &Client::NWNetInit, a, b);
    }
    nw::NWRCODE NWGetDefaultNameContext(nw::nuint32 size, char* ctx) override {
        return pass("NWGetDefaultNameContext", {}, &Client::NWGetDefaultNameContext, size, ctx);
    }
    nw::NWRCODE NWDSCreateContextHandle(nw::NWDSContextHandle* ctx) override {
        return pass("NWDSCreateContextHandle", {}, &Client::NWDSCreateContextHandle, ctx);
    }
    nw::NWRCODE NWDSSetContext(nw::NWDSContextHandle ctx, nw::nint32 key, const void* v) override {
        return pass("NWDSSetContext", setContextArgument(key, v), &Client::NWDSSetContext, ctx, key, v);
    }
    nw::NWRCODE NWDSGetContext(nw::NWDSContextHandle ctx, nw::nint32 key, void* v) override {
        return pass("NWDSGetContext", std::to_string(key), &Client::NWDSGetContext, ctx, key, v);
    }
    nw::NWRCODE NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) override {
        return pass("NWDSAllocBuf", {}, &Client::NWDSAllocBuf, size, buf);
    }
    nw::NWRCODE NWDSList(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        return pass("NWDSList", text(o), &Client::NWDSList, ctx, o, it, buf);
    }
    nw::NWRCODE NWDSListContainers(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        return pass("NWDSListContainers", text(o), &Client::NWDSListContainers, ctx, o, it, buf);
    }
    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle ctx, nw::pBuf_T buf, nw::nuint32* n) override {
        return pass("NWDSGetObjectCount", {}, &Client::NWDSGetObjectCount, ctx, buf, n);
    }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle ctx, nw::pBuf_T buf, char* name, nw::nuint32* ac,
                                  nw::Object_Info_T* info) override {
        return pass("NWDSGetObjectName", {}, &Client::NWDSGetObjectName, ctx, buf, name, ac, info);
    }
    nw::NWRCODE NWDSResolveName(nw::NWDSContextHandle ctx, const char* n, nw::NWCONN_HANDLE* c,
                                nw::nuint32* id) override {
        return pass("NWDSResolveName", text(n), &Client::NWDSResolveName, ctx, n, c, id);
    }
    nw::NWRCODE NWDSFreeBuf(nw::pBuf_T buf) override { return pass("NWDSFreeBuf", {}, &Client::NWDSFreeBuf, buf); }
    nw::NWRCODE NWDSFreeContext(nw::NWDSContextHandle ctx) override {
        return pass("NWDSFreeContext", {}, &Client::NWDSFreeContext, ctx);
    }
    nw::NWRCODE NWNetTerm(nw::nuint8* a) override { return pass("NWNetTerm", {}, &Client::NWNetTerm, a); }

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
    // Records the call, then hands it on unchanged.
    template <typename... Params, typename... Args>
    nw::NWRCODE pass(const char* name, const std::string& detail, nw::NWRCODE (Client::*call)(Params...),
                     Args... args) {
        calls.push_back(detail.empty() ? std::string(name) : std::string(name) + " " + detail);
        if (onCall)
            onCall(calls.back());
        return (inner_.*call)(args...);
    }

    nw::Client& inner_;
};

} // namespace testing_support
