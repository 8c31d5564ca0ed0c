#include "report/ContainerWalk.h"

#include "session/ClientResource.h"
#include "support/FakeUserChannel.h"
#include "support/SimNetwork.h"

#include <gtest/gtest.h>

namespace {

using testing_support::FakeUserChannel;

// A holds A1 and A2, A1 holds X; B is empty; LEAF is no container.
constexpr std::string_view kTree = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" } ] } ],
  "defaultServer": "FS1",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "A", "class": "Organizational Unit", "children": [
      { "name": "A1", "class": "Organizational Unit", "children": [
        { "name": "X", "class": "Organizational Unit" } ] },
      { "name": "U", "class": "User" },
      { "name": "A2", "class": "Organizational Unit" } ] },
    { "name": "LEAF", "class": "User" },
    { "name": "B", "class": "Organizational Unit" }
  ] } ]
})json";

class Walk : public testing::Test {
protected:
    std::vector<std::string> walk(const char* context) {
        nw::NWDSContextHandle handle = 0;
        EXPECT_EQ(sim_->NWDSCreateContextHandle(&handle), 0);
        vorlane::DsContext owned(*sim_, handle);
        EXPECT_EQ(sim_->NWDSSetContext(handle, nw::kContextKeyNameContext, context), 0);
        nw::nuint32 flags = 0;
        sim_->NWDSGetContext(handle, nw::kContextKeyFlags, &flags);
        flags |= nw::kContextFlagTypelessNames;
        sim_->NWDSSetContext(handle, nw::kContextKeyFlags, &flags);
        std::vector<std::string> contList{""};
        vorlane::ListingControl control;
        vorlane::recurseCont(*sim_, user_, handle, "", contList, control);
        EXPECT_EQ(control.progress().containers, contList.size() - 1);
        return contList;
    }

    std::unique_ptr<nwsim::SimClient> sim_ = testing_support::simulate(kTree);
    FakeUserChannel user_;
};

TEST_F(Walk, DepthFirstPreOrderWithInnermostNameFirst) {
    EXPECT_EQ(walk("ACME"), (std::vector<std::string>{"", "A", "A1.A", "X.A1.A", "A2.A", "B"}));
    EXPECT_TRUE(user_.messages.empty());
    // Three levels below the context: four buffers at the deepest point, none after.
    EXPECT_EQ(sim_->peakAllocatedBufferCount(), 4u);
    EXPECT_EQ(sim_->allocatedBufferCount(), 0u);
}

TEST_F(Walk, AContextWithoutContainersAddsNothingAndAMissingOneSaysSoOnce) {
    EXPECT_EQ(walk("B.ACME"), std::vector<std::string>{""});
    EXPECT_EQ(walk("LEAF.ACME"), std::vector<std::string>{""});
    EXPECT_TRUE(user_.messages.empty());
    EXPECT_EQ(walk("NOWHERE.ACME"), std::vector<std::string>{""});
    EXPECT_EQ(user_.messages, std::vector<std::string>{"Context does not exist"});
    EXPECT_EQ(sim_->allocatedBufferCount(), 0u);
}

TEST_F(Walk, AContainerRemovedMidWalkStaysListedAndItsSiblingsAreWalked) {
    sim_->addFault(
        nwsim::Fault{"NWDSListContainers", nw::kNoSuchEntry, std::nullopt, "A1.A", std::nullopt, std::nullopt});
    EXPECT_EQ(walk("ACME"), (std::vector<std::string>{"", "A", "A1.A", "A2.A", "B"}));
    EXPECT_EQ(user_.messages, std::vector<std::string>{"Context does not exist"});
    EXPECT_EQ(sim_->allocatedBufferCount(), 0u);
}

} // namespace
