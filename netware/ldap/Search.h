#pragma once

// The directory reads the client makes, through OpenLDAP's client library:
// the naming contexts of the server, and the children of one entry.

#include "netware/ldap/DirectoryTree.h"

#include <ldap.h>

#include <memory>
#include <string>
#include <vector>

namespace nwldap {

// The naming contexts the server's root entry lists. Returns an LDAP result
// code.
int readNamingContexts(LDAP* ld, std::vector<NamingContext>& out);

// The components of a DN, innermost first; false when it is no DN.
bool splitDn(const std::string& dn, std::vector<Rdn>& out);

// Every child of `baseDn` (a one-level search), in pages of `pageSize`
// entries where the server pages results. A server that does not still
// answers, with as many entries as its size limit allows: past it the
// result is LDAP_SIZELIMIT_EXCEEDED and `out` holds what came. Returns an
// LDAP result code.
int searchChildren(LDAP* ld, const std::string& baseDn, int pageSize, std::vector<std::unique_ptr<Entry>>& out);

} // namespace nwldap
