// Network descriptions the loader accepts, from text and from files, and the
// stand-in client's choice of network; every kind of unusable description is
// refused with one message that names the source, the place and the problem.

#include "netware/ClientFactory.h"
#include "netware/sim/Generator.h"
#include "sim/SimSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace nwsim::test {
namespace {

const std::string kData = VORLANE_TEST_DATA;

// A valid network (FS1 with volumes 0 and 1) plus the given top-level keys.
std::string net(const std::string& more) {
    return R"({"servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "VOL1"}]}])" +
           more + "}";
}
const auto servers = [](const std::string& list) { return R"({"servers": )" + list + "}"; };
const auto inAcme = [](const std::string& children) {
    return net(R"(, "tree": [{"name": "ACME", "class": "Organization", "children": [)" + children + "]}]");
};
// The user U, first in ACME, with more fields.
const auto user = [](const std::string& fields) { return inAcme(R"({"name": "U", "class": "User", )" + fields + "}"); };
const auto volumes = [](const std::string& list) { return servers(R"([{"name": "F", "volumes": )" + list + "}]"); };
const auto usages = [](const std::string& list) { return user(R"("usage": [)" + list + "]"); };
const auto fault = [](const std::string& rest) { return net(R"(, "faults": [{"call": "NWDSList", )" + rest + "}]"); };
const std::string kU = "/tree/0/children/0";
const std::string kV = "/servers/0/volumes/";

struct Case {
    std::string json;
    std::string place; // as the message shows it
    std::string problem;
};

// A case without a place is one the loader accepts.
void expectRefused(const std::vector<Case>& cases) {
    for (const auto& [json, place, problem] : cases) {
        const auto result = loadNetworkJson(json, "net.json");
        const std::string& error = result.error();
        EXPECT_EQ(static_cast<bool>(result), place.empty()) << json << error;
        if (place.empty())
            continue;
        EXPECT_EQ(error.rfind("net.json: " + place + ": ", 0), 0u) << error;
        // A syntax error's problem is the whole of the rest of the message.
        const auto at = error.find(problem);
        EXPECT_TRUE(at != std::string::npos &&
                    (!problem.starts_with("not valid JSON") || at + problem.size() == error.size()))
            << error;
    }
}

TEST(LoaderRefuses, TextThatIsNoJsonOrHasTheWrongShape) {
    std::string deepest = "/tree"; // the top level and "tree" take two of the 512 levels
    for (int i = 0; i < 511; ++i)
        deepest += "/0";
    expectRefused({
        {"{\n  \"servers\": [\n    nope ]}", "line 3, column 6", "not valid JSON: invalid literal"},
        {"{\"servers\":\n\n\"x\ny\"}", "line 3, column 3", "invalid string: control character U+000A (LF) must be"},
        // The echo of a bad token may hold "'; " and bytes that are no UTF-8: it goes whole.
        {"{\"x'; e\xe3ts\": 1}", "line 1, column 9",
         "not valid JSON: invalid string: ill-formed UTF-8 byte; expected string literal"},
        {"", "line 1, column 1", "not valid JSON: unexpected end of input; expected '[', '{', or a literal"},
        {net("") + " []", "line 1, column 106", "not valid JSON: unexpected '['; expected end of input"},
        {"/**/" + net(""), "line 1, column 1", "not valid JSON: invalid literal"},
        {"[]", "top level", "expected an object, found an array"},
        {servers(R"([{"name": 1, "volumes": []}])"), "/servers/0/name", "expected a string, found the number 1"},
        {user(R"("usage": {})"), kU + "/usage", "expected an array, found an object"},
        {user(R"("id": "12")"), kU + "/id", "expected a whole number, found a string"},
        {net(R"(, "defaultContext": true)"), "/defaultContext", "found true"},
        {net(R"(, "defaultContext": false)"), "/defaultContext", "found false"},
        {net(R"(, "chunkLimit": 3.5)"), "/chunkLimit", "expected a whole number, found the number 3.5"},
        {fault(R"("code": 0.5)"), "/faults/0/code", "expected a whole number, found the number 0.5"},
        {fault(R"("code": "1")"), "/faults/0/code", "expected a whole number, found a string"},
        {net(R"(, "latency": {"calls": []})"), "/latency/calls", "expected an object, found an array"},
        {R"({"generate": {"objects": 1, "usageFraction": "all"}})", "/generate/usageFraction",
         "expected a number, found"},
        {net(R"(, "colour": "blue")"), "/colour", "unknown key \"colour\" (allowed here: servers, defaultServer"},
        {servers(R"([{"name": "FS1", "volumes": [{"number": 0}]}])"), "/servers/0/volumes/0", "missing key \"name\""},
        {net(R"(, "latency": {"all": 1, "all": 2})"), "/latency/all", "the key \"all\" appears twice in one object"},
        {net(R"(, "tree": )" + std::string(600, '[') + std::string(600, ']')), deepest,
         "nested more than 512 levels deep"},
        {R"({"tree": []})", "top level", "missing key \"servers\" (or \"generate\")"},
        {servers("[]"), "/servers", "at least one server is needed"},
        {net(R"(, "generate": {"objects": 1})"), "/servers", "cannot be combined with \"generate\""},
        {R"({"tree": [], "generate": {"objects": 1}})", "/tree", "cannot be combined with \"generate\""},
    });
}

TEST(LoaderRefuses, NumbersOutOfRange) {
    expectRefused({
        {volumes(R"([{"number": 64, "name": "X"}])"), kV + "0/number", "the number 64 is out of range (0 to 63)"},
        {user(R"("id": 0)"), kU + "/id", "the number 0 is out of range (1 to 4294967295)"},
        {net(R"(, "chunkLimit": -1)"), "/chunkLimit", "the number -1 is out of range (0 to 4294967295)"},
        {net(R"(, "chunkLimit": 4294967296.0)"), "/chunkLimit", "out of range"},
        {net(R"(, "chunkLimit": -1.0)"), "/chunkLimit", "out of range"},
        {net(R"(, "chunkLimit": 18446744073709551616.0)"), "/chunkLimit", "out of range"},
        {fault(R"("code": 1, "occurrence": 0.0)"), "/faults/0/occurrence", "out of range (1 to 4294967295)"},
        {fault(R"("code": -2147483649)"), "/faults/0/code", "-2147483649 is out of range (-2147483648 to 2147483647)"},
        {fault(R"("code": 2147483648)"), "/faults/0/code", "out of range"},
        {fault(R"("code": -2147483649.0)"), "/faults/0/code", "out of range"},
        {fault(R"("code": 2147483648.0)"), "/faults/0/code", "out of range"},
        {R"({"generate": {"objects": 1, "usageFraction": 1.5}})", "/generate/usageFraction", "(0 to 1)"},
        {R"({"generate": {"usageFraction": 0, "objects": 0}})", "", ""},
        {R"({"generate": {"usageFraction": 1, "objects": 1}})", "", ""},
    });
}

TEST(LoaderRefuses, NamesTwiceAndReferencesToNothing) {
    expectRefused({
        {inAcme(R"({"name": "JSMITH", "class": "User"}, {"name": "jsmith", "class": "Group"})"),
         "/tree/0/children/1/name",
         "the name \"jsmith\" is already used in this container, by /tree/0/children/0/name"},
        {inAcme(R"({"name": "Łx", "class": "User"}, {"name": "Źx", "class": "User"})"), "/tree/0/children/1/name",
         "already used"},
        {servers(R"([{"name": "FS1", "volumes": []}, {"name": "fs1", "volumes": []}])"), "/servers/1/name",
         "the server name \"fs1\" is already used by /servers/0"},
        {volumes(R"([{"number": 1, "name": "A"}, {"number": 1, "name": "B"}])"), kV + "1/number",
         "volume number 1 is already used by /servers/0/volumes/0"},
        {volumes(R"([{"number": 0, "name": "A"}, {"number": 1, "name": "a"}])"), kV + "1/name",
         "the volume name \"a\" is already used by /servers/0/volumes/0"},
        {inAcme(R"({"name": "A", "class": "User", "id": 7}, {"name": "B", "class": "Locality", "children": [
                   {"name": "C", "class": "User", "id": 7}]})"),
         "/tree/0/children/1/children/0/id", "object ID 7 is already given at /tree/0/children/0/id"},
        {usages(R"({"server": "FS1", "volume": 1, "inUse": 1}, {"server": "FS1", "volume": 0, "inUse": 1},
                   {"server": "fs1", "volume": 1, "inUse": 2})"),
         kU + "/usage/2", "a second figure for volume 1 of FS1 (the first is " + kU + "/usage/0)"},
        {usages(R"({"server": "FS9", "volume": 0, "inUse": 1})"), kU + "/usage/0/server", "no server named \"FS9\""},
        {usages(R"({"server": "FS1", "volume": 2, "inUse": 1})"), kU + "/usage/0/volume",
         "the server FS1 has no volume 2"},
        {fault(R"("code": 1, "server": "FS2")"), "/faults/0/server", "there is no server named \"FS2\""},
        {net(R"(, "defaultServer": "FS")"), "/defaultServer", "there is no server named \"FS\""},
        {net(R"(, "faults": [{"call": "NWDSLIst", "code": 1}])"), "/faults/0/call", "unknown call \"NWDSLIst\""},
        {net(R"(, "latency": {"calls": {"NWDSList": 1, "NW/~X": 1}})"), "/latency/calls/NW~1~0X",
         "unknown call \"NW/~X\""},
    });
}

// CN= (3) + name + .O=ACME (7) may hold 256 characters: names of 246 fit.
TEST(LoaderRefuses, ObjectsAndNamesTheDirectoryCannotHold) {
    const std::string n243(243, 'N');
    expectRefused({
        {user(R"("children": [{"name": "X", "class": "User"}])"), kU + "/children",
         "a User is a leaf object and cannot hold other objects"},
        {net(R"(, "tree": [{"name": "SALES", "class": "Organizational Unit"}])"), "/tree/0/class",
         "only a Country or an Organization can stand directly below [Root], not \"Organizational Unit\""},
        {inAcme(R"({"name": "U", "class": "user"})"), kU + "/class",
         "unknown class \"user\" (known: Country, Organization, Organizational Unit,"},
        {inAcme(R"({"name": "", "class": "User"})"), kU + "/name", "a name cannot be empty"},
        {inAcme(R"({"name": "A\tB", "class": "User"})"), kU + "/name",
         "the name \"A\tB\" contains a control character"},
        {inAcme(R"({"class": "Locality", "name": "L", "children": [{"name": ")" + n243 + R"(", "class": "User"}]})"),
         kU + "/children/0/name", "the full name CN=" + n243 + ".L=L.O=ACME is 257 characters long; at most 256 fit"},
        {inAcme(R"({"name": ")" + n243 + R"(.=+\\", "class": "User"})"), kU + "/name", "is 261 characters long"},
        {net(R"(, "tree": [{"name": ")" + n243 + R"(NNNNNNNNNNNN", "class": "Country"}])"), "/tree/0/name",
         "the full name C=" + n243 + "NNNNNNNNNNNN is 257"},
        {servers(R"([{"name": "FS[1]", "volumes": []}])"), "/servers/0/name", "contains \"[\""},
        {volumes(R"([{"number": 0, "name": "VVVVVVVVVVVVVVVVV"}])"), kV + "0/name", "longer than 16 characters"},
        {net(R"(, "defaultContext": "A\u0085")"), "/defaultContext",
         "the default context contains a control character"},
        {net(R"(, "defaultContext": ")" + std::string(257, 'C') + "\""), "/defaultContext",
         "the default context is 257 characters long; at most 256 fit"},
        {net(R"(, "defaultContext": ")" + std::string(256, 'C') + R"(", "tree": [{"class": "Country", "name": ")" +
             std::string(254, 'N') + "\"}]"), // C= and the name: 256 characters
         "", ""},
    });
}

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
// but a message naming it. `make run` starts on the sample: its default
// context must exist, so that the window opens on a context that lists.
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
        if (opening) {
            (*opening)->NWGetDefaultNameContext(nw::kDefaultContextSize, context.data());
            EXPECT_EQ(testing_support::ClientSession(**opening).resolve("").rc, 0) << context.data();
        }
        EXPECT_EQ(context.data() + opening.error(), expected);
    }
}

} // namespace
} // namespace nwsim::test
