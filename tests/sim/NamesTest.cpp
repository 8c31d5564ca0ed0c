// Names at their own layer: reading and writing dotted directory names, and
// what a network may call its servers and volumes.

#include "netware/sim/DsName.h"
#include "netware/sim/NameRules.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

// A parsed name as one text: "<root>", or its components innermost first,
// each TYPE=value or value, joined by '|'; or "refused". (That a refused text
// leaves the output alone, the names fuzz target asserts on any text.)
std::string read(const std::string& text) {
    DsName name;
    if (parseDsName(text, name) != nw::kSuccess)
        return "refused";
    std::string out = name.root ? "<root>" : "";
    for (const auto& c : name.components)
        out += (out.empty() ? "" : "|") + (c.type.empty() ? c.value : c.type + "=" + c.value);
    return out;
}

TEST(DsName, ReadsTypedTypelessAndEscapedComponentsInnermostFirstAndRefusesTextThatIsNoName) {
    const std::pair<std::string, std::string> cases[] = {
        {R"(cn=J\.SMITH.EAST.Ou=A\=B\+C\\D)", R"(CN=J.SMITH|EAST|OU=A=B+C\D)"},
        {"c=US.o=X.l=Y", "C=US|O=X|L=Y"},
        {" A . B", " A | B"},
        {"[rOOT]", "<root>"},
        {R"(\[Root])", "[Root]"}, // the value, not the top of the tree
        {"[Root].A", "[Root]|A"},
        {"", ""},
        {std::string(256, 'A'), std::string(256, 'A')},
        {std::string(257, 'A'), "refused"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), expected) << text;
    for (const char* text : {".A", "A.", "A..B", ".", "CN=", "=X", "XX=A", "CN=A=B", "A+B", "A\\", "A\tB", R"(C\N=X)"})
        EXPECT_EQ(read(text), "refused") << text;
}

TEST(DsName, WritesOneObjectsNameSoThatItReadsBackAsItsValue) {
    const std::tuple<ObjectClass, std::string, bool, std::string> cases[] = {
        {ObjectClass::User, "J.SMITH", false, R"(CN=J\.SMITH)"},
        {ObjectClass::OrganizationalUnit, R"(A=B+C\D)", true, R"(A\=B\+C\\D)"},
        {ObjectClass::Country, "US", false, "C=US"},
        {ObjectClass::User, "[rOOT]", true, R"(\[rOOT])"},
        {ObjectClass::User, "[Root]", false, "CN=[Root]"},
        {ObjectClass::User, "[Root]X", true, "[Root]X"},
    };
    for (const auto& [cls, value, typeless, expected] : cases)
        EXPECT_EQ(formatRdn(cls, value, typeless), expected) << value;
    EXPECT_TRUE(typeFits({"", "X"}, ObjectClass::Locality) && typeFits({"CN", "X"}, ObjectClass::Printer));
    EXPECT_FALSE(typeFits({"CN", "X"}, ObjectClass::OrganizationalUnit));
}

TEST(NameRules, ServerAndVolumeNames) {
    const std::string n47(47, 'N');
    const std::tuple<bool, std::string, std::string> cases[] = {
        {true, n47, ""},
        {true, "FS\u00A0", ""}, // the first character above the controls
        {true, "", "a server name cannot be empty"},
        {true, n47 + "N", "the server name \"" + n47 + "N\" is longer than 47 characters"},
        {true, "FS[1]", "the server name \"FS[1]\" contains \"[\", which server names cannot hold"},
        {true, "FSŁ", "contains \"?\""},
        {true, "FS\x7F", "the server name \"FS\x7F\" contains a control character"},
        {true, "FS\x1F", "a control character"},
        {true, "FS\u0085", "a control character"},
        {false, "VOL?: []", ""},
        {false, "ÀÀÀÀÀÀÀÀÀÀÀÀÀÀÀÀ", ""}, // 16 characters in 32 bytes
        {false, std::string(17, 'V'), "the volume name \"VVVVVVVVVVVVVVVVV\" is longer than 16 characters"},
    };
    for (const auto& [server, name, problem] : cases) {
        const std::string found = server ? serverNameProblem(name) : volumeNameProblem(name);
        EXPECT_TRUE(problem.empty() ? found.empty() : found.find(problem) != std::string::npos)
            << name << ": " << found;
    }
}

} // namespace
} // namespace nwsim
