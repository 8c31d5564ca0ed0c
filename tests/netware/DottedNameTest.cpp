// Dotted names at their own layer: reading them under either rule of
// attribute types, and writing one component so that it reads back.

#include "netware/DottedName.h"

#include <gtest/gtest.h>

namespace {

bool onlyCn(std::string_view type) {
    return nw::sameType(type, "CN");
}

// A parsed name as one text: "<root>", or its components innermost first,
// each type:value or value, joined by '|'; or "refused", when the name was
// also left as it was.
std::string read(const std::string& text, nw::TypeRule allowed = nw::anyAttributeName) {
    nw::DottedName name{false, {{"", "KEPT"}}};
    const nw::NWRCODE rc = nw::parseName(text, allowed, name);
    std::string out = name.root ? "<root>" : "";
    for (const auto& c : name.components)
        out += (out.empty() ? "" : "|") + (c.type.empty() ? c.value : c.type + ":" + c.value);
    if (rc != nw::kSuccess)
        return rc == nw::kInvalidDsName && out == "KEPT" ? "refused" : "refused, leaving " + out;
    return out;
}

TEST(DottedName, ReadsTypedTypelessAndEscapedComponentsInnermostFirstAndRefusesTextThatIsNoName) {
    const std::pair<std::string, std::string> cases[] = {
        {R"(cn=J\.SMITH.EAST.Ou=A\=B\+C\\D)", R"(cn:J.SMITH|EAST|Ou:A=B+C\D)"},
        {"uid=smith.People", "uid:smith|People"},
        {" A . B", " A | B"},
        {"[rOOT]", "<root>"},
        {R"(\[Root])", "[Root]"}, // the value, not the top of the tree
        {"[Root].A", "[Root]|A"},
        {"", ""},
        {std::string(256, 'A'), std::string(256, 'A')},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(read(text), expected) << text;
    for (const std::string& text : std::vector<std::string>{".A", "A.", "A..B", ".", "CN=", "=X", "1X=Y", "CN=A=B",
                                                            "A+B", "A\\", "A\tB", R"(C\N=X)", std::string(257, 'A')})
        EXPECT_EQ(read(text), "refused") << text;
    EXPECT_EQ(read("cn=X.O=Y", onlyCn), "refused"); // a type the rule does not allow
    EXPECT_EQ(read("Cn=X.Y", onlyCn), "Cn:X|Y");
}

TEST(DottedName, OneComponentIsWrittenSoThatItReadsBackAsItsValue) {
    const std::pair<nw::NameComponent, std::string> cases[] = {
        {{"CN", "J.SMITH"}, R"(CN=J\.SMITH)"}, {{"", R"(A=B+C\D)"}, R"(A\=B\+C\\D)"}, {{"", "[rOOT]"}, R"(\[rOOT])"},
        {{"CN", "[Root]"}, "CN=[Root]"},       {{"", "[Root]X"}, "[Root]X"},
    };
    for (const auto& [component, expected] : cases) {
        EXPECT_EQ(nw::componentText(component), expected) << component.value;
        EXPECT_EQ(read(expected), component.type.empty() ? component.value : component.type + ":" + component.value);
    }
}

} // namespace
