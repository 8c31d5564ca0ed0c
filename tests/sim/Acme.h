#pragma once

// The small network most tests of the stand-in's calls run against, and a
// fixture with a session in the context O=ACME (typeless names) and a
// connection to each server.

#include "netware/sim/ResultBuffer.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace nwsim::test {

// FS1 with volumes 0, 1 and 3, FS2 (the default server) with volume 0.
// O=ACME (ID 100) holds OU=SALES (110: OU=EAST 111 with the users JSMITH 501
// and Mary.Ann 502 and the printer Printer1 503; OU=WEST 112; the alias Boss
// 113), the user Admin 120 and an OU ACME 130. [Root] has ID 16777217.
inline constexpr std::string_view kAcme = R"({
  "servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "VOL1"},
                                          {"number": 3, "name": "SIXTEEN_CHARS_NM"}]},
              {"name": "FS2", "volumes": [{"number": 0, "name": "SYS"}]}],
  "defaultServer": "FS2", "defaultContext": "O=ACME",
  "tree": [{"name": "ACME", "class": "Organization", "id": 100, "children": [
    {"name": "SALES", "class": "Organizational Unit", "id": 110, "children": [
      {"name": "EAST", "class": "Organizational Unit", "id": 111, "children": [
        {"name": "JSMITH", "class": "User", "id": 501, "usage": [{"server": "FS1", "volume": 0, "inUse": 3},
          {"server": "FS1", "volume": 1, "inUse": 10, "restriction": 500}, {"server": "FS2", "volume": 0, "inUse": 7}]},
        {"name": "Mary.Ann", "class": "User", "id": 502, "usage": [{"server": "FS1", "volume": 3, "inUse": 4}]},
        {"name": "Printer1", "class": "Printer", "id": 503}]},
      {"name": "WEST", "class": "Organizational Unit", "id": 112},
      {"name": "Boss", "class": "Alias", "id": 113}]},
    {"name": "Admin", "class": "User", "id": 120},
    {"name": "ACME", "class": "Organizational Unit", "id": 130}]}]})";

struct AcmeTest : ::testing::Test {
    AcmeTest() { EXPECT_EQ(session.setContext("O=ACME"), 0); }

    nw::NWCONN_HANDLE connect(std::uint32_t server) {
        nw::NWCONN_HANDLE handle = 0;
        EXPECT_EQ(c.NWCCOpenConnByRef(SimClient::referenceOf(server), nw::kOpenStatePrivate, 0, &handle), 0);
        return handle;
    }
    nw::pBuf_T newBuffer(nw::nuint32 size) {
        nw::pBuf_T out = nullptr;
        EXPECT_EQ(c.NWDSAllocBuf(size, &out), 0);
        return out;
    }
    // The names of the chunk in the buffer.
    std::vector<std::string> chunk(nw::pBuf_T from) {
        std::vector<std::string> names(count(from));
        for (auto& name : names) {
            EXPECT_EQ(c.NWDSGetObjectName(ctx, from, text.data(), nullptr, nullptr), 0);
            name = text.data();
        }
        return names;
    }
    nw::nuint32 count(nw::pBuf_T from) {
        nw::nuint32 objects = 0;
        EXPECT_EQ(c.NWDSGetObjectCount(ctx, from, &objects), 0);
        return objects;
    }

    Session session{networkFrom(kAcme)};
    SimClient& c = session.client;
    nw::NWDSContextHandle& ctx = session.context;
    nw::pBuf_T buf = session.buffer;
    nw::NWCONN_HANDLE fs1 = connect(0);
    nw::NWCONN_HANDLE fs2 = connect(1);

    // Out-parameters, filled with a pattern that a failing call leaves alone.
    static constexpr nw::nuint32 kUntouched = 0x5A5A5A5A;
    nw::nuint32 u = kUntouched, v = kUntouched;
    nw::nint32 n = static_cast<nw::nint32>(kUntouched), m = n;
    nw::nint32 start = -1; // an iteration handle that starts a listing
    nw::pBuf_T b = nullptr;
    nw::NWCONN_HANDLE h = 0; // not shown
    std::array<char, 300> text{};
    std::array<nw::nuint8, nw::kKnownServersRecordSize> record{};
    nw::Object_Info_T info{};

    void fillOutParameters() {
        u = v = kUntouched;
        n = m = static_cast<nw::nint32>(kUntouched);
        start = -1;
        b = nullptr;
        text.fill(0x5A);
        record.fill(0x5A);
        std::memset(&info, 0x5A, sizeof info);
    }
    // The out-parameters a call has written, as "u=1 text=SYS ...", in
    // decimal; the iteration handle shows only whether it is positive.
    std::string written() const {
        std::string out;
        const auto show = [&](const char* name, auto value, auto untouched) {
            if (value != untouched)
                out += std::string(out.empty() ? "" : " ") + name + "=" + std::to_string(value);
        };
        show("u", u, kUntouched);
        show("v", v, kUntouched);
        show("n", n, static_cast<nw::nint32>(kUntouched));
        show("m", m, static_cast<nw::nint32>(kUntouched));
        show("start", start > 0 ? 1 : start, -1);
        show("b", b != nullptr, false);
        const auto changed = [](const auto& bytes) {
            return std::any_of(bytes.begin(), bytes.end(), [](auto x) { return x != 0x5A; });
        };
        if (changed(text))
            out += std::string(out.empty() ? "" : " ") + "text=" + std::string(text.data(), strnlen(text.data(), 299));
        if (changed(record))
            out += " record";
        if (changed(std::string(reinterpret_cast<const char*>(&info), sizeof info)))
            out += " info=" + std::to_string(info.objectFlags) + "/" + std::to_string(info.subordinateCount) + "/" +
                   std::to_string(info.modificationTime) + "/" + info.baseClass;
        return out;
    }
};

} // namespace nwsim::test
