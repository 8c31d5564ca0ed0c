// Every call, one at a time, in the order given: its code and every
// out-parameter it writes (a refused call writes none, nor moves the
// iteration handle). Then the same calls again with a fault on every call:
// faults come before the arguments, and every call is counted and logged
// under its own name.

#include "netware/sim/Calls.h"
#include "sim/Acme.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace nwsim::test {
namespace {

struct Case {
    nw::NWRCODE code;
    std::string call;
    std::function<nw::NWRCODE()> run;
    std::string written;
};
// clang-format off
#define CASE(code, call, written) Case{code, #call, [&] { return call; }, written}
// clang-format on

const std::string kInfo = "/946684800/"; // between subordinates and class: the modification time

struct Calls : AcmeTest {
    std::vector<Case> servers() {
        return {
            CASE(0, c.NWCallsInit(nullptr, nullptr), ""),
            CASE(0, c.NWCallsTerm(nullptr), ""),
            CASE(0, c.NWGetDefaultConnRef(&u), "u=2130706434"), // the reference of FS2
            CASE(kErrInvalidConnection, c.NWGetKnownServersInfo(noConn, 0, 0, r), ""),
            CASE(nw::kNoMoreServers, c.NWGetKnownServersInfo(fs1, 2, 0, r), ""),
            CASE(0, c.NWGetVolumeName(fs1, 3, t), "text=SIXTEEN_CHARS_NM"),
            CASE(0, c.NWGetVolumeName(fs1, 2, t), "text="), // a gap ends the volume scan
            CASE(kErrInvalidConnection, c.NWGetVolumeName(noConn, 0, t), ""),
            CASE(kErrInvalidParameter, c.NWGetVolumeName(fs1, 0, nullptr), ""),
            CASE(kErrInvalidParameter, c.NWGetVolumeName(fs1, 64, t), ""),
            CASE(0, c.NWGetObjDiskRestrictions(fs1, 1, 501, &n, &m), "n=500 m=10"),
            CASE(0, c.NWGetObjDiskRestrictions(fs2, 0, 501, &n, &m), "n=1073741824 m=7"),
            CASE(0, c.NWGetObjDiskRestrictions(fs1, 3, 501, &n, &m), "n=1073741824 m=0"),
            CASE(0, c.NWGetObjDiskRestrictions(fs1, 3, 502, &n, &m), "n=1073741824 m=4"),
            CASE(0, c.NWGetObjDiskRestrictions(fs1, 1, 99999, &n, &m), "n=1073741824 m=0"), // no such object
            CASE(kErrInvalidConnection, c.NWGetObjDiskRestrictions(noConn, 0, 1, &n, &m), ""),
            CASE(kErrInvalidParameter, c.NWGetObjDiskRestrictions(fs1, 0, 1, nullptr, &m), ""),
            CASE(kErrNoSuchVolume, c.NWGetObjDiskRestrictions(fs1, 2, 501, &n, &m), ""),
            CASE(kErrNoSuchVolume, c.NWGetObjDiskRestrictions(fs1, 64, 501, &n, &m), ""),
            CASE(0, c.NWCCGetConnRef(fs1, &u), "u=2130706433"),
            CASE(0, c.NWCCOpenConnByName(fs1, "fs2", 2, 1, 0, &u), "u=3"),
            CASE(0, c.NWCCGetConnRef(3, &u), "u=2130706434"),
            CASE(0, c.NWCCOpenConnByRef(SimClient::referenceOf(0), 2, 0, &u), "u=4"),
            CASE(0, c.NWCCCloseConn(4), ""),
            CASE(kErrInvalidConnection, c.NWCCCloseConn(4), ""),
            CASE(0, c.NWCCOpenConnByRef(SimClient::referenceOf(1), 2, 0, &u), "u=5"), // 4 is not given out again
            CASE(kErrInvalidConnection, c.NWCCOpenConnByRef(SimClient::referenceOf(2), 2, 0, &u), ""),
            CASE(kErrInvalidConnection, c.NWCCOpenConnByName(noConn, "FS1", 2, 1, 0, &u), ""),
            CASE(kErrInvalidParameter, c.NWCCOpenConnByName(fs1, "FS1", 1, 1, 0, &u), ""),
            CASE(kErrServerUnknown, c.NWCCOpenConnByName(fs1, "FS", 2, 1, 0, &u), ""),
            CASE(kErrInvalidConnection, c.NWCCGetConnRef(noConn, &u), ""),
        };
    }

    nw::NWRCODE id(const char* name) { return c.NWDSResolveName(ctx, name, &h, &v); }
    std::vector<Case> contextsAndNames() {
        return {
            CASE(0, c.NWNetInit(nullptr, nullptr), ""),
            CASE(0, c.NWNetTerm(nullptr), ""),
            CASE(0, c.NWGetDefaultNameContext(7, t), "text=O=ACME"),
            CASE(kErrInsufficientBuffer, c.NWGetDefaultNameContext(6, t), ""),
            CASE(0, c.NWDSCreateContextHandle(&u), "u=2097154"),
            CASE(0, c.NWDSGetContext(2097154, 1, &u), "u=19"), // 0x13
            CASE(0, c.NWDSGetContext(2097154, 3, t), "text=[Root]"),
            CASE(0, c.NWDSSetContext(2097154, 1, &typeless), ""),
            CASE(0, c.NWDSGetContext(2097154, 1, &u), "u=23"),
            CASE(0, c.NWDSSetContext(2097154, 3, "ou=East.SALES.o=acme"), ""),
            CASE(nw::kInvalidDsName, c.NWDSSetContext(2097154, 3, "X..Y"), ""),
            CASE(nw::kInvalidDsName, c.NWDSSetContext(2097154, 3, ""), ""),
            CASE(0, c.NWDSGetContext(2097154, 3, t), "text=ou=East.SALES.o=acme"),
            CASE(0, c.NWDSResolveName(2097154, "JSMITH", &h, &v), "v=501"),
            CASE(0, c.NWCCGetConnRef(h, &u), "u=2130706434"), // the server holding the directory: the default
            CASE(0, c.NWDSFreeContext(2097154), ""),
            CASE(kErrBadContext, c.NWDSFreeContext(2097154), ""),
            CASE(kErrBadContext, c.NWDSSetContext(noContext, 3, "O=ACME"), ""),
            CASE(kErrBadKey, c.NWDSSetContext(ctx, 2, &u), ""),
            CASE(kErrBadContext, c.NWDSGetContext(noContext, 1, &u), ""),
            CASE(kErrBadKey, c.NWDSGetContext(ctx, 2, &u), ""),
            CASE(kErrBadContext, c.NWDSResolveName(noContext, "SALES", &u, &v), ""),
            // Names are read relative to the name context, O=ACME unless set anew.
            CASE(0, id("OU=SALES"), "v=110"),
            CASE(nw::kNoSuchEntry, id("CN=SALES"), ""), // a typed component names only its own classes
            CASE(0, id("CN=jsmith.OU=EAST.ou=SALES"), "v=501"),
            CASE(0, id("JSM\\ITH.EAST.SALES"), "v=501"),
            CASE(nw::kNoSuchEntry, id("Mary.Ann.EAST.SALES"), ""),
            CASE(0, id(""), "v=100"),
            CASE(0, id("ACME"), "v=130"),
            CASE(nw::kNoSuchEntry, id("O=ACME"), ""),
            CASE(0, id("[root]"), "v=16777217"),
            CASE(nw::kInvalidDsName, id(".SALES"), ""),
            CASE(nw::kInvalidDsName, id("SALES."), ""),
            CASE(nw::kInvalidDsName, id("NOPE..SALES"), ""),
            CASE(nw::kNoSuchEntry, id(std::string(256, 'S').c_str()), ""),
            CASE(nw::kInvalidDsName, id(std::string(257, 'S').c_str()), ""),
            CASE(0, c.NWDSSetContext(ctx, 3, "NOPE.ACME"), ""), // a context that does not exist
            CASE(nw::kNoSuchEntry, id(""), ""),
            CASE(0, id("[Root]"), "v=16777217"),
            CASE(0, c.NWDSSetContext(ctx, 3, "O=ACME"), ""),
        };
    }

    std::vector<Case> listings() {
        return {
            CASE(0, c.NWDSAllocBuf(kMaxResultBufferSize, &b), "b=1"),
            CASE(kErrBufferZeroLength, c.NWDSAllocBuf(0, &b), ""),
            CASE(kErrNotEnoughMemory, c.NWDSAllocBuf(kMaxResultBufferSize + 1, &b), ""),
            CASE(0, c.NWDSList(ctx, "SALES", &start, buf), ""), // all in one chunk
            CASE(0, c.NWDSGetObjectCount(ctx, buf, &u), "u=3"),
            CASE(0, c.NWDSGetObjectName(ctx, buf, t, &u, &info),
                 "u=0 text=EAST info=4/3" + kInfo + "Organizational Unit"),
            CASE(0, c.NWDSGetObjectName(ctx, buf, t, nullptr, &info),
                 "text=WEST info=4/0" + kInfo + "Organizational Unit"),
            CASE(0, c.NWDSGetObjectName(ctx, buf, t, &u, &info), "u=0 text=Boss info=1/0" + kInfo + "Alias"),
            CASE(resultbuf::kErrBufferEmpty, c.NWDSGetObjectName(ctx, buf, t, &u, &info), ""),
            CASE(kErrBadContext, c.NWDSList(noContext, "", &start, buf), ""),
            CASE(kErrInvalidHandle, c.NWDSList(ctx, "", &start, &foreign), ""),
            CASE(kErrInvalidIteration, c.NWDSList(ctx, "", &n, buf), ""),
            CASE(nw::kNoSuchEntry, c.NWDSList(ctx, "NOPE", &start, buf), ""),
            CASE(nw::kInvalidDsName, c.NWDSListContainers(ctx, "A..B", &start, buf), ""),
            CASE(kErrInsufficientBuffer, c.NWDSList(ctx, "", &start, headerOnly), ""),
            CASE(0, c.NWDSList(ctx, "ADMIN", &start, headerOnly), ""), // a leaf: no more than the count
            CASE(0, c.NWDSGetObjectCount(ctx, headerOnly, &u), "u=0"),
            CASE(kErrInsufficientBuffer, c.NWDSList(ctx, "ADMIN", &start, tiny), ""),
            CASE(kErrBadContext, c.NWDSGetObjectCount(noContext, buf, &u), ""),
            CASE(kErrNullPointer, c.NWDSGetObjectCount(ctx, buf, nullptr), ""),
            CASE(kErrInvalidHandle, c.NWDSGetObjectCount(ctx, &foreign, &u), ""),
            CASE(resultbuf::kErrBadVerb, c.NWDSGetObjectCount(ctx, unfilled, &u), ""),
            CASE(kErrBadContext, c.NWDSGetObjectName(noContext, buf, t, &u, &info), ""),
            CASE(kErrNullPointer, c.NWDSGetObjectName(ctx, buf, nullptr, &u, &info), ""),
            CASE(kErrInvalidHandle, c.NWDSGetObjectName(ctx, &foreign, t, &u, &info), ""),
            CASE(resultbuf::kErrBadVerb, c.NWDSGetObjectName(ctx, unfilled, t, &u, &info), ""),
            CASE(0, c.NWDSFreeBuf(freedBuf), ""),
            CASE(kErrInvalidHandle, c.NWDSFreeBuf(freedBuf), ""), // freed just now
            CASE(kErrInvalidHandle, c.NWDSFreeBuf(&foreign), ""),
        };
    }

    // More out-parameters; each is filled with a pattern that a failing call
    // leaves alone.
    nw::pBuf_T b = nullptr;
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
        const auto add = [&](bool changed, const std::string& what) {
            if (changed)
                out += (out.empty() ? "" : " ") + what;
        };
        const auto changed = [](const auto& bytes) {
            return std::any_of(bytes.begin(), bytes.end(), [](auto x) { return x != 0x5A; });
        };
        const std::string infoBytes(reinterpret_cast<const char*>(&info), sizeof info);
        add(u != kUntouched, "u=" + std::to_string(u));
        add(v != kUntouched, "v=" + std::to_string(v));
        add(n != static_cast<nw::nint32>(kUntouched), "n=" + std::to_string(n));
        add(m != static_cast<nw::nint32>(kUntouched), "m=" + std::to_string(m));
        add(start != -1, "start=" + std::to_string(start > 0 ? 1 : start));
        add(b != nullptr, "b=1");
        add(changed(text), "text=" + std::string(text.data(), strnlen(text.data(), text.size() - 1)));
        add(changed(record), "record");
        add(changed(infoBytes), "info=" + std::to_string(info.objectFlags) + "/" +
                                    std::to_string(info.subordinateCount) + "/" +
                                    std::to_string(info.modificationTime) + "/" + info.baseClass);
        return out;
    }

    // Handles never given out.
    const nw::NWCONN_HANDLE noConn = 999;
    const nw::NWDSContextHandle noContext = 999;
    const nw::pBuf_T freedBuf = newBuffer(64), unfilled = newBuffer(64), headerOnly = newBuffer(4), tiny = newBuffer(3);
    nw::Buf_T foreign;
    char* t = text.data();
    nw::nuint8* r = record.data();
    const nw::nuint32 typeless = kDefaultContextFlags | nw::kContextFlagTypelessNames;
};

TEST_F(Calls, EachWritesWhatItShouldAndCanBeFaulted) {
    std::vector<Case> cases;
    for (auto part : {&Calls::servers, &Calls::contextsAndNames, &Calls::listings})
        for (auto& row : (this->*part)())
            cases.push_back(std::move(row));
    std::map<std::string, std::size_t> calls; // how often each call has been made
    std::set<std::string> covered;
    for (const auto name : kCallNames)
        calls[std::string(name)] = c.callCount(name);
    c.setCallLogging(true);
    for (const bool faulted : {false, true}) {
        for (const auto& [code, call, run, writes] : cases) {
            fillOutParameters();
            EXPECT_EQ(run(), faulted ? 4242 : code) << call << (faulted ? ", faulted" : "");
            EXPECT_EQ(written(), faulted ? "" : writes) << call << (faulted ? ", faulted" : "");
            // Counted and logged under its own name: the text up to its arguments.
            if (const auto at = call.find("c.NW"); at != std::string::npos) {
                EXPECT_EQ(c.callLog().back(), call.substr(at + 2, call.find('(', at) - at - 2));
            }
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
}

// A network without servers (only one built in code can have none) has no
// default connection, and no server to hand back with a resolved name.
TEST(SimClientCalls, WithoutServersThereIsNoConnectionToHandOut) {
    Network rootOnly;
    rootOnly.entries.emplace_back();
    Session none(std::move(rootOnly));
    nw::NWCONN_REF ref = 0;
    EXPECT_EQ(none.client.NWGetDefaultConnRef(&ref), kErrInvalidConnection);
    EXPECT_EQ(none.resolve("").rc, kErrUnreachableServer);
}

} // namespace
} // namespace nwsim::test
