#pragma once

// The LDAP session of the directory client: one connection, made and bound
// at start-up the way the settings say, kept until the client goes.
//
// A simple bind sends a password, so it goes over an encrypted connection
// only: ldaps://, ldapi:// (a local socket), or ldap:// upgraded with
// StartTLS, which is asked for whenever a bind DN is set. If the upgrade
// fails the bind is not attempted. Server certificates are checked as the
// system's LDAP configuration (ldap.conf, LDAPTLS_* variables) says; the
// client never changes that.

#include "netware/ldap/DirectorySource.h"
#include "netware/ldap/Settings.h"

#include <ldap.h>

#include <memory>
#include <string>
#include <vector>

namespace nwldap {

// Whether a connection to this URI must be upgraded with StartTLS before the
// bind the settings ask for.
bool needsStartTls(const Settings& settings);

// Reads the password file, refusing one that anybody but its owner may read.
// Returns the empty text, or what is wrong (naming the file, never the
// password).
std::string readPasswordFile(const std::string& path, std::string& password);

class Session final : public DirectorySource {
public:
    // Connects, binds and reads the server's naming contexts; on failure
    // says why, naming the setting or the URI and the library's text.
    static nw::Opened<std::unique_ptr<Session>> open(const Settings& settings);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::vector<NamingContext>& namingContexts() const override { return namingContexts_; }
    // A listing cut short by the server's size limit is also explained on
    // standard error: the code alone cannot say that the server does not
    // page results.
    int readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out) override;

private:
    Session(LDAP* ld, const Settings& settings) : ld_(ld), uri_(settings.uri), pageSize_(settings.pageSize) {}

    LDAP* ld_;
    std::string uri_;
    int pageSize_;
    std::vector<NamingContext> namingContexts_;
};

// The library's text for a result, with the server's or the library's
// diagnostic when there is one.
std::string ldapErrorText(LDAP* ld, int rc);

} // namespace nwldap
