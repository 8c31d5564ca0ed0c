// The stand-in client on arbitrary 8-bit names, over a directory whose names
// hold every character that needs care (dots, '=', '+', backslashes, "[Root]"
// as a name, accented letters, a name near the length limit), listed in
// chunks of two: names-directory.json.
//
// Calls: setting the name context, resolving, listing objects and containers,
// switching between typed and typeless names. Each answers with a code the
// tool expects (success, invalid name, no such entry), and unterminated text
// is read no further than one character past the longest name. Every listed
// name, joined to the listed container as the tool joins them, resolves to
// exactly the object listed at that place, and typed names carry that
// object's type. (What a refused context leaves in place, and which names
// resolve, the unit tests assert on cases of their own.)
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
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using nwsim::test::Session;

const nwsim::Network& directory() {
    static const nwsim::Network net = [] {
        std::ifstream in(VORLANE_FUZZ_DATA "/names-directory.json", std::ios::binary);
        return nwsim::test::networkFrom(std::string(std::istreambuf_iterator<char>(in), {}));
    }();
    return net;
}

bool expectedNameCode(nw::NWRCODE rc) {
    return rc == nw::kSuccess || rc == nw::kInvalidDsName || rc == nw::kNoSuchEntry;
}

void setContext(Session& s, const std::string& text) {
    FUZZ_REQUIRE(expectedNameCode(s.client.NWDSSetContext(s.context, nw::kContextKeyNameContext, text.c_str())));
}

void switchNameForm(Session& s) {
    nw::nuint32 flags = 0;
    FUZZ_REQUIRE(s.client.NWDSGetContext(s.context, nw::kContextKeyFlags, &flags) == nw::kSuccess);
    flags ^= nw::kContextFlagTypelessNames;
    FUZZ_REQUIRE(s.client.NWDSSetContext(s.context, nw::kContextKeyFlags, &flags) == nw::kSuccess);
}

void resolve(Session& s, const std::string& text) {
    const auto resolved = s.resolve(text);
    FUZZ_REQUIRE(expectedNameCode(resolved.rc) &&
                 (resolved.rc != nw::kSuccess || nwsim::test::entryWithId(s.client.network(), resolved.id)));
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

void list(Session& s, const std::string& given, bool containersOnly) {
    const std::string text = given.c_str(); // what the client sees
    const auto listing = s.list(text, containersOnly);
    FUZZ_REQUIRE(expectedNameCode(listing.rc) && (listing.rc == nw::kSuccess) == (s.resolve(text).rc == nw::kSuccess));
    FUZZ_REQUIRE(listing.rc != nw::kSuccess || s.listingProblem(text, listing, containersOnly).empty());
}

void wholeListing(const std::string& contextUtf8, bool recurse, bool fs2, bool allVolumes) {
    nwsim::SimClient client(directory());
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
    FUZZ_REQUIRE(client.NWCCCloseConn(defConn) == nw::kSuccess && client.openConnections().empty());
    FUZZ_REQUIRE(client.allocatedBufferCount() == 0 && client.openContextCount() == 0);
    FUZZ_REQUIRE(client.openIterationCount() == 0);
    // A missing context is met twice with Recurse: once by the container
    // walk, which goes on, and once by the listing, which stops.
    FUZZ_REQUIRE(result.completed || (!user.messages.empty() && user.messages.size() <= 2));
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
    Session session(directory());
    for (int step = 0; step < 8 && in.remaining_bytes() > 0; ++step) {
        const int op = in.ConsumeIntegralInRange(0, 4);
        if (op == 3) {
            switchNameForm(session);
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
