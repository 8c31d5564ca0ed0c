// The stand-in client on arbitrary 8-bit names, over a directory whose names
// hold every character that needs care (dots, '=', '+', backslashes, "[Root]"
// as a name, accented letters, a name near the length limit), listed in
// chunks of two: names-directory.json.
//
// Calls: setting the name context, typed or typeless, resolving, listing
// objects or containers. Each answers with a code the tool expects (success,
// invalid name, no such entry), a listing succeeds where its container
// resolves, and unterminated text is read no further than one character past
// the longest name. (Which names resolve to what, and that every delivered
// name resolves to its own object, the unit tests assert.)
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

// Text without its NUL, as long as a name can be and one more, is refused
// and read no further than that (the sanitizer sees the end of the block).
void resolveUnterminated(Session& s, const std::string& text) {
    const auto unterminated = std::make_unique<char[]>(nw::kMaxDnChars + 1);
    std::memcpy(unterminated.get(), text.data(), nw::kMaxDnChars + 1);
    nw::NWCONN_HANDLE conn = 0;
    nw::nuint32 id = 0;
    FUZZ_REQUIRE(s.client.NWDSResolveName(s.context, unterminated.get(), &conn, &id) == nw::kInvalidDsName);
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
        const bool typeless = in.ConsumeBool(), containersOnly = in.ConsumeBool();
        FUZZ_REQUIRE(expectedNameCode(session.setContext(in.ConsumeRandomLengthString(nw::kMaxDnChars + 8), typeless)));
        const std::string name = in.ConsumeRandomLengthString(nw::kMaxDnChars + 8);
        const nw::NWRCODE resolved = session.resolve(name).rc, listed = session.list(name, containersOnly).rc;
        FUZZ_REQUIRE(expectedNameCode(resolved) && expectedNameCode(listed) && (listed == 0) == (resolved == 0));
        if (name.size() > nw::kMaxDnChars && name.find('\0') == std::string::npos)
            resolveUnterminated(session, name);
    }
    FUZZ_REQUIRE(session.client.NWDSFreeBuf(session.buffer) == nw::kSuccess);
    FUZZ_REQUIRE(session.client.NWDSFreeContext(session.context) == nw::kSuccess);
    FUZZ_REQUIRE(session.client.openIterationCount() == 0 && session.client.allocatedBufferCount() == 0);
    FUZZ_REQUIRE(session.client.openContextCount() == 0 && session.client.openConnections().empty());
    return 0;
}
