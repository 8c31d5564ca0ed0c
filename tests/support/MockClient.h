#pragma once

#include "netware/Client.h"

#include <gmock/gmock.h>

namespace testing_support {

// A client whose every call a test scripts with gmock. Unscripted calls
// return success without touching their out-parameters.
class MockClient : public nw::Client {
public:
    MOCK_METHOD(void, watchCalls, (nw::CallWatcher * watcher), (override));
    MOCK_METHOD(nw::NWRCODE, NWCallsInit, (nw::nuint8 * a, nw::nuint8* b), (override));
    MOCK_METHOD(nw::NWRCODE, NWGetDefaultConnRef, (nw::NWCONN_REF * r), (override));
    MOCK_METHOD(nw::NWRCODE, NWGetKnownServersInfo,
                (nw::NWCONN_HANDLE c, nw::nuint32 i, nw::nuint32 k, nw::nuint8* rec), (override));
    MOCK_METHOD(nw::NWRCODE, NWGetVolumeName, (nw::NWCONN_HANDLE c, nw::nuint16 n, char* name), (override));
    MOCK_METHOD(nw::NWRCODE, NWGetObjDiskRestrictions,
                (nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32* r, nw::nint32* u), (override));
    MOCK_METHOD(nw::NWRCODE, NWCallsTerm, (nw::nuint8 * a), (override));
    MOCK_METHOD(nw::NWRCODE, NWCCOpenConnByRef, (nw::NWCONN_REF r, nw::nuint32 s, nw::nuint32 x, nw::NWCONN_HANDLE* c),
                (override));
    MOCK_METHOD(nw::NWRCODE, NWCCOpenConnByName,
                (nw::NWCONN_HANDLE st, const char* n, nw::nuint32 f, nw::nuint32 s, nw::nuint32 t,
                 nw::NWCONN_HANDLE* c),
                (override));
    MOCK_METHOD(nw::NWRCODE, NWCCGetConnRef, (nw::NWCONN_HANDLE c, nw::NWCONN_REF* r), (override));
    MOCK_METHOD(nw::NWRCODE, NWCCCloseConn, (nw::NWCONN_HANDLE c), (override));
    MOCK_METHOD(nw::NWRCODE, NWNetInit, (nw::nuint8 * a, nw::nuint8* b), (override));
    MOCK_METHOD(nw::NWRCODE, NWGetDefaultNameContext, (nw::nuint32 size, char* ctx), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSCreateContextHandle, (nw::NWDSContextHandle * ctx), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSSetContext, (nw::NWDSContextHandle ctx, nw::nint32 key, const void* v), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSGetContext, (nw::NWDSContextHandle ctx, nw::nint32 key, void* v), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSAllocBuf, (nw::nuint32 size, nw::pBuf_T* buf), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSList, (nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf),
                (override));
    MOCK_METHOD(nw::NWRCODE, NWDSListContainers,
                (nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSGetObjectCount, (nw::NWDSContextHandle ctx, nw::pBuf_T buf, nw::nuint32* n),
                (override));
    MOCK_METHOD(nw::NWRCODE, NWDSGetObjectName,
                (nw::NWDSContextHandle ctx, nw::pBuf_T buf, char* name, nw::nuint32* ac, nw::Object_Info_T* info),
                (override));
    MOCK_METHOD(nw::NWRCODE, NWDSResolveName,
                (nw::NWDSContextHandle ctx, const char* n, nw::NWCONN_HANDLE* c, nw::nuint32* id), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSFreeBuf, (nw::pBuf_T buf), (override));
    MOCK_METHOD(nw::NWRCODE, NWDSFreeContext, (nw::NWDSContextHandle ctx), (override));
    MOCK_METHOD(nw::NWRCODE, NWNetTerm, (nw::nuint8 * a), (override));
};

} // namespace testing_support
