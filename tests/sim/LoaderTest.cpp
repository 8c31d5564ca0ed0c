#include "netware/sim/NetworkLoader.h"

#include "sim/LoaderTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

using nwsim::loadNetworkFile;
using nwsim::loadNetworkJson;
using nwsim::ObjectClass;

const std::string kData = VORLANE_TEST_DATA;
const std::string kDocs = kData + "/../../docs";

TEST(LoaderExample, TheDocumentedExampleLoadsWithEverythingInPlace) {
    const auto result = loadNetworkFile(kDocs + "/example-network.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);

    ASSERT_EQ(net.servers.size(), 2u);
    EXPECT_EQ(net.servers[1].name, "FS2");
    ASSERT_EQ(net.servers[1].volumes.size(), 3u);
    EXPECT_EQ(net.servers[1].volumes[2].number, 3);
    EXPECT_EQ(net.defaultServer, 0u);
    EXPECT_EQ(net.defaultContext, "STAFF.EXAMPLE");
    EXPECT_EQ(net.chunkLimit, 3u);
    EXPECT_EQ(net.latencyMicros, 0u);
    EXPECT_EQ(net.callLatencyMicros.at("NWDSList"), 2000u);
    ASSERT_EQ(net.faults.size(), 1u);
    EXPECT_EQ(net.faults[0].call, "NWDSList");
    EXPECT_EQ(net.faults[0].code, -601);
    EXPECT_EQ(net.faults[0].name, "PROJECTS");
    EXPECT_EQ(net.faults[0].occurrence, 1u);
    EXPECT_FALSE(net.faults[0].server || net.faults[0].volume);

    const nwsim::Entry* staff = loadertest::find(net, {"EXAMPLE", "STAFF"});
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(staff->cls, ObjectClass::OrganizationalUnit);
    // Children keep the file's order; containers are the container children only.
    std::vector<std::string> names;
    for (const auto c : staff->children)
        names.push_back(net.entries[c].name);
    EXPECT_EQ(names, (std::vector<std::string>{"ANNA", "BJ\xD6RN", "CARLA", "LASER", "LASER_Q", "PROJECTS"}));
    ASSERT_EQ(staff->containers.size(), 1u);
    EXPECT_EQ(net.entries[staff->containers[0]].name, "PROJECTS");

    const nwsim::Entry* anna = loadertest::find(net, {"EXAMPLE", "STAFF", "ANNA"});
    ASSERT_NE(anna, nullptr);
    const auto usages = loadertest::usagesOf(net, *anna);
    ASSERT_EQ(usages.size(), 2u);
    EXPECT_EQ(usages[0].server, 0u);
    EXPECT_EQ(usages[0].volume, 1);
    EXPECT_EQ(usages[0].inUse, 1200);
    EXPECT_EQ(usages[0].restriction, 0x40000000);
    EXPECT_EQ(usages[1].server, 1u);
    EXPECT_EQ(usages[1].restriction, 5000);

    EXPECT_EQ(loadertest::find(net, {"EXAMPLE", "ADMIN"})->objectId, 16777216u);
}

TEST(LoaderExample, TheFormatDocumentShowsTheExampleFileVerbatim) {
    const std::string doc = loadertest::readFile(kDocs + "/network-format.md");
    const auto section = doc.find("## A complete example");
    ASSERT_NE(section, std::string::npos);
    const auto begin = doc.find("```json\n", section);
    ASSERT_NE(begin, std::string::npos);
    const auto end = doc.find("```", begin + 8);
    EXPECT_EQ(doc.substr(begin + 8, end - begin - 8), loadertest::readFile(kDocs + "/example-network.json"));
}

// The schema is the format's second description; if a key is added to one and
// not the other, files valid for one are refused by the other.
TEST(LoaderSchema, SchemaAndLoaderAgreeOnKeysClassesAndCalls) {
    const auto schema = nlohmann::json::parse(loadertest::readFile(kDocs + "/network.schema.json"));
    const auto keysOf = [](const nlohmann::json& object) {
        std::set<std::string> keys;
        for (const auto& [key, value] : object.items())
            keys.insert(key);
        return keys;
    };
    for (const auto& format : nwsim::networkFormatObjects()) {
        SCOPED_TRACE(std::string(format.kind));
        const nlohmann::json& def = format.kind == "network" ? schema : schema["$defs"][std::string(format.kind)];
        ASSERT_TRUE(def.contains("properties"));
        EXPECT_EQ(keysOf(def["properties"]), std::set<std::string>(format.keys.begin(), format.keys.end()));
        EXPECT_EQ(def.value("required", std::set<std::string>()),
                  std::set<std::string>(format.required.begin(), format.required.end()));
        EXPECT_EQ(def.value("additionalProperties", true), false);
    }

    std::set<std::string> classes;
    for (int c = 0; c <= static_cast<int>(ObjectClass::Other); ++c)
        classes.insert(nwsim::className(static_cast<ObjectClass>(c)));
    EXPECT_EQ(schema["$defs"]["object"]["properties"]["class"]["enum"].get<std::set<std::string>>(), classes);
    EXPECT_EQ(schema["$defs"]["callName"]["enum"].get<std::set<std::string>>(),
              std::set<std::string>(nwsim::kClientCallNames.begin(), nwsim::kClientCallNames.end()));
}

TEST(LoaderText, NamesAreConvertedToTheEightBitSet) {
    const auto result = loadNetworkJson("\xEF\xBB\xBF"
                                        R"({
        "servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "DATEN\u00C4"}]}],
        "defaultContext": "M\u00DCNCHEN.ACME",
        "tree": [{"name": "ACME", "class": "Organization", "children": [
            {"name": "JOS\u00C9", "class": "User"}, {"name": "\u0141UKASZ", "class": "User"},
            {"name": "\u20AC", "class": "User"}]}]})",
                                        "bom.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    EXPECT_EQ(net.servers[0].volumes[0].name, "DATEN\xC4");
    EXPECT_EQ(net.defaultContext, "M\xDCNCHEN.ACME");
    EXPECT_EQ(net.entries[2].name, "JOS\xC9");
    EXPECT_EQ(net.entries[3].name, "?UKASZ"); // no Ł in the set
    EXPECT_EQ(net.entries[4].name, "\x80");   // the euro sign is
}

TEST(LoaderDefaults, LeftOutKeysTakeTheirDocumentedValues) {
    const auto result = loadNetworkJson(R"({"servers": [{"name": "FS2", "volumes": [{"number": 5, "name": "B"},
                                                                                 {"number": 0, "name": "A"}]},
                                                        {"name": "FS1", "volumes": []}],
                                            "defaultServer": "fs1"})",
                                        "net.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net); // also: volumes come out sorted by number
    EXPECT_EQ(net.servers[0].volumes[0].name, "A");
    EXPECT_EQ(net.defaultServer, 1u); // matched without regard to case
    EXPECT_EQ(net.defaultContext, "");
    ASSERT_EQ(net.entries.size(), 1u); // [Root] alone
    EXPECT_EQ(net.chunkLimit, 0u);
    EXPECT_EQ(net.serverBatchLimit, 0u);
    EXPECT_TRUE(net.faults.empty());

    const auto first =
        loadNetworkJson(R"({"servers": [{"name": "FS2", "volumes": []}, {"name": "FS1", "volumes": []}]})", "n");
    ASSERT_TRUE(first.network);
    EXPECT_EQ(first.network->defaultServer, 0u);
}

TEST(LoaderObjectIds, LeftOutIdsAreStableUniqueAndPassOverGivenOnes) {
    const std::string text = R"({"servers": [{"name": "FS1", "volumes": []}], "tree": [
        {"name": "A", "class": "Organization", "children": [
            {"name": "X", "class": "User", "id": 16777218},
            {"name": "Y", "class": "User"}]},
        {"name": "B", "class": "Organization", "id": 16777217}]})";
    const auto once = loadNetworkJson(text, "n");
    const auto twice = loadNetworkJson(text, "n");
    ASSERT_TRUE(once.network && twice.network) << once.error;
    const auto& e = once.network->entries; // [Root], A, X, Y, B in tree order
    loadertest::expectWellFormed(*once.network);
    EXPECT_EQ(e[0].objectId, nwsim::kFirstAutomaticObjectId + 2); // 0x01000001 and ..02 are given in the file
    EXPECT_EQ(e[1].objectId, nwsim::kFirstAutomaticObjectId + 3);
    EXPECT_EQ(e[2].objectId, 16777218u);
    EXPECT_EQ(e[3].objectId, nwsim::kFirstAutomaticObjectId + 4);
    EXPECT_EQ(e[4].objectId, 16777217u);
    for (std::size_t i = 0; i < e.size(); ++i)
        EXPECT_EQ(e[i].objectId, twice.network->entries[i].objectId);
}

TEST(LoaderTree, SameNameMayStandInDifferentContainersAndUsagesStayWithTheirObject) {
    const auto result = loadNetworkJson(R"({"servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}]}],
        "tree": [{"name": "ACME", "class": "Organization", "children": [
            {"name": "EAST", "class": "Organizational Unit", "usage": [{"server": "FS1", "volume": 0, "inUse": 1}],
             "children": [{"name": "SMITH", "class": "User", "usage": [{"server": "FS1", "volume": 0, "inUse": 2}]}]},
            {"name": "SMITH", "class": "User", "usage": [{"server": "FS1", "volume": 0, "inUse": 3}]},
            {"name": "L", "class": "Locality", "children": []},
            {"name": "Q", "class": "Queue", "children": []}]},
          {"name": "DE", "class": "Country"}]})",
                                        "n");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(loadertest::usagesOf(net, *loadertest::find(net, {"ACME", "EAST"}))[0].inUse, 1);
    EXPECT_EQ(loadertest::usagesOf(net, *loadertest::find(net, {"ACME", "EAST", "SMITH"}))[0].inUse, 2);
    EXPECT_EQ(loadertest::usagesOf(net, *loadertest::find(net, {"ACME", "SMITH"}))[0].inUse, 3);
    EXPECT_EQ(net.entries[0].containers.size(), 2u);
}

TEST(LoaderGenerate, GeneratedNetworksTakeTheOtherSettingsToo) {
    const auto result =
        loadNetworkJson(R"({"generate": {"objects": 500, "servers": 3, "volumesPerServer": 2, "seed": 9},
        "defaultServer": "FS3", "defaultContext": "CORP", "chunkLimit": 7, "serverBatchLimit": 2,
        "latency": {"all": 5}, "faults": [{"call": "NWGetVolumeName", "code": 1, "server": "fs2", "volume": 1}]})",
                        "gen.json");
    ASSERT_TRUE(result.network) << result.error;
    const nwsim::Network& net = *result.network;
    loadertest::expectWellFormed(net);
    EXPECT_EQ(net.servers.size(), 3u);
    EXPECT_EQ(net.defaultServer, 2u);
    EXPECT_EQ(net.defaultContext, "CORP");
    EXPECT_EQ(net.chunkLimit, 7u);
    EXPECT_EQ(net.serverBatchLimit, 2u);
    EXPECT_EQ(net.latencyMicros, 5u);
    ASSERT_EQ(net.faults.size(), 1u);
    EXPECT_EQ(net.faults[0].server, "FS2"); // the server's own spelling
    EXPECT_EQ(net.faults[0].volume, 1);
}

TEST(LoaderFiles, MissingDirectoryAndBrokenFilesAreNamedInTheMessage) {
    const std::string missing = kData + "/networks/loader-no-such-file.json";
    auto result = loadNetworkFile(missing);
    EXPECT_FALSE(result.network);
    EXPECT_EQ(result.error, missing + ": cannot be read: there is no such file");

    const std::string directory = kData + "/networks";
    result = loadNetworkFile(directory);
    EXPECT_FALSE(result.network);
    EXPECT_EQ(result.error, directory + ": cannot be read: it is a directory, not a file");

    const std::string syntax = kData + "/networks/loader-syntax-error.json";
    result = loadNetworkFile(syntax);
    EXPECT_FALSE(result.network);
    EXPECT_EQ(result.error.rfind(syntax + ": line 4, column 3: not valid JSON", 0), 0u) << result.error;

    const std::string types = kData + "/networks/loader-wrong-types.json";
    result = loadNetworkFile(types);
    EXPECT_FALSE(result.network);
    EXPECT_EQ(result.error, types + ": /servers/0/volumes/1/number: expected a whole number, found a string");
}

// Whatever a value in a file is replaced by, the loader answers with a network
// or a message, and never throws or crashes.
TEST(LoaderRobustness, ReplacingAnyValueByAnyTypeNeverEscapesTheLoader) {
    const auto example = nlohmann::json::parse(loadertest::readFile(kDocs + "/example-network.json"));
    const nlohmann::json replacements[] = {
        nullptr, true, 0, -1, 4294967296LL, 0.5, "", "x", nlohmann::json::array(), nlohmann::json::object()};
    // flatten() reaches the leaves; every enclosing value is replaced too.
    std::set<std::string> pointers;
    const nlohmann::json flat = example.flatten();
    for (const auto& [pointer, value] : flat.items()) {
        for (nlohmann::json::json_pointer p(pointer); !p.empty(); p = p.parent_pointer())
            pointers.insert(p.to_string());
    }
    std::size_t refused = 0;
    for (const auto& pointer : pointers) {
        for (const auto& replacement : replacements) {
            nlohmann::json mutated = example;
            mutated[nlohmann::json::json_pointer(pointer)] = replacement;
            nwsim::LoadResult result;
            ASSERT_NO_THROW(result = loadNetworkJson(mutated.dump(), "m.json")) << pointer;
            if (!result.network) {
                ++refused;
                EXPECT_EQ(result.error.rfind("m.json: ", 0), 0u) << result.error;
            } else {
                loadertest::expectWellFormed(*result.network);
            }
        }
    }
    EXPECT_GT(refused, 100u);
}

} // namespace
