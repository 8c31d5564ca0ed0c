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

    nw::NWRCODE NWCallsInit(nw::nuint8* a, nw::nuint8* b) override {
        record("NWCallsInit", "");
        return inner_.NWCallsInit(a, b);
    }
    nw::NWRCODE NWGetDefaultConnRef(nw::NWCONN_REF* r) override {
        record("NWGetDefaultConnRef", "");
        return inner_.NWGetDefaultConnRef(r);
    }
    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE c, nw::nuint32 i, nw::nuint32 k, nw::nuint8* rec) override {
        record("NWGetKnownServersInfo", std::to_string(i));
        return inner_.NWGetKnownServersInfo(c, i, k, rec);
    }
    nw::NWRCODE NWGetVolumeName(nw::NWCONN_HANDLE c, nw::nuint16 n, char* name) override {
        record("NWGetVolumeName", std::to_string(n));
        return inner_.NWGetVolumeName(c, n, name);
    }
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32* r,
                                         nw::nint32* u) override {
        record("NWGetObjDiskRestrictions", std::to_string(v) + " " + std::to_string(id));
        return inner_.NWGetObjDiskRestrictions(c, v, id, r, u);
    }
    nw::NWRCODE NWCallsTerm(nw::nuint8* a) override {
        record("NWCallsTerm", "");
        return inner_.NWCallsTerm(a);
    }
    nw::NWRCODE NWCCOpenConnByRef(nw::NWCONN_REF r, nw::nuint32 s, nw::nuint32 x, nw::NWCONN_HANDLE* c) override {
        record("NWCCOpenConnByRef", "");
        return inner_.NWCCOpenConnByRef(r, s, x, c);
    }
    nw::NWRCODE NWCCOpenConnByName(nw::NWCONN_HANDLE st, const char* n, nw::nuint32 f, nw::nuint32 s, nw::nuint32 t,
                                   nw::NWCONN_HANDLE* c) override {
        record("NWCCOpenConnByName", text(n));
        return inner_.NWCCOpenConnByName(st, n, f, s, t, c);
    }
    nw::NWRCODE NWCCGetConnRef(nw::NWCONN_HANDLE c, nw::NWCONN_REF* r) override {
        record("NWCCGetConnRef", "");
        return inner_.NWCCGetConnRef(c, r);
    }
    nw::NWRCODE NWCCCloseConn(nw::NWCONN_HANDLE c) override {
        record("NWCCCloseConn", "");
        return inner_.NWCCCloseConn(c);
    }
    nw::NWRCODE NWNetInit(nw::nuint8* a, nw::nuint8* b) override {
        record("NWNetInit", "");
        return inner_.NWNetInit(a, b);
    }
    nw::NWRCODE NWGetDefaultNameContext(nw::nuint32 size, char* ctx) override {
        record("NWGetDefaultNameContext", "");
        return inner_.NWGetDefaultNameContext(size, ctx);
    }
    nw::NWRCODE NWDSCreateContextHandle(nw::NWDSContextHandle* ctx) override {
        record("NWDSCreateContextHandle", "");
        return inner_.NWDSCreateContextHandle(ctx);
    }
    nw::NWRCODE NWDSSetContext(nw::NWDSContextHandle ctx, nw::nint32 key, const void* v) override {
        record("NWDSSetContext", setContextArgument(key, v));
        return inner_.NWDSSetContext(ctx, key, v);
    }
    nw::NWRCODE NWDSGetContext(nw::NWDSContextHandle ctx, nw::nint32 key, void* v) override {
        record("NWDSGetContext", std::to_string(key));
        return inner_.NWDSGetContext(ctx, key, v);
    }
    nw::NWRCODE NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) override {
        record("NWDSAllocBuf", "");
        return inner_.NWDSAllocBuf(size, buf);
    }
    nw::NWRCODE NWDSList(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        record("NWDSList", text(o));
        return inner_.NWDSList(ctx, o, it, buf);
    }
    nw::NWRCODE NWDSListContainers(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        record("NWDSListContainers", text(o));
        return inner_.NWDSListContainers(ctx, o, it, buf);
    }
    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle ctx, nw::pBuf_T buf, nw::nuint32* n) override {
        record("NWDSGetObjectCount", "");
        return inner_.NWDSGetObjectCount(ctx, buf, n);
    }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle ctx, nw::pBuf_T buf, char* name, nw::nuint32* ac,
                                  nw::Object_Info_T* info) override {
        record("NWDSGetObjectName", "");
        return inner_.NWDSGetObjectName(ctx, buf, name, ac, info);
    }
    nw::NWRCODE NWDSResolveName(nw::NWDSContextHandle ctx, const char* n, nw::NWCONN_HANDLE* c,
                                nw::nuint32* id) override {
        record("NWDSResolveName", text(n));
        return inner_.NWDSResolveName(ctx, n, c, id);
    }
    nw::NWRCODE NWDSFreeBuf(nw::pBuf_T buf) override {
        record("NWDSFreeBuf", "");
        return inner_.NWDSFreeBuf(buf);
    }
    nw::NWRCODE NWDSFreeContext(nw::NWDSContextHandle ctx) override {
        record("NWDSFreeContext", "");
        return inner_.NWDSFreeContext(ctx);
    }
    nw::NWRCODE NWNetTerm(nw::nuint8* a) override {
        record("NWNetTerm", "");
        return inner_.NWNetTerm(a);
    }

protected:
    nw::Client& inner() { return inner_; }

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
    void record(const char* name, const std::string& detail) {
        calls.push_back(detail.empty() ? std::string(name) : std::string(name) + " " + detail);
        if (onCall)
            onCall(calls.back());
    }

    nw::Client& inner_;
};

} // namespace testing_support
