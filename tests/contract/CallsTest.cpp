// The rules every client keeps about its calls, each asserted once for
// both: what they refuse and with which code, how listings come in chunks
// and iterate, the server and its volumes, the codes the tool examines, and
// a wait that is cancelled.

#include "netware/Calls.h"
#include "contract/Contract.h"

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

namespace contract {
namespace {

TYPED_TEST_SUITE(Contract, Clients);

TYPED_TEST(Contract, EveryRefusalHasItsCodeAndWritesNothing) {
    for (const auto& [code, call, run] : this->refusals()) {
        this->o = this->pattern();
        EXPECT_EQ(run(), code) << call;
        EXPECT_TRUE(this->untouched()) << call;
    }
}

// The stand-in alone injects faults. Through the same calls: a fault comes
// before the arguments, the call writes nothing, and it is counted and
// logged under its own name.
TYPED_TEST(Contract, AnInjectedFaultComesFirstAndTheCallIsCountedUnderItsName) {
    if constexpr (!TypeParam::kWaits) {
        GTEST_SKIP() << "this client injects no faults";
    } else {
        auto& sim = dynamic_cast<nwsim::SimClient&>(this->c);
        const auto rows = this->refusals();
        for (const auto name : nw::kCallNames)
            sim.addFault({std::string(name), 4242, {}, {}, {}, {}});
        sim.setCallLogging(true);
        std::set<std::string> covered;
        for (const auto& [code, call, run] : rows) {
            const std::string name = call.substr(2, call.find('(') - 2); // c.NWDSList(... -> NWDSList
            const std::size_t before = sim.callCount(name);
            this->o = this->pattern();
            EXPECT_EQ(run(), 4242) << call;
            EXPECT_TRUE(this->untouched()) << call;
            EXPECT_EQ(std::tuple(sim.callCount(name), sim.callLog().back()), std::tuple(before + 1, name));
            covered.insert(name);
        }
        EXPECT_EQ(covered.size(), nw::kCallCount);
    }
}

// SALES holds, typeless, records of 25 (JSMITH, J\.DOE), 30 (A\=B\+C\\D), 26
// (\[Root]), 23 (Maïa) and 38 bytes (EAST, WEST): 15 bytes and the name
// and the class name each, after a count of 4.
TYPED_TEST(Contract, AContainerComesInChunksThatFitTheBufferWholeAndInOrder) {
    ClientSession small(this->c, 4 + 60);
    ASSERT_EQ(small.setContext("ACME"), nw::kSuccess);
    const auto listing = small.list("SALES");
    EXPECT_EQ(listing.rc, nw::kSuccess);
    EXPECT_EQ(listing.names, (Names{"JSMITH", "J\\.DOE", "A\\=B\\+C\\\\D", "\\[Root]", "Ma\xEF\x61", "EAST", "WEST"}));
    EXPECT_EQ(listing.chunks, (std::vector<std::size_t>{2, 2, 1, 1, 1}));
    EXPECT_EQ(small.list("SALES", true).names, (Names{"EAST", "WEST"}));
    nw::nint32 iteration = -1;
    nw::Object_Info_T& east = this->info;
    ASSERT_EQ(this->c.NWDSListContainers(small.context, "SALES", &iteration, small.buffer), nw::kSuccess);
    ASSERT_EQ(this->c.NWDSGetObjectName(small.context, small.buffer, this->t, nullptr, &east), nw::kSuccess);
    EXPECT_EQ(std::tuple(east.objectFlags, east.modificationTime, std::string(east.baseClass)),
              std::tuple(nw::kObjectFlagContainer, 946684800u, "Organizational Unit")); // 2000-01-01

    // A buffer that holds the count alone lists a leaf, and nothing else.
    ClientSession tiny(this->c, 4 + 24);
    ASSERT_EQ(tiny.setContext("SALES.ACME"), nw::kSuccess);
    EXPECT_EQ(tiny.list("JSMITH").chunks, std::vector<std::size_t>{0});
    iteration = -1;
    EXPECT_EQ(this->c.NWDSList(tiny.context, "", &iteration, tiny.buffer), -649);
    EXPECT_EQ(iteration, -1);
}

// As the container walk does: a listing runs to its end, in a buffer of its
// own, between two chunks of another.
TYPED_TEST(Contract, IterationHandlesBelongToTheirContextAndKindAndEndWithTheListing) {
    nw::ClientKit& api = this->c;
    ClientSession small(api, 4 + 60);
    ASSERT_EQ(small.setContext("ACME"), nw::kSuccess);
    nw::nint32 outer = -1;
    ASSERT_EQ(api.NWDSList(small.context, "SALES", &outer, small.buffer), nw::kSuccess);
    ASSERT_GT(outer, 0);
    ClientSession inner(api, 4 + 60);
    ASSERT_EQ(inner.setContext("ACME"), nw::kSuccess);
    EXPECT_EQ(inner.list("SALES").names.size(), 7u);
    nw::nint32 copy = outer;
    EXPECT_EQ(api.NWDSList(inner.context, "SALES", &copy, inner.buffer), -642);           // another context's
    EXPECT_EQ(api.NWDSListContainers(small.context, "SALES", &copy, small.buffer), -642); // the other kind's
    EXPECT_EQ(copy, outer);
    // A continuation goes on where its listing stands, whatever name comes with it.
    Names rest;
    while (copy != -1) {
        ASSERT_EQ(api.NWDSList(small.context, "NOPE", &copy, small.buffer), nw::kSuccess);
        const Names names = this->chunk(small.buffer);
        rest.insert(rest.end(), names.begin(), names.end());
    }
    EXPECT_EQ(rest.size(), 5u);
    EXPECT_EQ(api.NWDSList(small.context, "SALES", &outer, small.buffer), -642); // finished
}

TYPED_TEST(Contract, TheServerItsVolumesAndTheCodesTheToolExamines) {
    nw::ClientKit& api = this->c;
    ASSERT_EQ(api.NWGetKnownServersInfo(this->conn, 0, nw::kKnownServersConstant, this->record.data()), nw::kSuccess);
    EXPECT_EQ(this->record[nw::kKnownServersCountOffset], 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(&this->record[nw::kKnownServersAreaOffset + nw::kKnownServersSkipBytes]),
                 "FS1");
    EXPECT_EQ(api.NWGetKnownServersInfo(this->conn, 1, nw::kKnownServersConstant, this->record.data()),
              nw::kNoMoreServers);
    nw::NWCONN_HANDLE byName = 0;
    ASSERT_EQ(api.NWCCOpenConnByName(this->conn, "fs1", nw::kNameFormatBindery, 1, nw::kTransportAny, &byName), 0);
    std::array<char, nw::kVolumeNameBufferSize> volume{};
    for (const auto& [number, name] : {std::pair<nw::nuint16, std::string>{0, "SYS"}, {1, ""}}) {
        ASSERT_EQ(api.NWGetVolumeName(byName, number, volume.data()), nw::kSuccess);
        EXPECT_EQ(volume.data(), name);
    }
    // An object the server does not know uses nothing and has no restriction.
    nw::nint32 restriction = 0, inUse = -1;
    ASSERT_EQ(api.NWGetObjDiskRestrictions(byName, 0, 999999, &restriction, &inUse), nw::kSuccess);
    EXPECT_EQ(std::pair(restriction, inUse), std::pair(0x40000000, 0));
    EXPECT_EQ(api.NWCCCloseConn(byName), nw::kSuccess);

    // Which text is no name, DottedNameTest says; every call that reads one
    // gives -309 for it, text without its NUL included.
    ClientSession& session = this->s;
    EXPECT_EQ(
        std::tuple(session.resolve("A..B").rc, session.list("A..B").rc, session.resolve(std::string(257, 'S')).rc),
        std::tuple(nw::kInvalidDsName, nw::kInvalidDsName, nw::kInvalidDsName));
    EXPECT_EQ(session.setContext(""), nw::kInvalidDsName); // a name context is a full name
    EXPECT_EQ(session.list("NOPE").rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.resolve("CN=SALES").rc, nw::kNoSuchEntry); // the wrong naming attribute
    EXPECT_EQ(session.resolve("OU=sales.o=acme").rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.setContext("NOPE.ACME"), nw::kSuccess); // a context that does not exist is one to list nothing in
    EXPECT_EQ(session.list("").rc, nw::kNoSuchEntry);
    // A resolved name comes with a connection to the server of the directory.
    nw::nuint32 id = 0;
    nw::NWCONN_REF resolvedRef = 0;
    ASSERT_EQ(api.NWDSResolveName(session.context, "[root]", &byName, &id), nw::kSuccess);
    EXPECT_EQ(std::tuple(api.NWCCGetConnRef(byName, &resolvedRef), resolvedRef), std::tuple(0, this->ref));
}

// A stop flag that a test raises from another thread.
struct Cancelling final : nw::CallWatcher {
    bool cancelled() const override { return stop.load(); }
    void doing(const std::string&) override {}
    bool freshFigures() const override { return false; }
    std::atomic<bool> stop{false};
};

TYPED_TEST(Contract, ACancelledWaitEndsWithinMillisecondsWithCancelled) {
    if constexpr (!TypeParam::kWaits) {
        GTEST_SKIP() << "this client has no wait to cancel";
    } else {
        nwsim::Network slow = network();
        slow.latencyMicros = 10'000'000;
        const auto slowClient = TypeParam::make(std::move(slow));
        Cancelling watcher;
        slowClient->watchCalls(&watcher);
        std::chrono::steady_clock::time_point cancelledAt;
        std::thread cancel([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            cancelledAt = std::chrono::steady_clock::now();
            watcher.stop = true;
        });
        nw::NWDSContextHandle context = 0;
        EXPECT_EQ(slowClient->NWDSCreateContextHandle(&context), nw::kCancelled);
        const auto stopped = std::chrono::steady_clock::now();
        cancel.join();
        EXPECT_LT(stopped - cancelledAt, std::chrono::milliseconds(50));
        slowClient->watchCalls(nullptr);
    }
}

} // namespace
} // namespace contract
