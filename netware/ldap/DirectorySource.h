#pragma once

// Where the directory client reads the directory from: the LDAP session,
// or in the tests a directory held in memory.

#include "netware/ldap/DirectoryTree.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nwldap {

class DirectorySource {
public:
    virtual ~DirectorySource() = default;

    virtual const std::vector<NamingContext>& namingContexts() const = 0;
    // Every child of the entry with this DN, in the directory's order.
    // Returns an LDAP result code, or one of the kResult* of ErrorCodes.h.
    // A read that waits on the directory asks `cancelled` at least every
    // 50 ms, and once it says yes returns LDAP_USER_CANCELLED within 0.2 s;
    // it tells `progress` (when set) the entries it holds, as often.
    virtual int readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out,
                             const std::function<bool()>& cancelled,
                             const std::function<void(std::size_t entries)>& progress) = 0;
};

} // namespace nwldap
