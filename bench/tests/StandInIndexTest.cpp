// The stand-in finds objects by ID and by name in constant time; these are
// the lookups its indexes must still answer exactly.

#include "netware/sim/SimClient.h"
#include "sim/NetworkBuilder.h"

#include <gtest/gtest.h>

namespace {

using nwsim::ObjectClass;
using nwsim::test::NetworkBuilder;

nw::NWCONN_HANDLE connectTo(nwsim::SimClient& sim, std::uint32_t server) {
    nw::NWCONN_HANDLE handle = 0;
    EXPECT_EQ(sim.NWCCOpenConnByRef(nwsim::SimClient::referenceOf(server), nw::kOpenStatePrivate, 0, &handle),
              nw::kSuccess);
    return handle;
}

nw::nint32 inUse(nwsim::SimClient& sim, nw::NWCONN_HANDLE conn, nw::nuint32 objectId) {
    nw::nint32 restriction = 0;
    nw::nint32 used = -1;
    EXPECT_EQ(sim.NWGetObjDiskRestrictions(conn, 0, objectId, &restriction, &used), nw::kSuccess);
    return used;
}

TEST(StandInObjects, FiguresAreFoundByIdWhetherIdsAreDenseOrSpreadThin) {
    for (const bool spread : {false, true}) {
        NetworkBuilder b;
        const auto fs1 = b.server("FS1");
        const auto org = b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "ACME");
        const auto a = b.add(org, ObjectClass::User, "A", spread ? 5 : 0);
        const auto z = b.add(org, ObjectClass::User, "Z", spread ? 0xFFFFFFF0 : 0);
        b.use(a, fs1, 0, 10).use(z, fs1, 0, 20);
        nwsim::SimClient sim(b.build());
        const auto conn = connectTo(sim, fs1);
        const auto& entries = sim.network().entries;
        EXPECT_EQ(inUse(sim, conn, entries[a].objectId), 10) << spread;
        EXPECT_EQ(inUse(sim, conn, entries[z].objectId), 20) << spread;
        EXPECT_EQ(inUse(sim, conn, entries[org].objectId), 0) << spread;
        // IDs nobody has, below, between and above the ones in use.
        for (const nw::nuint32 unknown : {1u, 6u, entries[a].objectId + 1000, 0xFFFFFFFFu})
            EXPECT_EQ(inUse(sim, conn, unknown), 0) << spread << " " << unknown;
    }
}

class StandInNames : public testing::Test {
protected:
    StandInNames() {
        NetworkBuilder b;
        b.server("FS1");
        const auto org = b.add(NetworkBuilder::kRoot, ObjectClass::Organization, "ACME");
        org_ = org;
        muller_ = b.add(org, ObjectClass::User, "M\xDCLLER");
        sameGroup_ = b.add(org, ObjectClass::Group, "SAME");
        sameUnit_ = b.add(org, ObjectClass::OrganizationalUnit, "SAME");
        inner_ = b.add(sameUnit_, ObjectClass::User, "INNER");
        for (int i = 0; i < 300; ++i)
            many_.push_back(b.add(org, ObjectClass::User, "U" + std::to_string(i)));
        sim_ = std::make_unique<nwsim::SimClient>(b.build());
        EXPECT_EQ(sim_->NWDSCreateContextHandle(&context_), nw::kSuccess);
        EXPECT_EQ(sim_->NWDSSetContext(context_, nw::kContextKeyNameContext, "ACME"), nw::kSuccess);
    }

    // The entry the name resolves to, or -1 with the code of a failure.
    long resolve(const std::string& name, nw::NWRCODE* code = nullptr) {
        nw::NWCONN_HANDLE conn = 0;
        nw::nuint32 id = 0;
        const nw::NWRCODE rc = sim_->NWDSResolveName(context_, name.c_str(), &conn, &id);
        if (code != nullptr)
            *code = rc;
        if (rc != nw::kSuccess)
            return -1;
        sim_->NWCCCloseConn(conn);
        const auto& entries = sim_->network().entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].objectId == id)
                return static_cast<long>(i);
        }
        return -2;
    }

    std::unique_ptr<nwsim::SimClient> sim_;
    nw::NWDSContextHandle context_ = 0;
    std::uint32_t org_ = 0, muller_ = 0, sameGroup_ = 0, sameUnit_ = 0, inner_ = 0;
    std::vector<std::uint32_t> many_;
};

TEST_F(StandInNames, NamesAreMatchedIgnoringCaseAccentedLettersIncluded) {
    EXPECT_EQ(resolve("M\xDCLLER"), muller_);
    EXPECT_EQ(resolve("m\xFCller"), muller_);
    EXPECT_EQ(resolve("CN=m\xFCLLER"), muller_);
    nw::NWRCODE rc = 0;
    EXPECT_EQ(resolve("MULLER", &rc), -1);
    EXPECT_EQ(rc, nw::kNoSuchEntry);
}

TEST_F(StandInNames, SiblingsOfOneNameAreTakenInTheOrderDeliveredUnlessTheTypeSaysOtherwise) {
    EXPECT_EQ(resolve("SAME"), sameGroup_);
    EXPECT_EQ(resolve("CN=SAME"), sameGroup_);
    EXPECT_EQ(resolve("OU=SAME"), sameUnit_);
    EXPECT_EQ(resolve("INNER.OU=SAME"), inner_);
    EXPECT_EQ(resolve("INNER.SAME"), -1) << "the group named SAME holds nothing";
}

TEST_F(StandInNames, EveryOneOfManySiblingsIsFoundAndNoOtherName) {
    for (std::size_t i = 0; i < many_.size(); ++i)
        ASSERT_EQ(resolve("U" + std::to_string(i)), many_[i]) << i;
    for (const char* absent : {"U300", "U", "U00", "INNER"})
        EXPECT_EQ(resolve(absent), -1) << absent;
}

TEST_F(StandInNames, PlainTypedAndEscapedSpellingsOfANameAgreeAndBadNamesAreRefused) {
    EXPECT_EQ(resolve("INNER.OU=SAME"), inner_);
    EXPECT_EQ(resolve("CN=INNER.OU=SAME"), inner_);
    EXPECT_EQ(resolve("inner.ou=same"), inner_);
    EXPECT_EQ(resolve("U1\\7"), many_[17]) << "an escaped plain character is that character";
    EXPECT_EQ(resolve(""), org_) << "the empty name is the context itself";
    EXPECT_EQ(resolve("[root]"), 0) << "the top of the tree, whatever the context";
    for (const std::string& bad :
         std::vector<std::string>{"U1..U2", ".U1", "U1.", "U\x01", "U1=", "U1+U2", "U1\\", std::string(257, 'U')}) {
        nw::NWRCODE rc = 0;
        EXPECT_EQ(resolve(bad, &rc), -1) << bad;
        EXPECT_EQ(rc, nw::kInvalidDsName) << bad;
    }
}

} // namespace
