// Every kind of unusable network description is refused with one message that
// names the source, the place and the problem, and never with a crash or a
// partial network.

#include "netware/sim/NetworkLoader.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using nwsim::loadNetworkJson;

// A valid network around the piece under test: FS1 with volumes 0 and 1, and
// the given tree and further top-level keys.
std::string withTree(const std::string& tree, const std::string& more = "") {
    return R"({"servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "VOL1"}]}],
               "tree": )" +
           tree + more + "}";
}

// ... with the given objects inside the Organization ACME.
std::string inAcme(const std::string& children, const std::string& more = "") {
    return withTree(R"([{"name": "ACME", "class": "Organization", "children": [)" + children + "]}]", more);
}

std::string withServers(const std::string& servers) {
    return R"({"servers": )" + servers + "}";
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

// The top-level object and "tree" take two of the 512 levels; the array that
// would be the 513th level is refused.
std::string refusedNestingPlace() {
    std::string place = "/tree";
    for (int i = 0; i < 511; ++i)
        place += "/0";
    return place;
}

std::string nested(int depth) {
    return withTree(std::string(static_cast<std::size_t>(depth), '[') +
                    std::string(static_cast<std::size_t>(depth), ']'));
}

const Case kSyntaxAndTypes[] = {
    {"NotJson", "{\n  \"servers\": [\n    nope ]}", "line 3, column 6", "not valid JSON: invalid literal"},
    {"Empty", "", "line 1, column 1", "not valid JSON"},
    {"InvalidUtf8", "{\"servers\": \"\xC3(\"}", "line 1, column 15", "ill-formed UTF-8"},
    {"TrailingText", withServers("[]") + " x", "line 1, column 17", "expected end of input"},
    {"TopLevelNotObject", "[]", "top level", "expected an object, found an array"},
    {"StringExpected", withServers(R"([{"name": 1, "volumes": []}])"), "/servers/0/name",
     "expected a string, found the number 1"},
    {"ArrayExpected", inAcme(R"({"name": "SALES", "class": "Organizational Unit", "children": {}})"),
     "/tree/0/children/0/children", "expected an array, found an object"},
    {"WholeNumberExpected",
     inAcme(R"({"name": "U", "class": "User", "usage": [{"server": "FS1", "volume": 0, "inUse": "12"}]})"),
     "/tree/0/children/0/usage/0/inUse", "expected a whole number, found a string"},
    {"FractionForWholeNumber", inAcme(R"({"name": "U", "class": "User", "id": 1.5})"), "/tree/0/children/0/id",
     "expected a whole number"},
    {"UnknownTopLevelKey", withTree("[]", R"(, "colour": "blue")"), "/colour", "unknown key \"colour\""},
    {"KeysAreCaseSensitive", inAcme(R"({"Name": "U", "class": "User"})"), "/tree/0/children/0/Name",
     "unknown key \"Name\""},
    {"MissingKey", withServers(R"([{"name": "FS1", "volumes": [{"number": 0}]}])"), "/servers/0/volumes/0",
     "missing key \"name\""},
    {"KeyTwiceInOneObject", withTree("[]", R"(, "defaultContext": "A", "defaultContext": "B")"), "/defaultContext",
     "appears twice"},
    {"NestedTooDeep", nested(600), refusedNestingPlace(), "nested more than 512 levels deep"},
};
INSTANTIATE_TEST_SUITE_P(SyntaxAndTypes, LoaderRefuses, ::testing::ValuesIn(kSyntaxAndTypes), caseName);

const Case kDuplicates[] = {
    {"SiblingNamesIgnoringCase", inAcme(R"({"name": "JSMITH", "class": "User"}, {"name": "jsmith", "class": "Group"})"),
     "/tree/0/children/1/name", "already used in this container, by /tree/0/children/0/name"},
    {"AccentedSiblingNamesIgnoringCase",
     inAcme(R"({"name": "Müller", "class": "User"}, {"name": "MÜLLER", "class": "User"})"), "/tree/0/children/1/name",
     "already used"},
    {"SiblingNamesEqualAfterConversion",
     inAcme(R"({"name": "Łukasz", "class": "User"}, {"name": "Źukasz", "class": "User"})"), "/tree/0/children/1/name",
     "already used"},
    {"ServerNames", withServers(R"([{"name": "FS1", "volumes": []}, {"name": "fs1", "volumes": []}])"),
     "/servers/1/name", "already used by /servers/0"},
    {"VolumeNumbers",
     withServers(R"([{"name": "FS1", "volumes": [{"number": 1, "name": "A"}, {"number": 1, "name": "B"}]}])"),
     "/servers/0/volumes/1/number", "volume number 1 is already used by /servers/0/volumes/0"},
    {"VolumeNames",
     withServers(R"([{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}, {"number": 1, "name": "sys"}]}])"),
     "/servers/0/volumes/1/name", "already used by /servers/0/volumes/0"},
    {"ObjectIds",
     inAcme(
         R"({"name": "A", "class": "User", "id": 7}, {"name": "B", "class": "Organizational Unit", "children": [{"name": "C", "class": "User", "id": 7}]})"),
     "/tree/0/children/1/children/0/id", "object ID 7 is already given at /tree/0/children/0/id"},
    {"UsageOfOneVolume",
     inAcme(
         R"({"name": "U", "class": "User", "usage": [{"server": "FS1", "volume": 1, "inUse": 1}, {"server": "fs1", "volume": 1, "inUse": 2}]})"),
     "/tree/0/children/0/usage/1", "a second figure for volume 1 of FS1"},
};
INSTANTIATE_TEST_SUITE_P(Duplicates, LoaderRefuses, ::testing::ValuesIn(kDuplicates), caseName);

const Case kRanges[] = {
    {"VolumeNumberAbove63", withServers(R"([{"name": "FS1", "volumes": [{"number": 64, "name": "X"}]}])"),
     "/servers/0/volumes/0/number", "the number 64 is out of range (0 to 63)"},
    {"InUseAbove31Bits",
     inAcme(R"({"name": "U", "class": "User", "usage": [{"server": "FS1", "volume": 0, "inUse": 2147483648}]})"),
     "/tree/0/children/0/usage/0/inUse", "out of range (0 to 2147483647)"},
    {"NegativeRestriction",
     inAcme(
         R"({"name": "U", "class": "User", "usage": [{"server": "FS1", "volume": 0, "inUse": 1, "restriction": -1}]})"),
     "/tree/0/children/0/usage/0/restriction", "out of range"},
    {"ObjectIdZero", inAcme(R"({"name": "U", "class": "User", "id": 0})"), "/tree/0/children/0/id",
     "out of range (1 to 4294967295)"},
    {"ObjectIdAbove32Bits", inAcme(R"({"name": "U", "class": "User", "id": 4294967296})"), "/tree/0/children/0/id",
     "out of range"},
    {"NegativeChunkLimit", withTree("[]", R"(, "chunkLimit": -1)"), "/chunkLimit", "out of range"},
    {"FaultCodeBeyond32Bits", withTree("[]", R"(, "faults": [{"call": "NWDSList", "code": -2147483649}])"),
     "/faults/0/code", "out of range (-2147483648 to 2147483647)"},
    {"LatencyAboveTenSeconds", withTree("[]", R"(, "latency": {"calls": {"NWDSList": 10000001}})"),
     "/latency/calls/NWDSList", "out of range"},
    {"GeneratedObjects", R"({"generate": {"objects": 10000001}})", "/generate/objects", "out of range"},
    {"UsageFraction", R"({"generate": {"objects": 10, "usageFraction": 1.5}})", "/generate/usageFraction",
     "out of range (0 to 1)"},
};
INSTANTIATE_TEST_SUITE_P(Ranges, LoaderRefuses, ::testing::ValuesIn(kRanges), caseName);

const Case kReferencesAndStructure[] = {
    {"UsageOnUnknownServer",
     inAcme(R"({"name": "U", "class": "User", "usage": [{"server": "FS9", "volume": 0, "inUse": 1}]})"),
     "/tree/0/children/0/usage/0/server", "there is no server named \"FS9\""},
    {"UsageOnMissingVolume",
     inAcme(R"({"name": "U", "class": "User", "usage": [{"server": "FS1", "volume": 2, "inUse": 1}]})"),
     "/tree/0/children/0/usage/0/volume", "the server FS1 has no volume 2"},
    {"UnknownDefaultServer", withTree("[]", R"(, "defaultServer": "FS2")"), "/defaultServer",
     "there is no server named \"FS2\""},
    {"FaultOnUnknownServer", withTree("[]", R"(, "faults": [{"call": "NWDSList", "code": 1, "server": "FS2"}])"),
     "/faults/0/server", "there is no server named \"FS2\""},
    {"LeafWithChildren", inAcme(R"({"name": "U", "class": "User", "children": [{"name": "X", "class": "User"}]})"),
     "/tree/0/children/0/children", "a User is a leaf object and cannot hold other objects"},
    {"UnitAtTheTop", withTree(R"([{"name": "SALES", "class": "Organizational Unit"}])"), "/tree/0/class",
     "only a Country or an Organization can stand directly below [Root]"},
    {"UnknownClass", inAcme(R"({"name": "U", "class": "user"})"), "/tree/0/children/0/class",
     "unknown class \"user\" (known: Country, Organization"},
    {"UnknownCallInFault", withTree("[]", R"(, "faults": [{"call": "NWDSLIst", "code": 1}])"), "/faults/0/call",
     "unknown call \"NWDSLIst\""},
    {"UnknownCallInLatency", withTree("[]", R"(, "latency": {"calls": {"NWDSList": 1, "NW/Other": 1}})"),
     "/latency/calls/NW~1Other", "unknown call \"NW/Other\""},
    {"NoServers", withServers("[]"), "/servers", "at least one server"},
    {"NeitherServersNorGenerate", R"({"tree": []})", "top level", "missing key \"servers\" (or \"generate\")"},
    {"GenerateWithServers", R"({"generate": {"objects": 1}, "servers": [{"name": "FS1", "volumes": []}]})", "/servers",
     "cannot be combined with \"generate\""},
    {"GenerateWithTree", R"({"generate": {"objects": 1}, "tree": []})", "/tree", "cannot be combined"},
};
INSTANTIATE_TEST_SUITE_P(ReferencesAndStructure, LoaderRefuses, ::testing::ValuesIn(kReferencesAndStructure), caseName);

// A full name of exactly 256 characters is the longest accepted.
std::string nameOfLength(std::size_t n) {
    return std::string(n, 'N');
}

const Case kNames[] = {
    {"EmptyObjectName", inAcme(R"({"name": "", "class": "User"})"), "/tree/0/children/0/name", "cannot be empty"},
    {"ControlCharacter", inAcme(R"({"name": "A\tB", "class": "User"})"), "/tree/0/children/0/name",
     "contains a control character"},
    {"C1ControlCharacter", inAcme(R"({"name": "A\u0085B", "class": "User"})"), "/tree/0/children/0/name",
     "contains a control character"},
    {"NulInName", inAcme(R"({"name": "A\u0000B", "class": "User"})"), "/tree/0/children/0/name",
     "contains a control character"},
    // CN= (3) + name + .O=ACME (7): 247 characters fit, 248 do not.
    {"FullNameTooLong", inAcme(R"({"name": ")" + nameOfLength(247) + R"(", "class": "User"})"),
     "/tree/0/children/0/name", "the full name CN=NNN"},
    {"EscapedCharactersCountTwice", inAcme(R"({"name": ")" + nameOfLength(243) + R"(.=+\\", "class": "User"})"),
     "/tree/0/children/0/name", "is 261 characters long; at most 256 fit"},
    {"ServerNameOver47", withServers(R"([{"name": ")" + nameOfLength(48) + R"(", "volumes": []}])"), "/servers/0/name",
     "longer than 47 characters"},
    {"ServerNameWithBracket", withServers(R"([{"name": "FS[1]", "volumes": []}])"), "/servers/0/name",
     "contains \"[\""},
    {"ServerNameWithSpace", withServers(R"([{"name": "FS 1", "volumes": []}])"), "/servers/0/name", "contains \" \""},
    {"ServerNameOutsideCharacterSet", withServers(R"([{"name": "FSŁ", "volumes": []}])"), "/servers/0/name",
     "contains \"?\""},
    {"EmptyServerName", withServers(R"([{"name": "", "volumes": []}])"), "/servers/0/name", "cannot be empty"},
    {"VolumeNameOver16", withServers(R"([{"name": "FS1", "volumes": [{"number": 0, "name": "ABCDEFGHIJKLMNOPQ"}]}])"),
     "/servers/0/volumes/0/name", "longer than 16 characters"},
    {"DefaultContextOver256", withTree("[]", R"(, "defaultContext": ")" + nameOfLength(257) + "\""), "/defaultContext",
     "257 characters long"},
};
INSTANTIATE_TEST_SUITE_P(Names, LoaderRefuses, ::testing::ValuesIn(kNames), caseName);

TEST(LoaderLimits, LongestNamesAreAccepted) {
    const auto ok = loadNetworkJson(R"({"servers": [{"name": ")" + nameOfLength(47) +
                                        R"(", "volumes": [{"number": 63, "name": "ABCDEFGHIJKLMNOP"}]}],
            "defaultContext": ")" + nameOfLength(256) +
                                        R"(",
            "tree": [{"name": "ACME", "class": "Organization", "children": [
                {"name": ")" + nameOfLength(246) +
                                        R"(", "class": "User"},
                {"name": ")" + nameOfLength(238) +
                                        R"(.=+\\", "class": "User"}]}]})",
                                    "net.json");
    ASSERT_TRUE(ok.network) << ok.error;
    EXPECT_EQ(ok.network->entries[3].name, nameOfLength(238) + ".=+\\");
}

} // namespace
