// The rules every client keeps, each asserted once for both: what they
// refuse and with which code, how listings come in chunks and iterate, that
// every delivered name resolves to its own entry, and the codes the tool
// examines.

#include "contract/Clients.h"
#include "support/ClientSession.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <thread>

namespace {

using testing_support::ClientSession;
using Names = std::vector<std::string>;

template <class Kind> class Contract : public testing::Test {
protected:
    Contract() : client(Kind::make(contract::network())), c(*client), s(c) {
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

    // Every call that takes a handle, a pointer or a key, given a bad one.
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

    // Out-parameters, each filled with a pattern that a refused call leaves alone.
    void fill() {
        u = h = kUntouched;
        n = m = static_cast<nw::nint32>(kUntouched);
        start = -1;
        b = nullptr;
        text.fill('#');
        record.fill(0x5A);
        std::memset(&info, 0x5A, sizeof info);
    }
    bool untouched() const {
        const auto pattern = [](const auto& bytes, int of) {
            return std::all_of(bytes.begin(), bytes.end(), [of](auto x) { return x == of; });
        };
        std::array<unsigned char, sizeof info> infoBytes{};
        std::memcpy(infoBytes.data(), &info, sizeof info);
        return u == kUntouched && h == kUntouched && n == static_cast<nw::nint32>(kUntouched) && n == m &&
               start == -1 && b == nullptr && pattern(text, '#') && pattern(record, 0x5A) && pattern(infoBytes, 0x5A);
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

    static constexpr nw::nuint32 kUntouched = 0x5A5A5A5A;
    static constexpr nw::nuint32 kNever = 0x7FFFFFF0; // a handle of no kind ever given out
    std::unique_ptr<nw::Client> client;
    nw::Client& c;
    ClientSession s;
    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE conn = 0;
    std::unique_ptr<nw::Client> other = Kind::make(contract::network());
    ClientSession foreign{*other}; // its buffer is foreign to `c`
    // Handles given back, and what the rows pass by address.
    nw::NWCONN_HANDLE closed = 0;
    nw::NWDSContextHandle freedContext = 0;
    const nw::nuint32 flags = 0x13;
    nw::pBuf_T freedBuffer = nullptr, unfilled = nullptr, b = nullptr;
    nw::nint32 unknownIteration = 77;
    nw::nuint32 u = 0, h = 0;
    nw::nint32 n = 0, m = 0, start = -1;
    std::array<char, 300> text{};
    char* t = text.data();
    std::array<nw::nuint8, nw::kKnownServersRecordSize> record{};
    nw::Object_Info_T info{};
};

using Clients = testing::Types<contract::StandIn, contract::Directory>;
TYPED_TEST_SUITE(Contract, Clients);

TYPED_TEST(Contract, EveryRefusalHasItsCodeAndWritesNothing) {
    for (const auto& [code, call, run] : this->refusals()) {
        this->fill();
        EXPECT_EQ(run(), code) << call;
        EXPECT_TRUE(this->untouched()) << call;
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
    EXPECT_EQ(listing.names, (Names{"JSMITH", "J\\.DOE", "A\\=B\\+C\\\\D", "\\[Root]",
                                    "Ma\xEF"
                                    "a",
                                    "EAST", "WEST"}));
    EXPECT_EQ(listing.chunks, (std::vector<std::size_t>{2, 2, 1, 1, 1}));
    EXPECT_EQ(small.list("SALES", true).names, (Names{"EAST", "WEST"}));

    // A buffer that holds the count alone lists a leaf, and nothing else.
    ClientSession tiny(this->c, 4 + 24);
    ASSERT_EQ(tiny.setContext("SALES.ACME"), nw::kSuccess);
    EXPECT_EQ(tiny.list("JSMITH").chunks, std::vector<std::size_t>{0});
    nw::nint32 iteration = -1;
    EXPECT_EQ(this->c.NWDSList(tiny.context, "", &iteration, tiny.buffer), -649);
    EXPECT_EQ(iteration, -1);
}

// As the container walk does: a listing runs to its end, in a buffer of its
// own, between two chunks of another.
TYPED_TEST(Contract, IterationHandlesBelongToTheirContextAndKindAndEndWithTheListing) {
    nw::Client& api = this->c;
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

// Every name a listing delivers, typed and typeless, resolves in the context
// of its container to the entry it was delivered for: the names below, each
// once among its siblings, and every other entry's own name.
TYPED_TEST(Contract, EveryDeliveredNameResolvesToItsOwnEntry) {
    const std::map<nw::nuint32, std::pair<std::string, std::string>> special = {
        {502, {"J\\.DOE", "CN=J\\.DOE"}},
        {503, {"A\\=B\\+C\\\\D", "CN=A\\=B\\+C\\\\D"}},
        {504, {"\\[Root]", "CN=[Root]"}},
        {505,
         {"Ma\xEF"
          "a",
          "CN=Ma\xEF"
          "a"}},
        {120, {"Admin", "CN=Admin"}},
        {111, {"EAST", "OU=EAST"}},
    };
    std::set<nw::nuint32> expected;
    for (const auto& entry : contract::network().entries)
        expected.insert(entry.objectId);
    expected.erase(contract::network().entries[0].objectId); // [Root] is no entry of the directory's
    for (const bool typeless : {true, false}) {
        std::map<nw::nuint32, std::string> delivered;
        std::vector<std::string> pending{""};
        while (!pending.empty()) {
            const std::string container = pending.back();
            pending.pop_back();
            ClientSession at(this->c);
            ASSERT_EQ(at.setContext(container.empty() ? "[Root]" : container, typeless), nw::kSuccess);
            const auto listing = at.list("");
            ASSERT_EQ(listing.rc, nw::kSuccess) << container;
            for (const std::string& name : listing.names) {
                const auto [rc, id] = at.resolve(name);
                EXPECT_EQ(rc, nw::kSuccess) << name << " in " << container;
                EXPECT_TRUE(delivered.emplace(id, name).second) << name << " in " << container << ": " << id;
            }
            for (const std::string& name : at.list("", true).names)
                pending.push_back(container.empty() ? name : name + "." + container);
        }
        std::set<nw::nuint32> reached;
        for (const auto& [id, name] : delivered)
            reached.insert(id);
        EXPECT_EQ(reached, expected);
        for (const auto& [id, names] : special)
            EXPECT_EQ(delivered[id], typeless ? names.first : names.second) << id;
    }
}

TYPED_TEST(Contract, TheServerItsVolumesAndTheCodesTheToolExamines) {
    nw::Client& api = this->c;
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

    ClientSession& session = this->s;
    for (const char* bad : {"A..B", ".SALES", "SALES.", "CN=", "A+B", "A\\", "A\tB"}) {
        EXPECT_EQ(session.resolve(bad).rc, nw::kInvalidDsName) << bad;
        EXPECT_EQ(session.list(bad).rc, nw::kInvalidDsName) << bad;
    }
    EXPECT_EQ(session.resolve(std::string(257, 'S')).rc, nw::kInvalidDsName);
    EXPECT_EQ(session.resolve(std::string(256, 'S')).rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.setContext(""), nw::kInvalidDsName); // a name context is a full name
    EXPECT_EQ(session.list("NOPE").rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.resolve("CN=SALES").rc, nw::kNoSuchEntry); // the wrong naming attribute
    EXPECT_EQ(session.resolve("OU=sales.o=acme").rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.setContext("NOPE.ACME"), nw::kSuccess); // a context that does not exist is one to list nothing in
    EXPECT_EQ(session.list("").rc, nw::kNoSuchEntry);
    EXPECT_EQ(session.resolve("[root]").rc, nw::kSuccess);
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
        nwsim::Network slow = contract::network();
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
