// Names a directory holds, as hostile as they come (any bytes, siblings that
// differ only in case or in a character no name can carry, names near and
// past the length of a name buffer), listed from their container and passed
// back, on both clients, typed and typeless: every delivered name resolves
// to the entry it was delivered for, no two entries get one name, and only
// an entry whose name could not fit a name buffer is left out. (Which names
// the clients give the known hard cases, the contract suite asserts.)

#include "FuzzSupport.h"
#include "contract/Clients.h"
#include "support/ClientSession.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <map>

namespace {

constexpr std::string_view kTop = R"({"servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}]}],
  "defaultServer": "FS1", "defaultContext": "ACME",
  "tree": [{"name": "ACME", "class": "Organization", "id": 1}]})";

// Escaped in full and given a sibling's ending, a name of this many bytes
// still fits a name buffer beside its type and its container's name.
constexpr std::size_t kAlwaysFits = 50;

void roundTrip(nw::Client& client, const nwsim::Network& net, bool typeless) {
    testing_support::ClientSession at(client);
    FUZZ_REQUIRE(at.setContext("ACME", typeless) == nw::kSuccess);
    const auto listing = at.list("");
    FUZZ_REQUIRE(listing.rc == nw::kSuccess);
    std::map<nw::nuint32, std::string> delivered;
    for (const std::string& name : listing.names) {
        const auto [rc, id] = at.resolve(name);
        FUZZ_REQUIRE(rc == nw::kSuccess);
        FUZZ_REQUIRE(delivered.emplace(id, name).second);
    }
    const nwsim::Entry& top = net.entries[1];
    FUZZ_REQUIRE(delivered.size() <= top.children.size());
    for (const std::uint32_t child : top.children) {
        const nwsim::Entry& entry = net.entries[child];
        FUZZ_REQUIRE(entry.name.size() > kAlwaysFits || delivered.contains(entry.objectId));
    }
    for (const auto& [id, name] : delivered)
        FUZZ_REQUIRE(id >= 1000 && id < 1000 + top.children.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    nw::Opened<nwsim::Network> loaded = nwsim::loadNetworkJson(kTop, "fuzzed directory");
    FUZZ_REQUIRE(loaded);
    nwsim::Network& net = *loaded;
    const nwsim::ObjectClass classes[] = {nwsim::ObjectClass::User, nwsim::ObjectClass::Group,
                                          nwsim::ObjectClass::OrganizationalUnit};
    for (int n = 0; n < 12 && input.remaining_bytes() > 0; ++n) {
        const nwsim::ObjectClass cls = classes[input.ConsumeIntegralInRange<int>(0, 2)];
        std::string name = input.ConsumeRandomLengthString(300);
        if (name.empty())
            continue; // no entry of either kind is without a name
        const auto index = static_cast<std::uint32_t>(net.entries.size());
        const auto id = static_cast<nw::nuint32>(1000 + net.entries[1].children.size());
        net.entries.push_back({std::move(name), cls, id, 1, {}, {}, 0, 0});
        net.entries[1].children.push_back(index);
        if (nwsim::isContainerClass(cls))
            net.entries[1].containers.push_back(index);
    }
    const std::unique_ptr<nw::ClientKit> clients[] = {contract::StandIn::make(net), contract::Directory::make(net)};
    for (const auto& client : clients)
        for (const bool typeless : {true, false})
            roundTrip(*client, net, typeless);
    return 0;
}
