// The stand-in client on arbitrary 8-bit names, over a directory whose names
// hold every character that needs care (dots, '=', '+', backslashes, "[Root]"
// as a name, accented letters, a name near the length limit), listed in
// chunks of two: names-directory.json.
//
// Calls: setting the name context, resolving, listing objects and containers,
// switching between typed and typeless names. Each answers with a code the
// tool expects (success, invalid name, no such entry), a listing succeeds
// where its container resolves, and unterminated text is read no further
// than one character past the longest name. (What a refused context leaves
// in place, which names resolve to what, and that a walk through this very
// directory, typed and typeless, finds each object under its own name, the
// unit tests assert.)
//
// The tool's whole listing on arbitrary typed context text either completes
// or ends with a message or two, never with a failed call, and gives every
// handle back. (Which messages, and which rows it completes with, the
// listing's unit tests assert.)

#include "FuzzSupport.h"
#include "report/UsageListing.h"
#include "sim/SimSupport.h"
#include "support/FakeUserChannel.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>

namespace {

using nwsim::test::Session;

const nwsim::Network& directory() {
    static const nwsim::Network net = *nwsim::loadNetworkFile(VORLANE_FUZZ_DATA "/names-directory.json");
    return net;
}

bool expectedNameCode(nw::NWRCODE rc) {
    return rc == nw::kSuccess || rc == nw::kInvalidDsName || rc == nw::kNoSuchEntry;
}

void setContext(Session& s, const std::string& text) {
    FUZZ_REQUIRE(expectedNameCode(s.client.NWDSSetContext(s.context, nw::kContextKeyNameContext, text.c_str())));
}

void resolve(Session& s, const std::string& text) {
    FUZZ_REQUIRE(expectedNameCode(s.resolve(text).rc));
    // Text without its NUL, as long as a name can be and one more: read no
    // further than that (the sanitizer sees the end of the block).
    if (text.size() > nw::kMaxDnChars && text.find('\0') == std::string::npos) {
        const auto unterminated = std::make_unique<char[]>(nw::kMaxDnChars + 1);
        std::memcpy(unterminated.get(), text.data(), nw::kMaxDnChars + 1);
        nw::NWCONN_HANDLE conn = 0;
        nw::nuint32 id = 0;
        FUZZ_REQUIRE(s.client.NWDSResolveName(s.context, unterminated.get(), &conn, &id) == nw::kInvalidDsName);
    }
}

void list(Session& s, const std::string& text, bool containersOnly) {
    const auto listing = s.list(text.c_str(), containersOnly);
    FUZZ_REQUIRE(expectedNameCode(listing.rc) && (listing.rc == nw::kSuccess) == (s.resolve(text).rc == nw::kSuccess));
}

void wholeListing(FuzzedDataProvider& in) {
    vorlane::ListingRequest request;
    request.recurse = in.ConsumeBool();
    request.server = in.ConsumeBool() ? "FS2" : "FS1";
    request.volumes = in.ConsumeBool() && request.server == "FS1"
                          ? std::vector<vorlane::RequestedVolume>{{0, "SYS"}, {1, "VOL1"}}
                          : std::vector<vorlane::RequestedVolume>{{0, "SYS"}};
    request.context = in.ConsumeRemainingBytesAsString();
    nwsim::SimClient client(directory());
    nw::NWCONN_HANDLE defConn = 0; // to FS1, the default server
    FUZZ_REQUIRE(client.NWCCOpenConnByRef(nwsim::SimClient::referenceOf(0), nw::kOpenStateUnlicensed, 0, &defConn) ==
                 nw::kSuccess);
    testing_support::FakeUserChannel user;
    vorlane::ListingResult result;
    vorlane::ListingControl control;
    try {
        result = vorlane::doListing(client, user, defConn, request, control);
    } catch (const testing_support::ProgramEnded&) {
        std::fprintf(stderr, "the listing ended the program: %s\n", user.messages.back().c_str());
        std::abort();
    }
    FUZZ_REQUIRE(client.NWCCCloseConn(defConn) == nw::kSuccess && client.openConnections().empty());
    FUZZ_REQUIRE(client.allocatedBufferCount() == 0 && client.openContextCount() == 0 &&
                 client.openIterationCount() == 0);
    // A missing context is met twice with Recurse: once by the container
    // walk, which goes on, and once by the listing, which stops.
    FUZZ_REQUIRE(result.completed || (!user.messages.empty() && user.messages.size() <= 2));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool()) {
        wholeListing(in);
        return 0;
    }
    Session session(directory());
    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange(0, 4);
        if (op == 3) { // between typed and typeless names
            nw::nuint32 flags = 0;
            FUZZ_REQUIRE(session.client.NWDSGetContext(session.context, nw::kContextKeyFlags, &flags) == 0);
            flags ^= nw::kContextFlagTypelessNames;
            FUZZ_REQUIRE(session.client.NWDSSetContext(session.context, nw::kContextKeyFlags, &flags) == 0);
            continue;
        }
        const std::string text = in.ConsumeRandomLengthString(nw::kMaxDnChars + 8);
        if (op == 0)
            setContext(session, text);
        else if (op == 1)
            resolve(session, text);
        else
            list(session, text, op == 4);
    }
    FUZZ_REQUIRE(session.client.NWDSFreeBuf(session.buffer) == nw::kSuccess);
    FUZZ_REQUIRE(session.client.NWDSFreeContext(session.context) == nw::kSuccess);
    FUZZ_REQUIRE(session.client.openIterationCount() == 0 && session.client.allocatedBufferCount() == 0);
    FUZZ_REQUIRE(session.client.openContextCount() == 0 && session.client.openConnections().empty());
    return 0;
}
