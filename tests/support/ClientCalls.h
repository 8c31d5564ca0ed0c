#pragma once

#include "netware/Client.h"

// Every call of the client interface, for the test clients that implement
// them all: X(call, detail, parameters, arguments), where `detail` is the
// salient argument a recording shows ({} for none).
#define VORLANE_CLIENT_CALLS(X)                                                                                        \
    X(NWCallsInit, {}, (nw::nuint8 * a, nw::nuint8 * b), (a, b))                                                       \
    X(NWGetDefaultConnRef, {}, (nw::NWCONN_REF * r), (r))                                                              \
    X(NWGetKnownServersInfo, std::to_string(i), (nw::NWCONN_HANDLE c, nw::nuint32 i, nw::nuint32 k, nw::nuint8 * rec), \
      (c, i, k, rec))                                                                                                  \
    X(NWGetVolumeName, std::to_string(n), (nw::NWCONN_HANDLE c, nw::nuint16 n, char* name), (c, n, name))              \
    X(NWGetObjDiskRestrictions, std::to_string(v) + " " + std::to_string(id),                                          \
      (nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32 * r, nw::nint32 * u), (c, v, id, r, u))           \
    X(NWCallsTerm, {}, (nw::nuint8 * a), (a))                                                                          \
    X(NWCCOpenConnByRef, {}, (nw::NWCONN_REF r, nw::nuint32 s, nw::nuint32 x, nw::NWCONN_HANDLE * c), (r, s, x, c))    \
    X(NWCCOpenConnByName, text(n),                                                                                     \
      (nw::NWCONN_HANDLE st, const char* n, nw::nuint32 f, nw::nuint32 s, nw::nuint32 t, nw::NWCONN_HANDLE* c),        \
      (st, n, f, s, t, c))                                                                                             \
    X(NWCCGetConnRef, {}, (nw::NWCONN_HANDLE c, nw::NWCONN_REF * r), (c, r))                                           \
    X(NWCCCloseConn, {}, (nw::NWCONN_HANDLE c), (c))                                                                   \
    X(NWNetInit, {}, (nw::nuint8 * a, nw::nuint8 * b), (a, b))                                                         \
    X(NWGetDefaultNameContext, {}, (nw::nuint32 size, char* ctx), (size, ctx))                                         \
    X(NWDSCreateContextHandle, {}, (nw::NWDSContextHandle * ctx), (ctx))                                               \
    X(NWDSSetContext, setContextArgument(key, v), (nw::NWDSContextHandle ctx, nw::nint32 key, const void* v),          \
      (ctx, key, v))                                                                                                   \
    X(NWDSGetContext, std::to_string(key), (nw::NWDSContextHandle ctx, nw::nint32 key, void* v), (ctx, key, v))        \
    X(NWDSAllocBuf, {}, (nw::nuint32 size, nw::pBuf_T * buf), (size, buf))                                             \
    X(NWDSList, text(o), (nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf),                   \
      (ctx, o, it, buf))                                                                                               \
    X(NWDSListContainers, text(o), (nw::NWDSContextHandle ctx, const char* o, nw::nint32* it, nw::pBuf_T buf),         \
      (ctx, o, it, buf))                                                                                               \
    X(NWDSGetObjectCount, {}, (nw::NWDSContextHandle ctx, nw::pBuf_T buf, nw::nuint32 * n), (ctx, buf, n))             \
    X(NWDSGetObjectName, {},                                                                                           \
      (nw::NWDSContextHandle ctx, nw::pBuf_T buf, char* name, nw::nuint32* ac, nw::Object_Info_T* info),               \
      (ctx, buf, name, ac, info))                                                                                      \
    X(NWDSResolveName, text(n), (nw::NWDSContextHandle ctx, const char* n, nw::NWCONN_HANDLE* c, nw::nuint32* id),     \
      (ctx, n, c, id))                                                                                                 \
    X(NWDSFreeBuf, {}, (nw::pBuf_T buf), (buf))                                                                        \
    X(NWDSFreeContext, {}, (nw::NWDSContextHandle ctx), (ctx))                                                         \
    X(NWNetTerm, {}, (nw::nuint8 * a), (a))
