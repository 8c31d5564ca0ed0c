#pragma once

#include "netware/Client.h"
#include "report/ListingControl.h"

namespace vorlane {

// Thrown out of a client call that returned after the listing was
// cancelled; the listing catches it once, at its top. Every handle a
// listing holds sits in a guard, so the unwinding gives back all it took.
struct ListingStopped {};

// The client as a listing sees it. Before and after every call it asks the
// listing's control whether the listing has been cancelled and, if so, ends
// the listing right there: stopping after a call is a property of the client
// the listing talks to, not a check at each place it makes a call. The
// calls that give something back never stop the listing, since the
// unwinding itself makes them.
class StoppableClient final : public nw::Client {
public:
    StoppableClient(nw::Client& inner, ListingControl& control) : inner_(inner), control_(control) {}

    void watchCalls(nw::CallWatcher* watcher) override { inner_.watchCalls(watcher); }

    nw::NWRCODE NWCallsInit(nw::nuint8* a, nw::nuint8* b) override { return before(), after(inner_.NWCallsInit(a, b)); }
    nw::NWRCODE NWGetDefaultConnRef(nw::NWCONN_REF* r) override {
        return before(), after(inner_.NWGetDefaultConnRef(r));
    }
    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE c, nw::nuint32 i, nw::nuint32 k, nw::nuint8* rec) override {
        return before(), after(inner_.NWGetKnownServersInfo(c, i, k, rec));
    }
    nw::NWRCODE NWGetVolumeName(nw::NWCONN_HANDLE c, nw::nuint16 n, char* name) override {
        return before(), after(inner_.NWGetVolumeName(c, n, name));
    }
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32* r,
                                         nw::nint32* u) override {
        return before(), after(inner_.NWGetObjDiskRestrictions(c, v, id, r, u));
    }
    nw::NWRCODE NWCallsTerm(nw::nuint8* a) override { return inner_.NWCallsTerm(a); }
    nw::NWRCODE NWCCOpenConnByRef(nw::NWCONN_REF r, nw::nuint32 s, nw::nuint32 x, nw::NWCONN_HANDLE* c) override {
        return before(), handedOut(inner_.NWCCOpenConnByRef(r, s, x, c), &Client::NWCCCloseConn, c);
    }
    nw::NWRCODE NWCCOpenConnByName(nw::NWCONN_HANDLE st, const char* n, nw::nuint32 f, nw::nuint32 s, nw::nuint32 t,
                                   nw::NWCONN_HANDLE* c) override {
        return before(), handedOut(inner_.NWCCOpenConnByName(st, n, f, s, t, c), &Client::NWCCCloseConn, c);
    }
    nw::NWRCODE NWCCGetConnRef(nw::NWCONN_HANDLE c, nw::NWCONN_REF* r) override {
        return before(), after(inner_.NWCCGetConnRef(c, r));
    }
    nw::NWRCODE NWCCCloseConn(nw::NWCONN_HANDLE c) override { return inner_.NWCCCloseConn(c); }
    nw::NWRCODE NWNetInit(nw::nuint8* a, nw::nuint8* b) override { return before(), after(inner_.NWNetInit(a, b)); }
    nw::NWRCODE NWGetDefaultNameContext(nw::nuint32 size, char* ctx) override {
        return before(), after(inner_.NWGetDefaultNameContext(size, ctx));
    }
    nw::NWRCODE NWDSCreateContextHandle(nw::NWDSContextHandle* ctx) override {
        return before(), handedOut(inner_.NWDSCreateContextHandle(ctx), &Client::NWDSFreeContext, ctx);
    }
    nw::NWRCODE NWDSSetContext(nw::NWDSContextHandle ctx, nw::nint32 key, const void* v) override {
        return before(), after(inner_.NWDSSetContext(ctx, key, v));
    }
    nw::NWRCODE NWDSGetContext(nw::NWDSContextHandle ctx, nw::nint32 key, void* v) override {
        return before(), after(inner_.NWDSGetContext(ctx, key, v));
    }
    nw::NWRCODE NWDSAllocBuf(nw::nuint32 size, nw::pBuf_T* buf) override {
        return before(), handedOut(inner_.NWDSAllocBuf(size, buf), &Client::NWDSFreeBuf, buf);
    }
    nw::NWRCODE NWDSList(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        return before(), after(inner_.NWDSList(ctx, o, it, buf));
    }
    nw::NWRCODE NWDSListContainers(nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf) override {
        return before(), after(inner_.NWDSListContainers(ctx, o, it, buf));
    }
    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle ctx, nw::pBuf_T buf, nw::nuint32* n) override {
        return before(), after(inner_.NWDSGetObjectCount(ctx, buf, n));
    }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle ctx, nw::pBuf_T buf, char* name, nw::nuint32* ac,
                                  nw::Object_Info_T* info) override {
        return before(), after(inner_.NWDSGetObjectName(ctx, buf, name, ac, info));
    }
    nw::NWRCODE NWDSResolveName(nw::NWDSContextHandle ctx, const char* n, nw::NWCONN_HANDLE* c,
                                nw::nuint32* id) override {
        return before(), handedOut(inner_.NWDSResolveName(ctx, n, c, id), &Client::NWCCCloseConn, c);
    }
    nw::NWRCODE NWDSFreeBuf(nw::pBuf_T buf) override { return inner_.NWDSFreeBuf(buf); }
    nw::NWRCODE NWDSFreeContext(nw::NWDSContextHandle ctx) override { return inner_.NWDSFreeContext(ctx); }
    nw::NWRCODE NWNetTerm(nw::nuint8* a) override { return inner_.NWNetTerm(a); }

private:
    // A call that hands something out and returns after a cancel gives it
    // back at once: the caller never gets to put it in a guard.
    template <typename Handle>
    nw::NWRCODE handedOut(nw::NWRCODE rc, nw::NWRCODE (nw::Client::*release)(Handle), Handle* handle) {
        if (control_.callReturned()) {
            if (rc == nw::kSuccess && handle != nullptr)
                (inner_.*release)(*handle);
            throw ListingStopped{};
        }
        return rc;
    }
    // A listing cancelled while it gave something back makes no further
    // call at all.
    void before() const {
        if (control_.cancelled())
            throw ListingStopped{};
    }
    nw::NWRCODE after(nw::NWRCODE rc) {
        if (control_.callReturned())
            throw ListingStopped{};
        return rc;
    }

    nw::Client& inner_;
    ListingControl& control_;
};

} // namespace vorlane
