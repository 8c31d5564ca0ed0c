#pragma once

// The LDAP session of the directory client: one connection, made and bound
// at start-up the way the settings say, kept until the client goes.
//
// Over ldap:// the client always asks for StartTLS. A simple bind sends a
// password, so it goes over an encrypted connection only: ldaps://, ldapi://
// (a local socket), or ldap:// upgraded with StartTLS; if the upgrade fails
// the bind is not attempted. An anonymous session uses StartTLS when the
// server offers it and goes on in the clear, saying so, when it does not.
// Whatever the system's or the user's LDAP configuration says, a server's
// certificate must be trusted: the client never weakens that check.
//
// Every exchange is bounded: the settings' time limit applies to connecting,
// to each operation and to each page of a listing; no message from the
// server may exceed kMaxMessageBytes.

#include "netware/ldap/DirectorySource.h"
#include "netware/ldap/Search.h"
#include "netware/ldap/Settings.h"

#include <ldap.h>

#include <memory>
#include <string>
#include <vector>

namespace nwldap {

// The largest message the client takes from the server: one entry with its
// attributes, or one page's end. Far above any entry a listing asks for
// (its name, its object classes and its uidNumber).
inline constexpr ber_len_t kMaxMessageBytes = 16u << 20;

// Reads the password file: a regular file (no symbolic link) of its
// reader's own, that no one else may use, of 1 to 4096 bytes. Returns the
// empty text, or what is wrong (naming the setting and the file, never the
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
    // A listing cut short by the server's size limit or the client's own
    // cap, and entries the server sent that are no children of the
    // container, are also explained on standard error: the code alone
    // cannot say what was left out.
    int readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out,
                     const std::function<bool()>& cancelled, const std::function<void(std::size_t)>& progress) override;

private:
    Session(LDAP* ld, const Settings& settings)
        : ld_(ld), uri_(settings.uri), limits_{settings.pageSize, settings.timeoutSeconds, settings.maxEntries},
          accountAttribute_(settings.accountAttribute) {}

    LDAP* ld_;
    std::string uri_;
    SearchLimits limits_;
    std::string accountAttribute_;
    std::vector<NamingContext> namingContexts_;
};

// The library's text for a result, with the server's or the library's
// diagnostic when there is one.
std::string ldapErrorText(LDAP* ld, int rc);

} // namespace nwldap
