#pragma once

// The small network most tests of the stand-in's calls run against, and a
// fixture with a session in the context O=ACME (typeless names), a connection
// to each server and out-parameters for the calls.

#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace nwsim::test {

// FS1 with volumes 0, 1 and 3, FS2 (the default server) with volume 0.
// O=ACME (ID 100) holds OU=SALES (110: OU=EAST 111 with the users JSMITH 501
// and Mary.Ann 502 and the printer Printer1 503; OU=WEST 112; the alias Boss
// 113), the user Admin 120 and an OU ACME 130.
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

using Names = std::vector<std::string>;

struct AcmeTest : ::testing::Test {
    AcmeTest() { EXPECT_EQ(session.setContext("O=ACME"), 0); }

    nw::NWCONN_HANDLE connect(std::uint32_t server) {
        nw::NWCONN_HANDLE handle = 0;
        EXPECT_EQ(c.NWCCOpenConnByRef(SimClient::referenceOf(server), nw::kOpenStatePrivate, 0, &handle), 0);
        return handle;
    }

    Session session{networkFrom(kAcme)};
    SimClient& c = session.client;
    nw::NWDSContextHandle& ctx = session.context;
    nw::pBuf_T buf = session.buffer;
    nw::NWCONN_HANDLE fs1 = connect(0);
    nw::NWCONN_HANDLE fs2 = connect(1);

    // Out-parameters.
    nw::nuint32 u = 0, v = 0;
    nw::nint32 n = 0, m = 0;
    nw::nint32 start = -1;   // an iteration handle that starts a listing
    nw::NWCONN_HANDLE h = 0; // not shown
    std::array<char, 300> text{};
};

} // namespace nwsim::test
