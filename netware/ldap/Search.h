#pragma once

// The directory reads the client makes, through OpenLDAP's client library:
// the naming contexts of the server, and the children of one entry.

#include "netware/ldap/DirectoryTree.h"
#include "netware/ldap/Settings.h"

#include <ldap.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace nwldap {

// The naming contexts the server's root entry lists. Returns an LDAP result
// code.
int readNamingContexts(LDAP* ld, std::vector<NamingContext>& out);

// The components of a DN, innermost first; false when it is no DN.
bool splitDn(const std::string& dn, std::vector<Rdn>& out);

// What bounds the listing of one container.
struct SearchLimits {
    int pageSize = kDefaultPageSize;
    int timeoutSeconds = kDefaultTimeoutSeconds; // for each page, asked of the server and waited for here
    int maxEntries = kDefaultMaxEntries;
};

// One listing: the container, its bounds, and whoever waits for it.
struct ChildSearch {
    std::string baseDn;
    SearchLimits limits;
    std::function<bool()> cancelled;           // asked between waits
    std::function<void(std::size_t)> progress; // told the entries held, between waits; may be empty
    std::string accountAttribute;              // see Settings; empty: uid, else sAMAccountName
};

// Every child of the base (a one-level search, aliases never dereferenced),
// in pages of limits.pageSize entries where the server pages results. A
// server that does not still answers, with as many entries as its size limit
// allows: past it the result is LDAP_SIZELIMIT_EXCEEDED and `out` holds what
// came. Only entries whose parent is the base are kept; `strays` counts the
// others the server sent. The search runs asynchronously, waiting at most
// 50 ms at a time. Returns an LDAP result code, or
//  - LDAP_USER_CANCELLED once `cancelled` says so, the search abandoned;
//  - LDAP_TIMEOUT when a page has not ended within the time limit;
//  - kResultPagingLoop when the server gives a cookie it gave before, or a
//    cookie with a page that holds no child;
//  - kResultTooManyEntries past limits.maxEntries (`out` holds that many);
//  - kResultMessageTooLarge when a message exceeds the connection's limit
//    (the library drops the connection).
int searchChildren(LDAP* ld, const ChildSearch& search, std::vector<std::unique_ptr<Entry>>& out, std::size_t& strays);

} // namespace nwldap
