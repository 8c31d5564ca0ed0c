// The network-description loader on arbitrary text. It never throws and
// answers with exactly one of a network or a message; the message names the
// source and is UTF-8 whatever bytes the text held. A network it accepts has
// its default server, and the stand-in client then delivers it whole: walking the tree by typed names from [Root]
// reaches every object under its own ID, every name within the limit the loader enforced. (That the server scan yields
// every server in order, and that object IDs are unique, volumes sorted and figures given to the right objects, the
// unit tests assert.)

#include "FuzzSupport.h"
#include "sim/SimSupport.h"

#include <nlohmann/json.hpp>

namespace {

using nwsim::Network;

// Generated networks are as large as asked; past a few thousand objects a run
// would only measure the generator.
bool tooBigToTry(std::string_view text) {
    const auto doc = nlohmann::json::parse(text, nullptr, false);
    if (!doc.is_object() || !doc.contains("generate") || !doc["generate"].is_object())
        return false;
    const auto& objects = doc["generate"].value("objects", nlohmann::json());
    return !objects.is_number() || objects > 2000 || objects < 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tooBigToTry(text))
        return -1;
    // An exception that gets out ends the run as a crash.
    nw::Opened<Network> result = nwsim::loadNetworkJson(text, "fuzz");
    nlohmann::json(result.error()).dump(); // throws on bytes that are no UTF-8
    FUZZ_REQUIRE(static_cast<bool>(result) == result.error().empty());
    if (!result) {
        FUZZ_REQUIRE(result.error().starts_with("fuzz: "));
        return 0;
    }
    Network net = std::move(*result);
    FUZZ_REQUIRE(net.defaultServer < net.servers.size());
    // What the description injects would only get in the way here.
    net.faults.clear();
    net.latencyMicros = 0;
    net.callLatencyMicros.clear();
    nwsim::test::Session session(net);
    FUZZ_REQUIRE(session.walkProblem().empty() && session.client.openConnections().empty());
    return 0;
}
