// Faults the fuzz targets found in name handling, kept as cases here.

#include "netware/sim/DsName.h"

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

} // namespace
} // namespace nwsim
