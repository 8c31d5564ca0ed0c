// Every way a call is refused: its code, and that it writes none of its
// out-parameters (nor moves the iteration handle). Then the same calls again
// with a fault on every call: faults come before the arguments, and every
// call is counted and logged under its own name.

#include "netware/sim/Calls.h"
#include "sim/Acme.h"

#include <functional>
#include <map>
#include <set>

namespace nwsim::test {
namespace {

struct Case {
    nw::NWRCODE code;
    std::string call;
    std::function<nw::NWRCODE()> run;
};
// clang-format off
#define CASE(code, call) Case{code, #call, [&] { return call; }}
// clang-format on

TEST_F(AcmeTest, EveryRefusalHasItsCodeAndWritesNothingAndEveryCallCanBeFaulted) {
    const nw::NWCONN_HANDLE closed = connect(0);
    ASSERT_EQ(c.NWCCCloseConn(closed), 0);
    nw::NWDSContextHandle freed = 0;
    ASSERT_EQ(c.NWDSCreateContextHandle(&freed), 0);
    ASSERT_EQ(c.NWDSFreeContext(freed), 0);
    const nw::pBuf_T freedBuf = newBuffer(64), unfilled = newBuffer(64), headerOnly = newBuffer(4), tiny = newBuffer(3);
    ASSERT_EQ(c.NWDSFreeBuf(freedBuf), 0);
    nw::Buf_T foreign;
    char* t = text.data();
    // Each case: the code, and the one call it makes.
    const std::vector<Case> cases = {
        CASE(0, c.NWCallsInit(nullptr, nullptr)),
        CASE(0, c.NWCallsTerm(nullptr)),
        CASE(0, c.NWNetInit(nullptr, nullptr)),
        CASE(0, c.NWNetTerm(nullptr)),
        CASE(kErrInvalidParameter, c.NWGetDefaultConnRef(nullptr)),
        CASE(kErrInvalidConnection, c.NWGetKnownServersInfo(closed, 0, 0, &record[0])),
        CASE(kErrInvalidParameter, c.NWGetKnownServersInfo(fs1, 0, 0, nullptr)),
        CASE(nw::kNoMoreServers, c.NWGetKnownServersInfo(fs1, 2, 0, &record[0])),
        CASE(kErrInvalidConnection, c.NWGetVolumeName(0, 0, t)),
        CASE(kErrInvalidParameter, c.NWGetVolumeName(fs1, 0, nullptr)),
        CASE(kErrInvalidParameter, c.NWGetVolumeName(fs1, 64, t)),
        CASE(kErrInvalidConnection, c.NWGetObjDiskRestrictions(closed, 0, 1, &n, &m)),
        CASE(kErrInvalidParameter, c.NWGetObjDiskRestrictions(fs1, 0, 1, nullptr, &m)),
        CASE(kErrInvalidParameter, c.NWGetObjDiskRestrictions(fs1, 0, 1, &n, nullptr)),
        CASE(kErrNoSuchVolume, c.NWGetObjDiskRestrictions(fs1, 2, 501, &n, &m)),
        CASE(kErrNoSuchVolume, c.NWGetObjDiskRestrictions(fs1, 64, 501, &n, &m)),
        CASE(kErrInvalidParameter, c.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, nullptr)),
        CASE(kErrInvalidConnection, c.NWCCOpenConnByRef(SimClient::referenceOf(2), 2, 0, &u)),
        CASE(kErrInvalidConnection, c.NWCCOpenConnByRef(fs1, 2, 0, &u)),
        CASE(kErrInvalidConnection, c.NWCCOpenConnByName(closed, "FS1", 2, 1, 0, &u)),
        CASE(kErrInvalidParameter, c.NWCCOpenConnByName(fs1, nullptr, 2, 1, 0, &u)),
        CASE(kErrInvalidParameter, c.NWCCOpenConnByName(fs1, "FS1", 2, 1, 0, nullptr)),
        CASE(kErrInvalidParameter, c.NWCCOpenConnByName(fs1, "FS1", 1, 1, 0, &u)),
        CASE(kErrServerUnknown, c.NWCCOpenConnByName(fs1, "FS", 2, 1, 0, &u)),
        CASE(kErrInvalidConnection, c.NWCCGetConnRef(closed, &u)),
        CASE(kErrInvalidParameter, c.NWCCGetConnRef(fs1, nullptr)),
        CASE(kErrInvalidConnection, c.NWCCCloseConn(closed)),
        CASE(kErrNullPointer, c.NWGetDefaultNameContext(256, nullptr)),
        CASE(kErrInsufficientBuffer, c.NWGetDefaultNameContext(6, t)),
        CASE(kErrNullPointer, c.NWDSCreateContextHandle(nullptr)),
        CASE(kErrBadContext, c.NWDSSetContext(freed, 3, "O=ACME")),
        CASE(kErrNullPointer, c.NWDSSetContext(ctx, 3, nullptr)),
        CASE(kErrBadKey, c.NWDSSetContext(ctx, 2, &u)),
        CASE(nw::kInvalidDsName, c.NWDSSetContext(ctx, 3, "")),
        CASE(nw::kInvalidDsName, c.NWDSSetContext(ctx, 3, "A..B")),
        CASE(kErrBadContext, c.NWDSGetContext(freed, 1, &u)),
        CASE(kErrNullPointer, c.NWDSGetContext(ctx, 1, nullptr)),
        CASE(kErrBadKey, c.NWDSGetContext(ctx, 2, &u)),
        CASE(kErrNullPointer, c.NWDSAllocBuf(64, nullptr)),
        CASE(kErrBufferZeroLength, c.NWDSAllocBuf(0, &b)),
        CASE(kErrNotEnoughMemory, c.NWDSAllocBuf(kMaxResultBufferSize + 1, &b)),
        CASE(kErrBadContext, c.NWDSList(freed, "", &start, buf)),
        CASE(kErrNullPointer, c.NWDSList(ctx, nullptr, &start, buf)),
        CASE(kErrNullPointer, c.NWDSList(ctx, "", nullptr, buf)),
        CASE(kErrNullPointer, c.NWDSList(ctx, "", &start, nullptr)),
        CASE(kErrInvalidHandle, c.NWDSList(ctx, "", &start, &foreign)),
        CASE(kErrInvalidIteration, c.NWDSList(ctx, "", &n, buf)),
        CASE(nw::kNoSuchEntry, c.NWDSList(ctx, "NOPE", &start, buf)),
        CASE(nw::kInvalidDsName, c.NWDSListContainers(ctx, "A..B", &start, buf)),
        CASE(kErrInsufficientBuffer, c.NWDSList(ctx, "", &start, headerOnly)),
        CASE(kErrInsufficientBuffer, c.NWDSList(ctx, "ADMIN", &start, tiny)),
        CASE(kErrBadContext, c.NWDSGetObjectCount(freed, buf, &u)),
        CASE(kErrNullPointer, c.NWDSGetObjectCount(ctx, nullptr, &u)),
        CASE(kErrNullPointer, c.NWDSGetObjectCount(ctx, buf, nullptr)),
        CASE(kErrInvalidHandle, c.NWDSGetObjectCount(ctx, &foreign, &u)),
        CASE(resultbuf::kErrBadVerb, c.NWDSGetObjectCount(ctx, unfilled, &u)),
        CASE(kErrBadContext, c.NWDSGetObjectName(freed, buf, t, &u, &info)),
        CASE(kErrNullPointer, c.NWDSGetObjectName(ctx, nullptr, t, &u, &info)),
        CASE(kErrNullPointer, c.NWDSGetObjectName(ctx, buf, nullptr, &u, &info)),
        CASE(kErrInvalidHandle, c.NWDSGetObjectName(ctx, &foreign, t, &u, &info)),
        CASE(resultbuf::kErrBadVerb, c.NWDSGetObjectName(ctx, unfilled, t, &u, &info)),
        CASE(kErrBadContext, c.NWDSResolveName(freed, "SALES", &u, &v)),
        CASE(kErrNullPointer, c.NWDSResolveName(ctx, nullptr, &u, &v)),
        CASE(kErrNullPointer, c.NWDSResolveName(ctx, "SALES", nullptr, &v)),
        CASE(kErrNullPointer, c.NWDSResolveName(ctx, "SALES", &u, nullptr)),
        CASE(nw::kNoSuchEntry, c.NWDSResolveName(ctx, "NOPE", &u, &v)),
        CASE(nw::kInvalidDsName, c.NWDSResolveName(ctx, "A..B", &u, &v)),
        CASE(kErrNullPointer, c.NWDSFreeBuf(nullptr)),
        CASE(kErrInvalidHandle, c.NWDSFreeBuf(freedBuf)),
        CASE(kErrInvalidHandle, c.NWDSFreeBuf(&foreign)),
        CASE(kErrBadContext, c.NWDSFreeContext(freed)),
    };
    std::map<std::string, std::size_t> calls; // how often each call has been made
    std::set<std::string> covered;
    for (const auto name : kCallNames)
        calls[std::string(name)] = c.callCount(name);
    c.setCallLogging(true);
    for (const bool faulted : {false, true}) {
        for (const auto& [code, call, run] : cases) {
            fillOutParameters();
            EXPECT_EQ(run(), faulted ? 4242 : code) << call << (faulted ? ", faulted" : "");
            EXPECT_TRUE(outParametersUntouched()) << call << (faulted ? ", faulted" : "");
            // Counted and logged under its own name (the text up to its arguments).
            EXPECT_EQ(c.callLog().back(), call.substr(2, call.find('(') - 2));
            calls[c.callLog().back()] += 1;
            covered.insert(c.callLog().back());
        }
        for (const auto name : kCallNames)
            c.addFault({std::string(name), 4242, {}, {}, {}, {}});
    }
    EXPECT_EQ(c.callLog().size(), 2 * cases.size());
    for (const auto name : kCallNames)
        EXPECT_EQ(c.callCount(name), calls[std::string(name)]) << name;
    EXPECT_EQ(covered.size(), kCallCount);
    EXPECT_EQ(c.openConnections(), (std::vector<nw::NWCONN_HANDLE>{fs1, fs2}));
    EXPECT_EQ(c.allocatedBufferCount(), 4u);
}

// Refusals that need a network of their own: one without servers, and one
// with a name too long to deliver once typed, which only a network built in
// code can hold.
TEST(SimClientCodes, NoServersAndNamesTooLongToDeliver) {
    Network rootOnly;
    rootOnly.entries.emplace_back();
    Session none(std::move(rootOnly));
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(none.client.NWGetDefaultConnRef(&ref), kErrInvalidConnection);
    EXPECT_EQ(none.resolve("").rc, kErrUnreachableServer);
    for (const std::size_t length : {nw::kMaxDnChars - 3, nw::kMaxDnChars - 2}) { // with "CN=", 256 and 257
        Network net = networkFrom(kAcme);
        net.entries[4].name = std::string(length, 'L'); // JSMITH, in OU=EAST
        Session s(std::move(net));
        ASSERT_EQ(s.setContext("EAST.SALES.ACME", false), 0);
        EXPECT_EQ(s.list("").rc, length == nw::kMaxDnChars - 3 ? 0 : kErrDnTooLong);
    }
}

} // namespace
} // namespace nwsim::test
