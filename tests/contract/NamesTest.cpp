// The rules every client keeps about the names it delivers, each asserted
// once for both: each resolves to its own entry, one too long is left out,
// and a name context reads back within a name buffer.

#include "contract/Contract.h"

#include <map>
#include <set>

namespace contract {
namespace {

template <class Kind> class ContractNames : public Contract<Kind> {};
TYPED_TEST_SUITE(ContractNames, Clients);

// Every name a listing delivers, typed and typeless, resolves in the context
// of its container to the entry it was delivered for: the names below, each
// once among its siblings, and every other entry's own name.
TYPED_TEST(ContractNames, EveryDeliveredNameResolvesToItsOwnEntry) {
    const std::map<nw::nuint32, std::pair<std::string, std::string>> special = {
        {502, {"J\\.DOE", "CN=J\\.DOE"}},
        {503, {"A\\=B\\+C\\\\D", "CN=A\\=B\\+C\\\\D"}},
        {504, {"\\[Root]", "CN=[Root]"}},
        {505, {"Ma\xEF\x61", "CN=Ma\xEF\x61"}}, // \x61: the a, not more of the hex escape
        {120, {"Admin", "CN=Admin"}},
        {111, {"EAST", "OU=EAST"}},
        {701, {"bad?name", "CN=bad?name"}}, // control characters, NUL included, go out as '?'
        {702, {"a", "CN=a"}},
        {703, {"a?b~2", "CN=a?b~2"}}, // not the name of its sibling a?b
        {704, {"a?b", "CN=a?b"}},
        {705, {"smith", "CN=smith"}}, // siblings of one name: the first keeps it
        {706, {"SMITH~2", "CN=SMITH~2"}},
        {711, {std::string(60, 'N'), "CN=" + std::string(60, 'N')}},
    };
    std::set<nw::nuint32> expected;
    for (const auto& entry : network().entries)
        expected.insert(entry.objectId);
    expected.erase(network().entries[0].objectId); // [Root] is no entry of the directory's
    expected.erase(707);                           // no name of it fits
    for (const bool typeless : {true, false}) {
        std::map<nw::nuint32, std::string> delivered;
        std::vector<std::string> pending{""};
        while (!pending.empty()) {
            const std::string container = pending.back();
            pending.pop_back();
            ClientSession at(this->c);
            ASSERT_EQ(at.setContext(container.empty() ? "[Root]" : container, typeless), nw::kSuccess);
            const auto listing = at.list("");
            ASSERT_EQ(listing.rc, nw::kSuccess) << container;
            for (const std::string& name : listing.names) {
                const auto [rc, id] = at.resolve(name);
                EXPECT_EQ(rc, nw::kSuccess) << name << " in " << container;
                EXPECT_TRUE(delivered.emplace(id, name).second) << name << " in " << container << ": " << id;
            }
            for (const std::string& name : at.list("", true).names)
                pending.push_back(container.empty() ? name : name + "." + container);
        }
        std::set<nw::nuint32> reached;
        for (const auto& [id, name] : delivered)
            reached.insert(id);
        EXPECT_EQ(reached, expected);
        for (const auto& [id, names] : special)
            EXPECT_EQ(delivered[id], typeless ? names.first : names.second) << id;
    }
}

// A name longer than a name can be, alone (130 dots, escaped) or joined to
// its container's name (60 characters below one of 200), is left out of its
// container's listing, which goes on, and said on standard error.
TYPED_TEST(ContractNames, ANameTooLongToDeliverIsLeftOutAndTheListingGoesOn) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(this->s.list(std::string(200, 'L')).names, Names{});
    ClientSession east(this->c);
    ASSERT_EQ(east.setContext("EAST.SALES.ACME"), nw::kSuccess);
    const auto listing = east.list("");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(listing.rc, nw::kSuccess);
    EXPECT_EQ(listing.names.size(), 7u);
    EXPECT_NE(said.find(" in " + std::string(200, 'L') + " is left out of the listing"), std::string::npos) << said;
    EXPECT_NE(said.find(" in the name context is left out of the listing"), std::string::npos) << said;
}

// A new context handle starts at the default context with the flags 0x13;
// a name context comes back as set, and never more than the 257 bytes of a
// name buffer, even from a default context too long to be a name.
TYPED_TEST(ContractNames, AContextStartsAtTheDefaultContextAndReadsBackWithinANameBuffer) {
    nw::ClientKit& api = this->c;
    nw::NWDSContextHandle fresh = 0;
    ASSERT_EQ(api.NWDSCreateContextHandle(&fresh), nw::kSuccess);
    nw::nuint32 initial = 0;
    ASSERT_EQ(api.NWDSGetContext(fresh, nw::kContextKeyFlags, &initial), nw::kSuccess);
    EXPECT_EQ(initial, 0x13u);
    const auto read = [](nw::ClientKit& kit, nw::NWDSContextHandle context) {
        const auto exact = std::make_unique<char[]>(nw::kNameBufferSize);
        EXPECT_EQ(kit.NWDSGetContext(context, nw::kContextKeyNameContext, exact.get()), nw::kSuccess);
        return std::string(exact.get());
    };
    EXPECT_EQ(read(api, fresh), "SALES.ACME");
    const std::string longest = std::string(254, 'S') + ".X";
    ASSERT_EQ(api.NWDSSetContext(fresh, nw::kContextKeyNameContext, longest.c_str()), nw::kSuccess);
    EXPECT_EQ(read(api, fresh), longest);

    nwsim::Network net = network();
    net.defaultContext = std::string(300, 'D');
    const auto longDefault = TypeParam::make(std::move(net));
    ASSERT_EQ(longDefault->NWDSCreateContextHandle(&fresh), nw::kSuccess);
    EXPECT_EQ(read(*longDefault, fresh), "[Root]");
}

} // namespace
} // namespace contract
