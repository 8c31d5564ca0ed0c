// Network descriptions the loader accepts, from text and from files, and the
// stand-in client's choice of network.

#include "netware/ClientFactory.h"
#include "netware/sim/Generator.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace nwsim::test {
namespace {

const std::string kData = VORLANE_TEST_DATA;

TEST(Loader, TextIsConvertedAndLeftOutKeysTakeTheirDefaults) {
    const Network net = networkFrom("\xEF\xBB\xBF"
                                    R"({
        "servers": [{"name": "FS2", "volumes": [{"number": 5, "name": "B"}, {"number": 0, "name": "DATEN\u00C4"}]},
                    {"name": "FS1", "volumes": []}],
        "defaultServer": "fs1", "tree": [{"name": "ACME", "class": "Organization", "children": [
            {"name": "JOS\u00C9", "class": "User", "usage": [{"server": "FS2", "volume": 5, "inUse": 3.0}]},
            {"name": "\u0141UKASZ", "class": "User"},
            {"name": "SUB", "class": "Organizational Unit", "children": [{"name": "jos\u00E9", "class": "User"}]}]}],
        "faults": [{"call": "NWDSList", "code": -2147483648.0, "server": "fs2", "name": "\u00C9", "volume": 65535,
                    "occurrence": 4294967295}],
        "latency": {"all": 10000000, "calls": {"NWDSList": 0.0}}, "chunkLimit": 4294967295})");
    EXPECT_EQ(net.servers[0].volumes[0].name, "DATEN\xC4"); // sorted by number
    EXPECT_EQ(net.defaultServer, 1u);                       // matched ignoring case
    EXPECT_EQ(std::tuple(net.defaultContext, net.serverBatchLimit, net.chunkLimit), std::tuple("", 0u, 4294967295u));
    // No Ł in the 8-bit set; the same name is fine in another container.
    EXPECT_EQ(std::tuple(net.entries[2].name, net.entries[3].name, net.entries[5].name),
              std::tuple("JOS\xC9", "?UKASZ", "jos\xE9"));
    const Usage& usage = net.usages.at(net.entries[2].usageBegin);
    EXPECT_EQ(std::tuple(usage.server, usage.volume, usage.inUse, usage.restriction), std::tuple(0u, 5, 3, 0x40000000));
    const Fault& f = net.faults.at(0);
    EXPECT_EQ(std::tuple(f.call, f.code, *f.server, *f.name, *f.volume, *f.occurrence),
              std::tuple("NWDSList", INT32_MIN, "FS2", "\xC9", 65535, 4294967295u));
    EXPECT_EQ(std::tuple(net.latencyMicros, net.callLatencyMicros.at("NWDSList")), std::tuple(10000000u, 0u));
}

TEST(Loader, ValuesAtTheEndsOfTheirRangesAreAccepted) {
    const std::string top = R"({"servers": [{"name": "F", "volumes": []}], "defaultContext": ")" +
                            std::string(256, 'C') + R"(", "tree": [{"class": "Country", "name": ")";
    for (const std::string& json : {top + std::string(254, 'N') + "\"}]}", // C= and the name: 256 characters
                                    std::string(R"({"generate": {"usageFraction": 0, "objects": 0}})"),
                                    std::string(R"({"generate": {"usageFraction": 1, "objects": 1}})")}) {
        const auto result = loadNetworkJson(json, "n");
        EXPECT_TRUE(result) << result.error();
    }
}

TEST(Loader, LeftOutObjectIdsAreStableAndPassOverGivenOnes) {
    const std::string text = R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [
        {"name": "A", "class": "Organization", "children": [{"name": "X", "class": "User", "id": 16777218},
                                                            {"name": "Y", "class": "User"}]},
        {"name": "B", "class": "Organization", "id": 16777217}]})";
    std::vector<nw::nuint32> ids; // [Root], A, X, Y, B in tree order
    for (const auto& e : networkFrom(text).entries)
        ids.push_back(e.objectId);
    const nw::nuint32 first = kFirstAutomaticObjectId; // 16777217, given in the file, as is the next
    EXPECT_EQ(ids, (std::vector<nw::nuint32>{first + 2, first + 3, 16777218u, first + 4, 16777217u}));
}

TEST(Loader, AGeneratedNetworkFollowsEverySettingAndTakesTheOtherKeys) {
    const Network loaded = networkFrom(R"({"generate": {"objects": 95, "objectsPerContainer": 10, "depth": 1,
        "servers": 3, "volumesPerServer": 2, "usageFraction": 0.5, "seed": 9}, "defaultServer": "FS3",
        "faults": [{"call": "NWGetVolumeName", "code": 1, "server": "fs2"}]})");
    EXPECT_EQ(Session(loaded).walkProblem(), "");
    EXPECT_EQ(networkText(loaded), networkText(generateNetwork({95, 10, 1, 3, 2, 0.5, 9})));
    EXPECT_EQ(loaded.defaultServer, 2u);
    EXPECT_EQ(loaded.faults.at(0).server, "FS2"); // the server's own spelling
}

TEST(Loader, UnusableFilesAreNamedInTheMessage) {
    const auto errorOf = [](const std::string& path) { return loadNetworkFile(path).error(); };
    const std::string missing = kData + "/networks/loader-no-such-file.json";
    EXPECT_EQ(errorOf(missing), missing + ": cannot be read: there is no such file");
    EXPECT_EQ(errorOf(kData), kData + ": cannot be read: it is a directory, not a file");
    const std::string syntax = kData + "/networks/loader-syntax-error.json"; // 60 bytes
    EXPECT_EQ(loadNetworkFile(syntax, 60).error(),
              syntax + ": line 4, column 3: not valid JSON: unexpected '}'; expected ']'");
    EXPECT_EQ(loadNetworkFile(syntax, 59).error(), syntax + ": cannot be read: it is larger than 0 MiB");
}

// openStandInClient() picks the network from NWSIM_NETWORK: unset or empty, the
// sample; else the file named, and for a file that cannot be used no client
// but a message naming it.
TEST(Loader, TheStandInSimulatesTheNetworkItsSettingNames) {
    const std::string bad = kData + "/networks/loader-wrong-types.json";
    const std::pair<const char*, std::string> settings[] = {
        {nullptr, "SALES.ACME"},
        {"", "SALES.ACME"},
        {VORLANE_TEST_DATA "/../../docs/example-network.json", "STAFF.EXAMPLE"},
        {bad.c_str(), bad + ": /servers/0/volumes/1/number: expected a whole number, found a string"},
    };
    for (const auto& [value, expected] : settings) {
        value != nullptr ? ::setenv("NWSIM_NETWORK", value, 1) : ::unsetenv("NWSIM_NETWORK");
        const nw::OpenedClient opening = nw::openStandInClient();
        ::unsetenv("NWSIM_NETWORK");
        std::array<char, nw::kNameBufferSize> context{};
        if (opening)
            (*opening)->NWGetDefaultNameContext(nw::kDefaultContextSize, context.data());
        EXPECT_EQ(context.data() + opening.error(), expected);
    }
}

} // namespace
} // namespace nwsim::test
