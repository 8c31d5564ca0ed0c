// Every kind of unusable network description is refused with one message that
// names the source, the place and the problem.

#include "netware/sim/NetworkLoader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nwsim::loadNetworkJson;

// A valid network (FS1 with volumes 0 and 1) plus the given top-level keys.
std::string net(const std::string& more) {
    return R"({"servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "VOL1"}]}])" +
           more + "}";
}
std::string servers(const std::string& list) {
    return R"({"servers": )" + list + "}";
}
std::string inAcme(const std::string& children) {
    return net(R"(, "tree": [{"name": "ACME", "class": "Organization", "children": [)" + children + "]}]");
}
// The user U, first in ACME, with more fields.
std::string user(const std::string& fields) {
    return inAcme(R"({"name": "U", "class": "User", )" + fields + "}");
}
const std::string kU = "/tree/0/children/0";

std::string chars(std::size_t n, char c = 'N') {
    return std::string(n, c);
}

struct Case {
    const char* label;
    std::string json;
    std::string place; // as the message shows it
    std::string problem;
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.label;
}
std::string caseName(const ::testing::TestParamInfo<Case>& param) {
    return param.param.label;
}

class LoaderRefuses : public ::testing::TestWithParam<Case> {};

TEST_P(LoaderRefuses, NamingSourcePlaceAndProblem) {
    const Case& c = GetParam();
    const nwsim::LoadResult result = loadNetworkJson(c.json, "net.json");
    ASSERT_FALSE(result.network.has_value());
    EXPECT_EQ(result.error.rfind("net.json: " + c.place + ": ", 0), 0u) << result.error;
    EXPECT_NE(result.error.find(c.problem), std::string::npos) << result.error;
}

// The top-level object and "tree" take two of the 512 levels allowed.
std::string place513thLevel() {
    std::string place = "/tree";
    for (int i = 0; i < 511; ++i)
        place += "/0";
    return place;
}

const Case kSyntaxAndTypes[] = {
    {"NotJson", "{\n  \"servers\": [\n    nope ]}", "line 3, column 6", "not valid JSON: invalid literal"},
    {"InvalidUtf8", "{\"servers\": \"\xC3(\"}", "line 1, column 15", "ill-formed UTF-8"},
    {"TopLevelNotObject", "[]", "top level", "expected an object, found an array"},
    {"StringExpected", servers(R"([{"name": 1, "volumes": []}])"), "/servers/0/name", "found the number 1"},
    {"ArrayExpected", user(R"("usage": {})"), kU + "/usage", "expected an array, found an object"},
    {"WholeNumberExpected", user(R"("id": "12")"), kU + "/id", "expected a whole number, found a string"},
    {"UnknownKey", net(R"(, "colour": "blue")"), "/colour", "unknown key \"colour\""},
    {"MissingKey", servers(R"([{"name": "FS1", "volumes": [{"number": 0}]}])"), "/servers/0/volumes/0",
     "missing key \"name\""},
    {"KeyTwiceInOneObject", net(R"(, "defaultContext": "A", "defaultContext": "B")"), "/defaultContext",
     "appears twice"},
    {"NestedTooDeep", net(R"(, "tree": )" + chars(600, '[') + chars(600, ']')), place513thLevel(),
     "nested more than 512 levels deep"},
};
INSTANTIATE_TEST_SUITE_P(SyntaxAndTypes, LoaderRefuses, ::testing::ValuesIn(kSyntaxAndTypes), caseName);

const Case kDuplicates[] = {
    {"SiblingNamesIgnoringCase", inAcme(R"({"name": "JSMITH", "class": "User"}, {"name": "jsmith", "class": "Group"})"),
     "/tree/0/children/1/name", "already used in this container, by /tree/0/children/0/name"},
    {"SiblingNamesEqualAfterConversion", inAcme(R"({"name": "Łx", "class": "User"}, {"name": "Źx", "class": "User"})"),
     "/tree/0/children/1/name", "already used"},
    {"ServerNames", servers(R"([{"name": "FS1", "volumes": []}, {"name": "fs1", "volumes": []}])"), "/servers/1/name",
     "already used by /servers/0"},
    {"VolumeNumbers",
     servers(R"([{"name": "F", "volumes": [{"number": 1, "name": "A"}, {"number": 1, "name": "B"}]}])"),
     "/servers/0/volumes/1/number", "volume number 1 is already used by /servers/0/volumes/0"},
    {"VolumeNames", servers(R"([{"name": "F", "volumes": [{"number": 0, "name": "A"}, {"number": 1, "name": "a"}]}])"),
     "/servers/0/volumes/1/name", "already used by /servers/0/volumes/0"},
    {"ObjectIds", inAcme(R"({"name": "A", "class": "User", "id": 7}, {"name": "B", "class": "Locality", "children": [
                            {"name": "C", "class": "User", "id": 7}]})"),
     "/tree/0/children/1/children/0/id", "object ID 7 is already given at /tree/0/children/0/id"},
    {"UsageOfOneVolume",
     user(R"("usage": [{"server": "FS1", "volume": 1, "inUse": 1}, {"server": "fs1", "volume": 1, "inUse": 2}])"),
     kU + "/usage/1", "a second figure for volume 1 of FS1"},
};
INSTANTIATE_TEST_SUITE_P(Duplicates, LoaderRefuses, ::testing::ValuesIn(kDuplicates), caseName);

const Case kRanges[] = {
    {"VolumeNumberAbove63", servers(R"([{"name": "F", "volumes": [{"number": 64, "name": "X"}]}])"),
     "/servers/0/volumes/0/number", "the number 64 is out of range (0 to 63)"},
    {"InUseAbove31Bits", user(R"("usage": [{"server": "FS1", "volume": 0, "inUse": 2147483648}])"),
     kU + "/usage/0/inUse", "out of range (0 to 2147483647)"},
    {"ObjectIdZero", user(R"("id": 0)"), kU + "/id", "out of range (1 to 4294967295)"},
    {"NegativeChunkLimit", net(R"(, "chunkLimit": -1)"), "/chunkLimit", "out of range"},
    {"FaultCodeBeyond32Bits", net(R"(, "faults": [{"call": "NWDSList", "code": -2147483649}])"), "/faults/0/code",
     "out of range (-2147483648 to 2147483647)"},
    {"GeneratedObjects", R"({"generate": {"objects": 10000001}})", "/generate/objects", "out of range"},
};
INSTANTIATE_TEST_SUITE_P(Ranges, LoaderRefuses, ::testing::ValuesIn(kRanges), caseName);

const Case kReferencesAndStructure[] = {
    {"UsageOnUnknownServer", user(R"("usage": [{"server": "FS9", "volume": 0, "inUse": 1}])"), kU + "/usage/0/server",
     "there is no server named \"FS9\""},
    {"UsageOnMissingVolume", user(R"("usage": [{"server": "FS1", "volume": 2, "inUse": 1}])"), kU + "/usage/0/volume",
     "the server FS1 has no volume 2"},
    {"FaultOnUnknownServer", net(R"(, "faults": [{"call": "NWDSList", "code": 1, "server": "FS2"}])"),
     "/faults/0/server", "there is no server named \"FS2\""},
    {"LeafWithChildren", user(R"("children": [{"name": "X", "class": "User"}])"), kU + "/children",
     "a User is a leaf object and cannot hold other objects"},
    {"UnitAtTheTop", net(R"(, "tree": [{"name": "SALES", "class": "Organizational Unit"}])"), "/tree/0/class",
     "only a Country or an Organization can stand directly below [Root]"},
    {"UnknownClass", inAcme(R"({"name": "U", "class": "user"})"), kU + "/class",
     "unknown class \"user\" (known: Country, Organization"},
    {"UnknownCallInFault", net(R"(, "faults": [{"call": "NWDSLIst", "code": 1}])"), "/faults/0/call",
     "unknown call \"NWDSLIst\""},
    {"UnknownCallInLatency", net(R"(, "latency": {"calls": {"NWDSList": 1, "NW/X": 1}})"), "/latency/calls/NW~1X",
     "unknown call \"NW/X\""},
    {"NoServers", R"({"tree": []})", "top level", "missing key \"servers\" (or \"generate\")"},
    {"GenerateWithServers", net(R"(, "generate": {"objects": 1})"), "/servers", "cannot be combined with \"generate\""},
};
INSTANTIATE_TEST_SUITE_P(ReferencesAndStructure, LoaderRefuses, ::testing::ValuesIn(kReferencesAndStructure), caseName);

// CN= (3) + name + .O=ACME (7) may hold 256 characters: names of 246 fit.
const Case kNames[] = {
    {"EmptyName", inAcme(R"({"name": "", "class": "User"})"), kU + "/name", "cannot be empty"},
    {"ControlCharacter", inAcme(R"({"name": "A\tB", "class": "User"})"), kU + "/name", "contains a control character"},
    {"C1ControlCharacter", inAcme(R"({"name": "A\u0085", "class": "User"})"), kU + "/name", "a control character"},
    {"FullNameTooLong", inAcme(R"({"name": ")" + chars(247) + R"(", "class": "User"})"), kU + "/name",
     "the full name CN=NNN"},
    {"EscapedCharactersCountTwice", inAcme(R"({"name": ")" + chars(243) + R"(.=+\\", "class": "User"})"), kU + "/name",
     "is 261 characters long; at most 256 fit"},
    {"ServerNameOver47", servers(R"([{"name": ")" + chars(48) + R"(", "volumes": []}])"), "/servers/0/name",
     "longer than 47 characters"},
    {"ServerNameWithBracket", servers(R"([{"name": "FS[1]", "volumes": []}])"), "/servers/0/name", "contains \"[\""},
    {"ServerNameOutsideCharacterSet", servers(R"([{"name": "FSŁ", "volumes": []}])"), "/servers/0/name",
     "contains \"?\""},
    {"VolumeNameOver16", servers(R"([{"name": "F", "volumes": [{"number": 0, "name": ")" + chars(17) + R"("}]}])"),
     "/servers/0/volumes/0/name", "longer than 16 characters"},
    {"DefaultContextOver256", net(R"(, "defaultContext": ")" + chars(257) + "\""), "/defaultContext",
     "257 characters long"},
};
INSTANTIATE_TEST_SUITE_P(Names, LoaderRefuses, ::testing::ValuesIn(kNames), caseName);

TEST(LoaderLimits, LongestNamesAreAccepted) {
    const auto ok = loadNetworkJson(
        R"({"servers": [{"name": ")" + chars(47) + R"(", "volumes": [{"number": 63, "name": ")" + chars(16) +
            R"("}]}], "defaultContext": ")" + chars(256) +
            R"(", "tree": [{"name": "ACME", "class": "Organization", "children": [{"name": ")" + chars(246) +
            R"(", "class": "User"}, {"name": ")" + chars(238) + R"(.=+\\", "class": "User"}]}]})",
        "net.json");
    ASSERT_TRUE(ok.network) << ok.error;
    EXPECT_EQ(ok.network->entries[3].name, chars(238) + ".=+\\");
}

} // namespace
