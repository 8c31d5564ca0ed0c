// Faults the fuzz targets found in the listing, kept as cases here.

#include "report/UsageListing.h"

#include "support/FakeUserChannel.h"
#include "support/SimNetwork.h"

#include <gtest/gtest.h>

namespace {

// An object may carry the name "[Root]": a User directly in the context, and a
// container whose own objects a recursive listing must reach.
constexpr std::string_view kRootNamed = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
  "defaultServer": "FS1",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "[Root]", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 3 } ] },
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "[rOOT]", "class": "Organizational Unit", "children": [
        { "name": "DEEP", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] } ] } ] }
  ] } ]
})json";

std::vector<std::pair<std::string, std::int64_t>> listed(const std::string& context) {
    const auto sim = testing_support::simulate(kRootNamed);
    testing_support::FakeUserChannel user;
    nw::NWCONN_REF ref = 0;
    nw::NWCONN_HANDLE defConn = 0;
    EXPECT_EQ(sim->NWGetDefaultConnRef(&ref), nw::kSuccess);
    EXPECT_EQ(sim->NWCCOpenConnByRef(ref, nw::kOpenStateUnlicensed, 0, &defConn), nw::kSuccess);
    const auto result = vorlane::doListing(*sim, user, defConn, {"FS1", context, true, {0}});
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(user.messages.empty());
    std::vector<std::pair<std::string, std::int64_t>> rows;
    for (const auto& row : result.rows)
        rows.emplace_back(row.name, row.kilobytes);
    return rows;
}

TEST(FuzzFindings, ObjectsNamedRootAreListedAsThemselvesNotAsTheTopOfTheTree) {
    // Before, the typeless "[Root]" resolved to the top of the tree, which
    // uses nothing, so the User vanished from the listing; and the walk
    // went on below the top of the tree instead of the container.
    using Rows = std::vector<std::pair<std::string, std::int64_t>>;
    EXPECT_EQ(listed("ACME"), (Rows{{"\\[Root]", 12}, {"DEEP.\\[rOOT].SALES", 20}}));
    EXPECT_EQ(listed("SALES.ACME"), (Rows{{"DEEP.\\[rOOT]", 20}}));
}

} // namespace
