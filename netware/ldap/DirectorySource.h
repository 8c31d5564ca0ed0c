#pragma once

// Where the directory client reads the directory from: the LDAP session,
// or in the tests a directory held in memory.

#include "netware/ldap/DirectoryTree.h"

#include <memory>
#include <string>
#include <vector>

namespace nwldap {

class DirectorySource {
public:
    virtual ~DirectorySource() = default;

    virtual const std::vector<NamingContext>& namingContexts() const = 0;
    // Every child of the entry with this DN, in the directory's order.
    // Returns an LDAP result code.
    virtual int readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out) = 0;
};

} // namespace nwldap
