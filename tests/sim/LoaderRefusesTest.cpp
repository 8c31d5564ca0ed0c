// Every kind of unusable network description is refused with one message
// that names the source, the place and the problem.

#include "netware/sim/NetworkLoader.h"

#include <gtest/gtest.h>

#include <string>

namespace nwsim {
namespace {

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

void expectRefused(const std::vector<Case>& cases) {
    for (const auto& [json, place, problem] : cases) {
        const auto result = loadNetworkJson(json, "net.json");
        const std::string& error = result.error();
        EXPECT_FALSE(result) << json;
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
    });
}

} // namespace
} // namespace nwsim
