#pragma once

// What the fuzz targets share: a property check that the fuzzer sees as a
// crash, and a client that refuses every call, for targets that stand in for
// a hostile client by overriding the one call they care about.

#include "netware/Client.h"

#include <cstdio>
#include <cstdlib>

// A broken property aborts, which libFuzzer records as a crash with the
// input that caused it.
#define FUZZ_REQUIRE(condition)                                                                                        \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition);                      \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)

namespace fuzzing {

inline constexpr nw::NWRCODE kRefused = 0x8836;

class RefusingClient : public nw::Client {
public:
    nw::NWRCODE NWCallsInit(nw::nuint8*, nw::nuint8*) override { return kRefused; }
    nw::NWRCODE NWGetDefaultConnRef(nw::NWCONN_REF*) override { return kRefused; }
    nw::NWRCODE NWGetKnownServersInfo(nw::NWCONN_HANDLE, nw::nuint32, nw::nuint32, nw::nuint8*) override {
        return kRefused;
    }
    nw::NWRCODE NWGetVolumeName(nw::NWCONN_HANDLE, nw::nuint16, char*) override { return kRefused; }
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE, nw::nuint8, nw::nuint32, nw::nint32*,
                                         nw::nint32*) override {
        return kRefused;
    }
    nw::NWRCODE NWCallsTerm(nw::nuint8*) override { return kRefused; }
    nw::NWRCODE NWCCOpenConnByRef(nw::NWCONN_REF, nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE*) override {
        return kRefused;
    }
    nw::NWRCODE NWCCOpenConnByName(nw::NWCONN_HANDLE, const char*, nw::nuint32, nw::nuint32, nw::nuint32,
                                   nw::NWCONN_HANDLE*) override {
        return kRefused;
    }
    nw::NWRCODE NWCCGetConnRef(nw::NWCONN_HANDLE, nw::NWCONN_REF*) override { return kRefused; }
    nw::NWRCODE NWCCCloseConn(nw::NWCONN_HANDLE) override { return kRefused; }
    nw::NWRCODE NWNetInit(nw::nuint8*, nw::nuint8*) override { return kRefused; }
    nw::NWRCODE NWGetDefaultNameContext(nw::nuint32, char*) override { return kRefused; }
    nw::NWRCODE NWDSCreateContextHandle(nw::NWDSContextHandle*) override { return kRefused; }
    nw::NWRCODE NWDSSetContext(nw::NWDSContextHandle, nw::nint32, const void*) override { return kRefused; }
    nw::NWRCODE NWDSGetContext(nw::NWDSContextHandle, nw::nint32, void*) override { return kRefused; }
    nw::NWRCODE NWDSAllocBuf(nw::nuint32, nw::pBuf_T*) override { return kRefused; }
    nw::NWRCODE NWDSList(nw::NWDSContextHandle, const char*, nw::nint32*, nw::pBuf_T) override { return kRefused; }
    nw::NWRCODE NWDSListContainers(nw::NWDSContextHandle, const char*, nw::nint32*, nw::pBuf_T) override {
        return kRefused;
    }
    nw::NWRCODE NWDSGetObjectCount(nw::NWDSContextHandle, nw::pBuf_T, nw::nuint32*) override { return kRefused; }
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle, nw::pBuf_T, char*, nw::nuint32*, nw::Object_Info_T*) override {
        return kRefused;
    }
    nw::NWRCODE NWDSResolveName(nw::NWDSContextHandle, const char*, nw::NWCONN_HANDLE*, nw::nuint32*) override {
        return kRefused;
    }
    nw::NWRCODE NWDSFreeBuf(nw::pBuf_T) override { return kRefused; }
    nw::NWRCODE NWDSFreeContext(nw::NWDSContextHandle) override { return kRefused; }
    nw::NWRCODE NWNetTerm(nw::nuint8*) override { return kRefused; }
};

} // namespace fuzzing
