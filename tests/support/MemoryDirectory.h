#pragma once

// A directory held in memory for the directory client: the children of each
// DN, in order, and the LDAP result that reading a DN gives instead.

#include "netware/ldap/DirectorySource.h"

#include <ldap.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testing_support {

struct MemoryDirectory final : nwldap::DirectorySource {
    struct Child {
        std::string type, value; // the value UTF-8
        bool container = false;
        nw::nuint32 uid = nwldap::kNoOwner;
        std::string baseClass{};
        std::string account{}; // without a uid: its account name on the file servers
    };

    const std::vector<nwldap::NamingContext>& namingContexts() const override { return contexts; }
    int readChildren(const std::string& dn, std::vector<std::unique_ptr<nwldap::Entry>>& out,
                     const std::function<bool()>&, const std::function<void(std::size_t)>&) override {
        if (const auto failure = failures.find(dn); failure != failures.end())
            return failure->second;
        for (const Child& c : children[dn]) {
            auto entry = nwldap::entryFor({c.type, c.value});
            entry->dn = c.type + "=" + c.value + "," + dn;
            entry->container = c.container;
            entry->objectId = c.uid;
            entry->baseClass = c.baseClass;
            entry->account = c.uid == nwldap::kNoOwner ? c.account : std::string();
            out.push_back(std::move(entry));
        }
        return LDAP_SUCCESS;
    }

    std::vector<nwldap::NamingContext> contexts;
    std::map<std::string, std::vector<Child>> children;
    std::map<std::string, int> failures; // DN -> LDAP result of reading it
};

} // namespace testing_support
