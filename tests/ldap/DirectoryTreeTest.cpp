#include "MemoryDirectory.h"

#include "netware/ldap/DirectoryTree.h"

#include <gtest/gtest.h>

namespace {

using testing_support::MemoryDirectory;

struct Tree : testing::Test {
    Tree() : source(testing_support::twoNamingContexts()), tree(source.namingContexts()) {
        source.add("o=ACME", {"ou", "SALES", true});
        source.add("ou=SALES,o=ACME", {"cn", "Dvo\xC5\x99\xC3\xA1k", false, 60006}); // not all 8-bit
        source.add("ou=SALES,o=ACME", {"cn", "J.SMITH", false, 60002});
        source.add("dc=example,dc=com", {"ou", "People", true});
        source.add("ou=People,dc=example,dc=com", {"uid", "smith", false, 60010});
    }

    // The DN a dotted name resolves to, or the code.
    std::string resolve(const std::string& text) {
        nwldap::DottedName name;
        if (nwldap::parseName(text, name) != nw::kSuccess)
            return "invalid";
        nwldap::Entry* entry = nullptr;
        const nw::NWRCODE rc = nwldap::DirectoryTree::resolve(
            tree.root(), name.components,
            [this](nwldap::Entry& parent) {
                std::vector<std::unique_ptr<nwldap::Entry>> children;
                const int read = source.readChildren(parent.dn, children);
                parent.replaceChildren(std::move(children));
                return read == 0 ? nw::kSuccess : -1000 - read;
            },
            entry);
        return rc == nw::kSuccess ? "<" + entry->dn + ">" : std::to_string(rc);
    }

    MemoryDirectory source;
    nwldap::DirectoryTree tree;
};

TEST_F(Tree, NamesMapToEntriesComponentByComponentWhateverTheirAttributes) {
    const std::pair<const char*, const char*> cases[] = {
        {"ACME", "<o=ACME>"},
        {"example.com", "<dc=example,dc=com>"},
        {"com", "<>"}, // above a naming context: known only to the client
        {"smith.People.example.com", "<uid=smith,ou=People,dc=example,dc=com>"},
        {"SMITH.people.EXAMPLE.Com", "<uid=smith,ou=People,dc=example,dc=com>"},
        {"UID=smith.OU=People.DC=example.dc=com", "<uid=smith,ou=People,dc=example,dc=com>"},
        {"CN=smith.OU=People.DC=example.DC=com", "-601"},
        {"DVO?\xC1K.SALES.ACME", "<cn=Dvo\xC5\x99\xC3\xA1k,ou=SALES,o=ACME>"},
        {"J\\.SMITH.SALES.ACME", "<cn=J.SMITH,ou=SALES,o=ACME>"},
        {"NOBODY.SALES.ACME", "-601"},
        {"SALES", "-601"},
        {"", "<>"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(resolve(name), expected) << name;
}

TEST_F(Tree, EachContainerIsReadOnceAndAFailedReadGivesItsCode) {
    resolve("J\\.SMITH.SALES.ACME");
    resolve("NOBODY.SALES.ACME");
    EXPECT_EQ(source.reads, (std::map<std::string, int>{{"o=ACME", 1}, {"ou=SALES,o=ACME", 1}}));
    source.failures["ou=People,dc=example,dc=com"] = -1;
    EXPECT_EQ(resolve("smith.People.example.com"), "-999");
}

TEST(Entries, ContainersAndClassesFromTheObjectClasses) {
    const struct {
        std::vector<std::string> classes;
        bool container;
        std::string shown;
    } cases[] = {
        {{"top", "organizationalUnit"}, true, "organizationalUnit"},
        {{"Organization", "dcObject"}, true, "Organization"},
        {{"country"}, true, "country"},
        {{"locality"}, true, "locality"},
        {{"top", "DOMAIN"}, true, "DOMAIN"},
        {{"account", "posixAccount"}, false, "account"},
        {{"top"}, false, ""},
    };
    for (const auto& c : cases) {
        nwldap::Entry entry;
        nwldap::classify(c.classes, entry);
        EXPECT_EQ(entry.container, c.container) << c.shown;
        EXPECT_EQ(entry.baseClass, c.shown);
    }
}

TEST(Entries, OnlyADecimalUidNumberIsAnObjectId) {
    const std::pair<const char*, nw::nuint32> cases[] = {{"60002", 60002},
                                                         {"0", 0},
                                                         {"4294967294", 4294967294u},
                                                         {"4294967296", nwldap::kNoOwner},
                                                         {"-5", nwldap::kNoOwner},
                                                         {"12a", nwldap::kNoOwner},
                                                         {"", nwldap::kNoOwner},
                                                         {" 7", nwldap::kNoOwner}};
    for (const auto& [text, id] : cases)
        EXPECT_EQ(nwldap::objectIdFrom(text), id) << text;
}

} // namespace
