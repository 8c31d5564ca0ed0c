// The stand-in client on arbitrary 8-bit names, over a directory whose names
// hold every character that needs care (dots, '=', '+', backslashes, "[Root]"
// as a name, accented letters, a name near the length limit), listed in
// chunks of two.
//
// Calls: setting the name context, resolving, listing objects and containers,
// switching between typed and typeless names. Each answers with a code the
// tool expects (success, invalid name, no such entry), a refused context
// leaves the old one in place, and unterminated text is read no further than
// one character past the longest name. Every listed name, joined to the
// listed container as the tool joins them, resolves to exactly the object
// listed at that place, and typed names carry that object's type.
//
// The tool's whole listing on arbitrary typed context text either completes
// or ends with one of its two messages, never with a failed call; the rows it
// completes with are exactly the objects that use space on the server's
// chosen volumes, with their figures. Every handle is given back.

#include "FuzzSupport.h"
#include "netware/Charset.h"
#include "netware/sim/DsName.h"
#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"
#include "report/UsageListing.h"
#include "support/FakeUserChannel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

using nwsim::SimClient;

constexpr std::string_view kDirectory = R"json({
  "servers": [
    { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "DATA" } ] },
    { "name": "FS2", "volumes": [ { "number": 0, "name": "SYS" } ] }
  ],
  "defaultServer": "FS1",
  "chunkLimit": 2,
  "tree": [
    { "name": "ACME", "class": "Organization", "children": [
      { "name": "ADMIN", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 100 } ] },
      { "name": "SALES", "class": "Organizational Unit", "children": [
        { "name": "J.SMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 5 } ] },
        { "name": "A=B", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 6 } ] },
        { "name": "X+Y", "class": "Group", "usage": [ { "server": "FS2", "volume": 0, "inUse": 7 } ] },
        { "name": "BACK\\SLASH", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 8 } ] },
        { "name": "[Root]", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 9 } ] },
        { "name": "ÉQUIPE", "class": "Organizational Unit", "children": [
          { "name": "ÅSA", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 10 } ] },
          { "name": "šárka", "class": "User", "usage": [ { "server": "FS2", "volume": 0, "inUse": 11 } ] },
          { "name": "€URO", "class": "Printer" }
        ] },
        { "name": "EAST", "class": "Locality", "children": [
          { "name": "[ROOT]", "class": "Organizational Unit", "children": [
            { "name": "DEEP", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 12 } ] }
          ] }
        ] },
        { "name": "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL",
          "class": "Organizational Unit", "children": [
            { "name": "LEAF.WITH.DOTS.TO.THE.LIMIT.X", "class": "User",
              "usage": [ { "server": "FS1", "volume": 0, "inUse": 13 } ] }
        ] }
      ] },
      { "name": "ALIAS", "class": "Alias", "usage": [ { "server": "FS1", "volume": 1, "inUse": 14 } ] }
    ] },
    { "name": "US", "class": "Country", "children": [
      { "name": "WIDGETS", "class": "Organization", "children": [
        { "name": "BOB", "class": "User", "usage": [ { "server": "FS2", "volume": 0, "inUse": 15 } ] }
      ] }
    ] }
  ]
})json";

const nwsim::Network& directory() {
    static const nwsim::Network net = [] {
        auto loaded = nwsim::loadNetworkJson(kDirectory, "fuzz directory");
        if (!loaded.network) {
            std::fprintf(stderr, "%s\n", loaded.error.c_str());
            std::abort();
        }
        return std::move(*loaded.network);
    }();
    return net;
}

std::uint32_t entryWithId(const nwsim::Network& net, nw::nuint32 id) {
    for (std::uint32_t e = 0; e < net.entries.size(); ++e) {
        if (net.entries[e].objectId == id)
            return e;
    }
    return nwsim::kNoEntry;
}

bool expectedNameCode(nw::NWRCODE rc) {
    return rc == nw::kSuccess || rc == nw::kInvalidDsName || rc == nw::kNoSuchEntry;
}

// Resolves `text` and gives the connection straight back; the object ID, or
// nothing on a failure, whose code must be one the tool expects.
std::optional<nw::nuint32> resolved(SimClient& client, nw::NWDSContextHandle context, const char* text) {
    nw::NWCONN_HANDLE conn = 0;
    nw::nuint32 id = 0;
    const auto rc = client.NWDSResolveName(context, text, &conn, &id);
    FUZZ_REQUIRE(expectedNameCode(rc));
    if (rc != nw::kSuccess)
        return std::nullopt;
    FUZZ_REQUIRE(client.NWCCCloseConn(conn) == nw::kSuccess);
    return id;
}

class Session {
public:
    Session() : client_(directory()) {
        FUZZ_REQUIRE(client_.NWDSCreateContextHandle(&context_) == nw::kSuccess);
        FUZZ_REQUIRE(client_.NWDSAllocBuf(nw::kResultBufferSize, &buffer_) == nw::kSuccess);
    }
    ~Session() {
        FUZZ_REQUIRE(client_.NWDSFreeBuf(buffer_) == nw::kSuccess);
        FUZZ_REQUIRE(client_.NWDSFreeContext(context_) == nw::kSuccess);
        FUZZ_REQUIRE(client_.openIterationCount() == 0 && client_.allocatedBufferCount() == 0);
        FUZZ_REQUIRE(client_.openContextCount() == 0 && client_.openConnections().empty());
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void setContext(const std::string& text) {
        std::array<char, nw::kNameBufferSize> before{};
        FUZZ_REQUIRE(client_.NWDSGetContext(context_, nw::kContextKeyNameContext, before.data()) == nw::kSuccess);
        const auto rc = client_.NWDSSetContext(context_, nw::kContextKeyNameContext, text.c_str());
        FUZZ_REQUIRE(rc == nw::kSuccess || rc == nw::kInvalidDsName);
        std::array<char, nw::kNameBufferSize> after{};
        FUZZ_REQUIRE(client_.NWDSGetContext(context_, nw::kContextKeyNameContext, after.data()) == nw::kSuccess);
        FUZZ_REQUIRE(std::string(after.data()) == (rc == nw::kSuccess ? std::string(text.c_str()) : before.data()));
    }

    void switchNameForm() {
        nw::nuint32 flags = 0;
        FUZZ_REQUIRE(client_.NWDSGetContext(context_, nw::kContextKeyFlags, &flags) == nw::kSuccess);
        flags ^= nw::kContextFlagTypelessNames;
        FUZZ_REQUIRE(client_.NWDSSetContext(context_, nw::kContextKeyFlags, &flags) == nw::kSuccess);
    }

    void resolve(const std::string& text) {
        if (const auto id = resolved(client_, context_, text.c_str()))
            FUZZ_REQUIRE(entryWithId(client_.network(), *id) != nwsim::kNoEntry);
        // Text without its NUL, as long as a name can be and one more: read
        // no further than that (the sanitizer sees the end of the block).
        if (text.size() > nw::kMaxDnChars && text.find('\0') == std::string::npos) {
            const auto unterminated = std::make_unique<char[]>(nw::kMaxDnChars + 1);
            std::memcpy(unterminated.get(), text.data(), nw::kMaxDnChars + 1);
            nw::NWCONN_HANDLE conn = 0;
            nw::nuint32 id = 0;
            FUZZ_REQUIRE(client_.NWDSResolveName(context_, unterminated.get(), &conn, &id) == nw::kInvalidDsName);
        }
    }

    void list(const std::string& given, bool containersOnly) {
        const std::string text = given.c_str(); // what the client sees
        const nwsim::Network& net = client_.network();
        nw::nuint32 flags = 0;
        FUZZ_REQUIRE(client_.NWDSGetContext(context_, nw::kContextKeyFlags, &flags) == nw::kSuccess);
        const bool typeless = (flags & nw::kContextFlagTypelessNames) != 0;

        std::vector<std::string> names;
        nw::nint32 iteration = -1;
        do {
            const auto rc = containersOnly ? client_.NWDSListContainers(context_, text.c_str(), &iteration, buffer_)
                                           : client_.NWDSList(context_, text.c_str(), &iteration, buffer_);
            FUZZ_REQUIRE(expectedNameCode(rc));
            if (rc != nw::kSuccess) {
                FUZZ_REQUIRE(names.empty() && !resolved(client_, context_, text.c_str()));
                return;
            }
            nw::nuint32 count = 0;
            FUZZ_REQUIRE(client_.NWDSGetObjectCount(context_, buffer_, &count) == nw::kSuccess);
            for (nw::nuint32 i = 0; i < count; ++i) {
                std::array<char, nw::kNameBufferSize> name{};
                FUZZ_REQUIRE(client_.NWDSGetObjectName(context_, buffer_, name.data(), nullptr, nullptr) ==
                             nw::kSuccess);
                names.emplace_back(name.data());
            }
        } while (iteration != -1);

        const auto containerId = resolved(client_, context_, text.c_str());
        FUZZ_REQUIRE(containerId.has_value());
        const nwsim::Entry& container = net.entries[entryWithId(net, *containerId)];
        const auto& members = containersOnly ? container.containers : container.children;
        FUZZ_REQUIRE(names.size() == members.size());

        nwsim::DsName listed;
        FUZZ_REQUIRE(nwsim::parseDsName(text.c_str(), listed) == nw::kSuccess);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const nwsim::Entry& member = net.entries[members[i]];
            nwsim::DsName own;
            FUZZ_REQUIRE(nwsim::parseDsName(names[i], own) == nw::kSuccess);
            FUZZ_REQUIRE(!own.root && own.components.size() == 1 && own.components[0].value == member.name);
            FUZZ_REQUIRE(own.components[0].type == (typeless ? "" : nwsim::namingAttribute(member.cls)));
            // The tool joins a listed name to the container it listed.
            if (listed.root)
                continue; // "[Root]" is no container name a listing can stand inside
            const std::string joined = text.empty() ? names[i] : names[i] + "." + text;
            if (joined.size() > nw::kMaxDnChars)
                continue;
            FUZZ_REQUIRE(resolved(client_, context_, joined.c_str()) == member.objectId);
        }
    }

private:
    SimClient client_;
    nw::NWDSContextHandle context_ = 0;
    nw::pBuf_T buffer_ = nullptr;
};

// What a whole listing must find, from the network itself: object ID ->
// kilobytes, for the container `top`.
std::multimap<nw::nuint32, std::int64_t> expectedRows(const nwsim::Network& net, std::uint32_t top,
                                                      const vorlane::ListingRequest& request, std::uint32_t server) {
    std::vector<std::uint32_t> containers{top};
    for (std::size_t i = 0; request.recurse && i < containers.size(); ++i) {
        const auto& below = net.entries[containers[i]].containers;
        containers.insert(containers.end(), below.begin(), below.end());
    }
    std::multimap<nw::nuint32, std::int64_t> rows;
    for (const std::uint32_t c : containers) {
        for (const std::uint32_t child : net.entries[c].children) {
            const nwsim::Entry& e = net.entries[child];
            std::int64_t kilobytes = 0;
            for (std::uint32_t u = e.usageBegin; u < e.usageBegin + e.usageCount; ++u) {
                const nwsim::Usage& usage = net.usages[u];
                if (usage.server == server &&
                    std::find(request.volumes.begin(), request.volumes.end(), usage.volume) != request.volumes.end())
                    kilobytes += std::int64_t{usage.inUse} * 4;
            }
            if (kilobytes != 0)
                rows.emplace(e.objectId, kilobytes);
        }
    }
    return rows;
}

void wholeListing(const std::string& contextUtf8, bool recurse, bool fs2, bool allVolumes) {
    SimClient client(directory());
    const nwsim::Network& net = client.network();
    vorlane::ListingRequest request;
    request.server = fs2 ? "FS2" : "FS1";
    request.context = contextUtf8;
    request.recurse = recurse;
    request.volumes = allVolumes && !fs2 ? std::vector<nw::nuint8>{0, 1} : std::vector<nw::nuint8>{0};

    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE defConn = 0;
    FUZZ_REQUIRE(client.NWGetDefaultConnRef(&ref) == nw::kSuccess);
    FUZZ_REQUIRE(client.NWCCOpenConnByRef(ref, nw::kOpenStateUnlicensed, 0, &defConn) == nw::kSuccess);

    testing_support::FakeUserChannel user;
    vorlane::ListingResult result;
    try {
        result = vorlane::doListing(client, user, defConn, request);
    } catch (const testing_support::ProgramEnded&) {
        std::fprintf(stderr, "the listing ended the program: %s\n", user.messages.back().c_str());
        std::abort();
    }

    // A NUL cannot reach the client; how the listing deals with one is its
    // own affair, and only the outcome above is checked for it.
    if (contextUtf8.find('\0') != std::string::npos) {
        FUZZ_REQUIRE(result.completed || (!user.messages.empty() && user.messages.size() <= 2));
        FUZZ_REQUIRE(client.NWCCCloseConn(defConn) == nw::kSuccess && client.openConnections().empty());
        FUZZ_REQUIRE(client.allocatedBufferCount() == 0 && client.openContextCount() == 0);
        return;
    }
    // Where the context stands, asked on a context of its own.
    nw::NWDSContextHandle context = 0;
    FUZZ_REQUIRE(client.NWDSCreateContextHandle(&context) == nw::kSuccess);
    const std::string context8 = nw::utf8ToCp1252(contextUtf8);
    const bool valid = client.NWDSSetContext(context, nw::kContextKeyNameContext, context8.c_str()) == nw::kSuccess;
    const auto top = valid ? resolved(client, context, "") : std::nullopt;
    if (!valid || !top) {
        // A missing context is met twice with Recurse: once by the container
        // walk, which goes on, and once by the listing, which stops.
        FUZZ_REQUIRE(!result.completed && !user.messages.empty() && user.messages.size() <= (valid ? 2u : 1u));
        for (const std::string& message : user.messages)
            FUZZ_REQUIRE(message == (valid ? "Context does not exist" : "Invalid context supplied"));
    } else {
        FUZZ_REQUIRE(result.completed && user.messages.empty());
        std::multimap<nw::nuint32, std::int64_t> found;
        for (const vorlane::UsageRow& row : result.rows) {
            const auto id = resolved(client, context, row.name.c_str());
            FUZZ_REQUIRE(id.has_value());
            found.emplace(*id, row.kilobytes);
        }
        const auto expected = expectedRows(net, entryWithId(net, *top), request, fs2 ? 1 : 0);
        FUZZ_REQUIRE(found == expected);
    }
    FUZZ_REQUIRE(client.NWDSFreeContext(context) == nw::kSuccess);
    FUZZ_REQUIRE(client.NWCCCloseConn(defConn) == nw::kSuccess);
    FUZZ_REQUIRE(client.openConnections().empty() && client.openContextCount() == 0);
    FUZZ_REQUIRE(client.allocatedBufferCount() == 0 && client.openIterationCount() == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        const bool recurse = in.ConsumeBool();
        const bool fs2 = in.ConsumeBool();
        const bool allVolumes = in.ConsumeBool();
        wholeListing(in.ConsumeRemainingBytesAsString(), recurse, fs2, allVolumes);
        return 0;
    }
    Session session;
    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange(0, 4);
        if (op == 3) {
            session.switchNameForm();
            continue;
        }
        const std::string text = in.ConsumeRandomLengthString(nw::kMaxDnChars + 8);
        switch (op) {
        case 0:
            session.setContext(text);
            break;
        case 1:
            session.resolve(text);
            break;
        case 2:
            session.list(text, false);
            break;
        default:
            session.list(text, true);
            break;
        }
    }
    return 0;
}
