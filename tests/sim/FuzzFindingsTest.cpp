// Faults the fuzz targets found in name handling, kept as cases here.

#include "netware/sim/DsName.h"
#include "netware/sim/NetworkLoader.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

TEST(FuzzFindings, AValueSpelledLikeTheRootNameReadsBackAsThatValue) {
    for (const std::string value : {"[Root]", "[rOOT]"}) {
        for (const bool typeless : {true, false}) {
            DsName name;
            ASSERT_EQ(parseDsName(formatRdn(ObjectClass::User, value, typeless), name), nw::kSuccess);
            EXPECT_FALSE(name.root) << value;
            ASSERT_EQ(name.components.size(), 1u);
            EXPECT_EQ(name.components[0].value, value);
        }
    }
    // Only the ambiguous form changes.
    EXPECT_EQ(formatRdn(ObjectClass::User, "[Root]", false), "CN=[Root]");
    EXPECT_EQ(formatRdn(ObjectClass::User, "[Root]X", true), "[Root]X");
}

// The parser's echo of a bad token may hold "'; " and bytes that are no
// UTF-8; the message drops the whole echo and keeps what was expected.
TEST(FuzzFindings, SyntaxMessagesDropTheWholeEchoOfABadToken) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{\"x'; e\xe3ts\": 1}", "invalid string: ill-formed UTF-8 byte; expected string literal"},
        {"[\"'; expected ']'\xff\"]", "invalid string: ill-formed UTF-8 byte"},
    };
    for (const auto& [text, problem] : cases) {
        const std::string error = loadNetworkJson(text, "f").error;
        EXPECT_EQ(error.substr(error.find("not valid JSON: ")), "not valid JSON: " + problem) << text;
    }
}

} // namespace
} // namespace nwsim
