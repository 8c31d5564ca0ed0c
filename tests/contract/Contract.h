#pragma once

// The fixture of the contract suite: one client of the kind under test over
// the contract directory, a session in the context ACME (typeless names), a
// connection to its server, and every call given a bad argument.

#include "contract/Clients.h"
#include "support/ClientSession.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace contract {

using testing_support::ClientSession;
using Names = std::vector<std::string>;
using Clients = testing::Types<StandIn, Directory>;

template <class Kind> class Contract : public testing::Test {
protected:
    Contract() : client(Kind::make(network())), c(*client), s(c) {
        EXPECT_EQ(s.setContext("ACME"), nw::kSuccess);
        EXPECT_EQ(c.NWGetDefaultConnRef(&ref), nw::kSuccess);
        EXPECT_EQ(c.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &conn), nw::kSuccess);
    }

    struct Row {
        nw::NWRCODE code;
        std::string call;
        std::function<nw::NWRCODE()> run;
    };
// clang-format off
#define ROW(code, call) Row{code, #call, [&] { return call; }}
    // clang-format on

    // Every call that takes a handle, a pointer or a key, given a bad one;
    // the four that take nothing to refuse, once each.
    std::vector<Row> refusals() {
        std::vector<Row> rows = connectionRefusals();
        for (Row& row : directoryRefusals())
            rows.push_back(std::move(row));
        return rows;
    }

    std::vector<Row> connectionRefusals() {
        c.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &closed);
        c.NWCCCloseConn(closed);
        return {
            ROW(0, c.NWCallsInit(nullptr, nullptr)),
            ROW(0, c.NWCallsTerm(nullptr)),
            ROW(0x8836, c.NWGetDefaultConnRef(nullptr)),
            ROW(0x8801, c.NWGetKnownServersInfo(kNever, 0, 0, record.data())),
            ROW(0x8836, c.NWGetKnownServersInfo(conn, 0, 0, nullptr)),
            ROW(0x8801, c.NWGetVolumeName(closed, 0, t)),
            ROW(0x8836, c.NWGetVolumeName(conn, 0, nullptr)),
            ROW(0x8836, c.NWGetVolumeName(conn, nw::kMaxVolumes, t)),
            ROW(0x8801, c.NWGetObjDiskRestrictions(kNever, 0, 501, &n, &m)),
            ROW(0x8836, c.NWGetObjDiskRestrictions(conn, 0, 501, nullptr, &m)),
            ROW(0x8998, c.NWGetObjDiskRestrictions(conn, 9, 501, &n, &m)),
            ROW(0x8801, c.NWCCOpenConnByRef(ref + 1, nw::kOpenStatePrivate, 0, &h)),
            ROW(0x8836, c.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, nullptr)),
            ROW(0x8801, c.NWCCOpenConnByName(closed, "FS1", nw::kNameFormatBindery, 1, nw::kTransportAny, &h)),
            ROW(0x8836, c.NWCCOpenConnByName(conn, nullptr, nw::kNameFormatBindery, 1, nw::kTransportAny, &h)),
            ROW(0x8836, c.NWCCOpenConnByName(conn, "FS1", 1, 1, nw::kTransportAny, &h)),
            ROW(0x8847, c.NWCCOpenConnByName(conn, "FS", nw::kNameFormatBindery, 1, nw::kTransportAny, &h)),
            ROW(0x8801, c.NWCCGetConnRef(closed, &u)),
            ROW(0x8836, c.NWCCGetConnRef(conn, nullptr)),
            ROW(0x8801, c.NWCCCloseConn(closed)),
        };
    }

    std::vector<Row> directoryRefusals() {
        c.NWDSCreateContextHandle(&freedContext);
        c.NWDSFreeContext(freedContext);
        // Freed last: a buffer allocated after it could take its place.
        c.NWDSAllocBuf(64, &unfilled);
        c.NWDSAllocBuf(64, &freedBuffer);
        c.NWDSFreeBuf(freedBuffer);
        return {
            ROW(0, c.NWNetInit(nullptr, nullptr)),
            ROW(0, c.NWNetTerm(nullptr)),
            ROW(-331, c.NWGetDefaultNameContext(nw::kNameBufferSize, nullptr)),
            ROW(-649, c.NWGetDefaultNameContext(10, t)), // SALES.ACME and its NUL take 11
            ROW(-331, c.NWDSCreateContextHandle(nullptr)),
            ROW(-303, c.NWDSSetContext(kNever, nw::kContextKeyFlags, &flags)),
            ROW(-331, c.NWDSSetContext(s.context, nw::kContextKeyNameContext, nullptr)),
            ROW(-302, c.NWDSSetContext(s.context, 2, &flags)),
            ROW(-303, c.NWDSGetContext(freedContext, nw::kContextKeyFlags, &u)),
            ROW(-331, c.NWDSGetContext(s.context, nw::kContextKeyNameContext, nullptr)),
            ROW(-302, c.NWDSGetContext(s.context, 5, &u)),
            ROW(-331, c.NWDSAllocBuf(64, nullptr)),
            ROW(-323, c.NWDSAllocBuf(0, &b)),
            ROW(-301, c.NWDSAllocBuf(0x10001, &b)),
            ROW(-303, c.NWDSList(freedContext, "", &start, s.buffer)),
            ROW(-331, c.NWDSList(s.context, nullptr, &start, s.buffer)),
            ROW(-331, c.NWDSListContainers(s.context, "", nullptr, s.buffer)),
            ROW(-331, c.NWDSList(s.context, "", &start, nullptr)),
            ROW(-322, c.NWDSList(s.context, "", &start, freedBuffer)),
            ROW(-322, c.NWDSListContainers(s.context, "", &start, foreign.buffer)),
            ROW(-642, c.NWDSList(s.context, "", &unknownIteration, s.buffer)),
            ROW(-303, c.NWDSGetObjectCount(kNever, s.buffer, &u)),
            ROW(-331, c.NWDSGetObjectCount(s.context, nullptr, &u)),
            ROW(-331, c.NWDSGetObjectCount(s.context, s.buffer, nullptr)),
            ROW(-322, c.NWDSGetObjectCount(s.context, freedBuffer, &u)),
            ROW(-308, c.NWDSGetObjectCount(s.context, unfilled, &u)),
            ROW(-303, c.NWDSGetObjectName(freedContext, s.buffer, t, &u, &info)),
            ROW(-331, c.NWDSGetObjectName(s.context, s.buffer, nullptr, &u, &info)),
            ROW(-322, c.NWDSGetObjectName(s.context, foreign.buffer, t, &u, &info)),
            ROW(-308, c.NWDSGetObjectName(s.context, unfilled, t, &u, &info)),
            ROW(-303, c.NWDSResolveName(freedContext, "SALES", &h, &u)),
            ROW(-331, c.NWDSResolveName(s.context, nullptr, &h, &u)),
            ROW(-331, c.NWDSResolveName(s.context, "SALES", &h, nullptr)),
            ROW(-331, c.NWDSFreeBuf(nullptr)),
            ROW(-322, c.NWDSFreeBuf(freedBuffer)),
            ROW(-322, c.NWDSFreeBuf(foreign.buffer)),
            ROW(-303, c.NWDSFreeContext(freedContext)),
        };
    }
#undef ROW

    // The out-parameters, filled with a pattern that a refused call leaves
    // alone; the iteration handle is -1, which starts a listing.
    struct Out {
        nw::nuint32 u, h;
        nw::nint32 n, m, start;
        nw::pBuf_T b;
        std::array<char, 300> text;
        std::array<nw::nuint8, nw::kKnownServersRecordSize> record;
        nw::Object_Info_T info;
    };
    static Out pattern() {
        Out out;
        std::memset(&out, 0x5A, sizeof out);
        out.start = -1;
        return out;
    }
    bool untouched() const {
        const Out expected = pattern();
        return std::memcmp(&o, &expected, sizeof o) == 0;
    }

    // The names of the chunk in `buffer`.
    Names chunk(nw::pBuf_T buffer) {
        nw::nuint32 count = 0;
        EXPECT_EQ(c.NWDSGetObjectCount(s.context, buffer, &count), nw::kSuccess);
        Names names(count);
        for (auto& name : names) {
            EXPECT_EQ(c.NWDSGetObjectName(s.context, buffer, t, nullptr, nullptr), nw::kSuccess);
            name = t;
        }
        return names;
    }

    static constexpr nw::nuint32 kNever = 0x7FFFFFF0; // a handle of no kind ever given out
    std::unique_ptr<nw::ClientKit> client;
    nw::ClientKit& c;
    ClientSession s;
    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE conn = 0;
    std::unique_ptr<nw::ClientKit> other = Kind::make(network());
    ClientSession foreign{*other}; // its buffer is foreign to `c`
    // Handles given back, and what the rows pass by address.
    nw::NWCONN_HANDLE closed = 0;
    nw::NWDSContextHandle freedContext = 0;
    const nw::nuint32 flags = 0x13;
    nw::pBuf_T freedBuffer = nullptr, unfilled = nullptr;
    nw::nint32 unknownIteration = 77;
    Out o = pattern();
    nw::nuint32 &u = o.u, &h = o.h;
    nw::nint32 &n = o.n, &m = o.m, &start = o.start;
    nw::pBuf_T& b = o.b;
    char* t = o.text.data();
    std::array<nw::nuint8, nw::kKnownServersRecordSize>& record = o.record;
    nw::Object_Info_T& info = o.info;
};

} // namespace contract
