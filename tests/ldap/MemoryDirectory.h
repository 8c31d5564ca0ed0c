#pragma once

// A directory held in memory for the client's own tests: entries by DN, each
// with its children in order.

#include "netware/ldap/DirectorySource.h"

#include <ldap.h>

#include <map>

namespace testing_support {

class MemoryDirectory final : public nwldap::DirectorySource {
public:
    struct Child {
        std::string type, value;
        bool container = false;
        nw::nuint32 uid = nwldap::kNoOwner;
    };

    explicit MemoryDirectory(std::vector<nwldap::NamingContext> contexts) : contexts_(std::move(contexts)) {}

    void add(const std::string& parentDn, const Child& child) { children[parentDn].push_back(child); }

    const std::vector<nwldap::NamingContext>& namingContexts() const override { return contexts_; }
    int readChildren(const std::string& dn, std::vector<std::unique_ptr<nwldap::Entry>>& out) override {
        ++reads[dn];
        if (const auto failure = failures.find(dn); failure != failures.end())
            return failure->second;
        const auto it = children.find(dn);
        if (it == children.end())
            return LDAP_NO_SUCH_OBJECT;
        for (const Child& c : it->second) {
            auto entry = nwldap::entryFor({c.type, c.value});
            entry->dn = c.type + "=" + c.value + "," + dn;
            entry->container = c.container;
            entry->objectId = c.uid;
            out.push_back(std::move(entry));
        }
        return LDAP_SUCCESS;
    }

    std::map<std::string, std::vector<Child>> children;
    std::map<std::string, int> failures; // DN -> LDAP result of reading it
    std::map<std::string, int> reads;

private:
    std::vector<nwldap::NamingContext> contexts_;
};

// o=ACME and dc=example,dc=com, as a server lists them.
inline std::vector<nwldap::NamingContext> twoNamingContexts() {
    return {{"o=ACME", {{"o", "ACME"}}}, {"dc=example,dc=com", {{"dc", "example"}, {"dc", "com"}}}};
}

} // namespace testing_support
