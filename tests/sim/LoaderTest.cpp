#include "netware/sim/Calls.h"
#include "netware/sim/NetworkLoader.h"

#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using nwsim::loadNetworkFile;
using nwsim::loadNetworkJson;

const std::string kData = VORLANE_TEST_DATA;
const std::string kDocs = kData + "/../../docs";

TEST(LoaderExample, TheDocumentedExampleLoadsWithEverythingInPlace) {
    const auto result = loadNetworkFile(kDocs + "/example-network.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.defaultContext, "STAFF.EXAMPLE");
    EXPECT_EQ(net.callLatencyMicros.at("NWDSList"), 2000u);
    EXPECT_EQ(net.faults.at(0).name, "PROJECTS");

    // Children keep the file's order; BJÖRN arrives in the 8-bit set.
    const nwsim::Entry* staff = loadertest::find(net, {"EXAMPLE", "STAFF"});
    ASSERT_NE(staff, nullptr);
    std::string names;
    for (const auto c : staff->children)
        names += net.entries[c].name + " ";
    EXPECT_EQ(names, "ANNA BJ\xD6RN CARLA LASER LASER_Q PROJECTS ");

    const auto anna = loadertest::usagesOf(net, *loadertest::find(net, {"EXAMPLE", "STAFF", "ANNA"}));
    ASSERT_EQ(anna.size(), 2u);
    EXPECT_EQ(anna[0].inUse, 1200);
    EXPECT_EQ(anna[0].restriction, 0x40000000);
    EXPECT_EQ(anna[1].restriction, 5000);
}

TEST(LoaderExample, DocumentSchemaAndLoaderAgree) {
    // The format document shows the example file verbatim.
    const std::string doc = loadertest::readFile(kDocs + "/network-format.md");
    const auto begin = doc.find("```json\n", doc.find("## A complete example")) + 8;
    EXPECT_EQ(doc.substr(begin, doc.find("```", begin) - begin), loadertest::readFile(kDocs + "/example-network.json"));

    // The schema knows the same keys, required keys, classes and call names.
    const auto schema = nlohmann::json::parse(loadertest::readFile(kDocs + "/network.schema.json"));
    for (const auto& format : nwsim::networkFormatObjects()) {
        const auto& def = format.kind == "network" ? schema : schema.at("$defs").at(std::string(format.kind));
        std::set<std::string> keys;
        for (const auto& [key, value] : def.at("properties").items())
            keys.insert(key);
        EXPECT_EQ(keys, std::set<std::string>(format.keys.begin(), format.keys.end())) << format.kind;
        EXPECT_EQ(def.value("required", std::set<std::string>()),
                  std::set<std::string>(format.required.begin(), format.required.end()))
            << format.kind;
    }
    std::set<std::string> classes;
    for (int c = 0; c <= static_cast<int>(nwsim::ObjectClass::Other); ++c)
        classes.insert(nwsim::className(static_cast<nwsim::ObjectClass>(c)));
    EXPECT_EQ(schema.at("/$defs/object/properties/class/enum"_json_pointer).get<std::set<std::string>>(), classes);
    EXPECT_EQ(schema.at("/$defs/callName/enum"_json_pointer).get<std::set<std::string>>(),
              std::set<std::string>(nwsim::kCallNames.begin(), nwsim::kCallNames.end()));
}

TEST(LoaderText, TextIsConvertedAndLeftOutKeysTakeTheirDefaults) {
    const auto result = loadNetworkJson("\xEF\xBB\xBF"
                                        R"({
        "servers": [{"name": "FS2", "volumes": [{"number": 5, "name": "B"}, {"number": 0, "name": "DATEN\u00C4"}]},
                    {"name": "FS1", "volumes": []}],
        "defaultServer": "fs1", "tree": [{"name": "ACME", "class": "Organization", "children": [
            {"name": "JOS\u00C9", "class": "User"}, {"name": "\u0141UKASZ", "class": "User"},
            {"name": "SUB", "class": "Organizational Unit", "children": [{"name": "jos\u00E9", "class": "User"}]}]}]})",
                                        "bom.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.servers[0].volumes[0].name, "DATEN\xC4"); // sorted by number
    EXPECT_EQ(net.defaultServer, 1u);                       // matched ignoring case
    EXPECT_EQ(net.defaultContext, "");
    EXPECT_EQ(net.entries[2].name, "JOS\xC9");
    EXPECT_EQ(net.entries[3].name, "?UKASZ");  // no Ł in the 8-bit set
    EXPECT_EQ(net.entries[5].name, "jos\xE9"); // the same name is fine in another container
}

TEST(LoaderObjectIds, LeftOutIdsAreStableAndPassOverGivenOnes) {
    const std::string text = R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [
        {"name": "A", "class": "Organization", "children": [{"name": "X", "class": "User", "id": 16777218},
                                                             {"name": "Y", "class": "User"}]},
        {"name": "B", "class": "Organization", "id": 16777217}]})";
    const auto once = loadNetworkJson(text, "n");
    ASSERT_TRUE(once.network) << once.error;
    std::vector<nw::nuint32> ids; // [Root], A, X, Y, B in tree order
    for (const auto& e : once.network->entries)
        ids.push_back(e.objectId);
    const nw::nuint32 first = nwsim::kFirstAutomaticObjectId; // 16777217, given in the file, as is the next
    EXPECT_EQ(ids, (std::vector<nw::nuint32>{first + 2, first + 3, 16777218u, first + 4, 16777217u}));
    EXPECT_EQ(loadNetworkJson(text, "n").network->entries[3].objectId, first + 4);
}

TEST(LoaderGenerate, GeneratedNetworksTakeTheOtherSettingsToo) {
    const auto result = loadNetworkJson(R"({"generate": {"objects": 500, "servers": 3, "seed": 9},
        "defaultServer": "FS3", "latency": {"all": 5},
        "faults": [{"call": "NWGetVolumeName", "code": 1, "server": "fs2", "volume": 1}]})",
                                        "gen.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.defaultServer, 2u);
    EXPECT_EQ(net.latencyMicros, 5u);
    EXPECT_EQ(net.faults.at(0).server, "FS2"); // the server's own spelling
}

TEST(LoaderFiles, UnusableFilesAreNamedInTheMessage) {
    const auto errorOf = [](const std::string& path) { return loadNetworkFile(path).error; };
    const std::string missing = kData + "/networks/loader-no-such-file.json";
    EXPECT_EQ(errorOf(missing), missing + ": cannot be read: there is no such file");
    EXPECT_EQ(errorOf(kData), kData + ": cannot be read: it is a directory, not a file");
    const std::string syntax = kData + "/networks/loader-syntax-error.json";
    EXPECT_EQ(errorOf(syntax), syntax + ": line 4, column 3: not valid JSON: unexpected '}'; expected ']'");
    const std::string types = kData + "/networks/loader-wrong-types.json";
    EXPECT_EQ(errorOf(types), types + ": /servers/0/volumes/1/number: expected a whole number, found a string");
}

// Whatever a value is replaced by, the loader answers with a well-formed
// network or a message, and never throws or crashes.
} // namespace
