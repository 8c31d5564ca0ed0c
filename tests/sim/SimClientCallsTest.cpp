// What the stand-in does with every call before the kit answers it: a
// fault comes before the arguments, the call writes nothing, and it is
// counted and logged under its own name. (What each call refuses, the
// contract suite asserts for both clients.)

#include "sim/Acme.h"

#include <functional>

namespace nwsim::test {
namespace {

TEST_F(AcmeTest, EveryCallCanBeFaultedAndIsCountedAndLoggedUnderItsOwnName) {
    std::array<nw::nuint8, nw::kKnownServersRecordSize> record{};
    nw::pBuf_T made = nullptr;
    const nw::nuint32 flags = nw::kDefaultContextFlags;
    // In the order of Client.h, each with arguments it would take.
    const std::vector<std::function<nw::NWRCODE()>> calls = {
        [&] { return c.NWCallsInit(nullptr, nullptr); },
        [&] { return c.NWGetDefaultConnRef(&u); },
        [&] { return c.NWGetKnownServersInfo(fs1, 0, 0, record.data()); },
        [&] { return c.NWGetVolumeName(fs1, 0, text.data()); },
        [&] { return c.NWGetObjDiskRestrictions(fs1, 0, 501, &n, &m); },
        [&] { return c.NWCallsTerm(nullptr); },
        [&] { return c.NWCCOpenConnByRef(SimClient::referenceOf(0), nw::kOpenStatePrivate, 0, &u); },
        [&] { return c.NWCCOpenConnByName(fs1, "FS2", nw::kNameFormatBindery, 1, nw::kTransportAny, &u); },
        [&] { return c.NWCCGetConnRef(fs1, &u); },
        [&] { return c.NWCCCloseConn(fs2); },
        [&] { return c.NWNetInit(nullptr, nullptr); },
        [&] { return c.NWGetDefaultNameContext(nw::kNameBufferSize, text.data()); },
        [&] { return c.NWDSCreateContextHandle(&u); },
        [&] { return c.NWDSSetContext(ctx, nw::kContextKeyFlags, &flags); },
        [&] { return c.NWDSGetContext(ctx, nw::kContextKeyNameContext, text.data()); },
        [&] { return c.NWDSAllocBuf(64, &made); },
        [&] { return c.NWDSList(ctx, "SALES", &start, buf); },
        [&] { return c.NWDSListContainers(ctx, "SALES", &start, buf); },
        [&] { return c.NWDSGetObjectCount(ctx, buf, &u); },
        [&] { return c.NWDSGetObjectName(ctx, buf, text.data(), &u, nullptr); },
        [&] { return c.NWDSResolveName(ctx, "SALES", &h, &u); },
        [&] { return c.NWDSFreeBuf(buf); },
        [&] { return c.NWDSFreeContext(ctx); },
        [&] { return c.NWNetTerm(nullptr); },
    };
    ASSERT_EQ(calls.size(), nw::kCallCount);
    for (const auto name : nw::kCallNames)
        c.addFault({std::string(name), 4242, {}, {}, {}, {}});
    c.setCallLogging(true);
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::string name(nw::kCallNames[i]);
        const std::size_t before = c.callCount(name);
        text.fill('#');
        record.fill(0x5A);
        EXPECT_EQ(calls[i](), 4242) << name;
        EXPECT_EQ(std::tuple(u, n, m, start, made, text.front(), record.front()),
                  std::tuple(kUntouched, static_cast<nw::nint32>(kUntouched), static_cast<nw::nint32>(kUntouched), -1,
                             nullptr, '#', 0x5A))
            << name;
        EXPECT_EQ(std::tuple(c.callCount(name), c.callLog().back()), std::tuple(before + 1, name));
    }
    EXPECT_EQ(c.callLog().size(), nw::kCallCount);
}

// A network without servers (only one built in code can have none) has no
// default connection, and no server to hand back with a resolved name.
TEST(SimClientCalls, WithoutServersThereIsNoConnectionToHandOut) {
    Network rootOnly;
    rootOnly.entries.emplace_back();
    Session none(std::move(rootOnly));
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(none.client.NWGetDefaultConnRef(&ref), nw::kErrInvalidConnection);
    EXPECT_EQ(none.resolve("[Root]").rc, nw::kErrUnreachableServer);
}

} // namespace
} // namespace nwsim::test
