#include "netware/ldap/Session.h"

#include "netware/ldap/Search.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nwldap {
namespace {

// A dead server should end start-up with a message, not hang it.
constexpr timeval kConnectTimeout{10, 0};
constexpr std::size_t kMaxPasswordBytes = 4096;

void wipe(std::string& secret) {
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i)
        bytes[i] = 0;
    secret.clear();
}

std::string bindAs(LDAP* ld, const Settings& settings) {
    if (settings.bind == BindKind::Anonymous)
        return {};
    if (settings.bind == BindKind::External) {
        // An empty initial response: act as the identity the socket shows.
        static char nothing[] = "";
        berval none{0, nothing};
        const int rc = ldap_sasl_bind_s(ld, nullptr, "EXTERNAL", &none, nullptr, nullptr, nullptr);
        if (rc != LDAP_SUCCESS)
            return "The directory at " + settings.uri +
                   " refused the bind as the local user (SASL EXTERNAL): " + ldapErrorText(ld, rc);
        return {};
    }
    std::string password;
    if (std::string error = readPasswordFile(settings.passwordFile, password); !error.empty())
        return error;
    berval credentials{static_cast<ber_len_t>(password.size()), password.data()};
    const int rc =
        ldap_sasl_bind_s(ld, settings.bindDn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr);
    wipe(password);
    if (rc != LDAP_SUCCESS)
        return "The directory at " + settings.uri + " refused the bind as " + settings.bindDn + ": " +
               ldapErrorText(ld, rc);
    return {};
}

std::string connect(LDAP* ld, const Settings& settings) {
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    ldap_set_option(ld, LDAP_OPT_RESTART, LDAP_OPT_ON);
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &kConnectTimeout);
    if (needsStartTls(settings)) {
        const int rc = ldap_start_tls_s(ld, nullptr, nullptr);
        if (rc != LDAP_SUCCESS)
            return "The bind as " + settings.bindDn + " is refused: StartTLS with " + settings.uri + " failed (" +
                   ldapErrorText(ld, rc) + "), and without it the password would cross the network in the clear";
    }
    return bindAs(ld, settings);
}

} // namespace

bool needsStartTls(const Settings& settings) {
    return settings.bind == BindKind::Simple && uriScheme(settings.uri) == "ldap";
}

std::string readPasswordFile(const std::string& path, std::string& password) {
    const std::string setting = std::string(kPasswordFileVar) + ": " + path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return setting + " cannot be read: " + std::strerror(errno);
    struct stat status {};
    std::string error;
    if (fstat(fd, &status) != 0)
        error = setting + " cannot be read: " + std::strerror(errno);
    else if (!S_ISREG(status.st_mode))
        error = setting + " is not a file";
    else if ((status.st_mode & S_IROTH) != 0)
        error = setting + " is readable by others: only its owner may read a password file";
    else if ((status.st_mode & S_IRGRP) != 0)
        error = setting + " is readable by its group: only its owner may read a password file";
    std::string content(kMaxPasswordBytes, '\0');
    const ssize_t got = error.empty() ? ::read(fd, content.data(), content.size()) : 0;
    ::close(fd);
    if (error.empty() && got < 0)
        error = setting + " cannot be read: " + std::strerror(errno);
    content.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    // One line ending closes the password; it is not part of it.
    if (!content.empty() && content.back() == '\n')
        content.pop_back();
    if (!content.empty() && content.back() == '\r')
        content.pop_back();
    if (error.empty() && content.empty())
        error = setting + " is empty";
    if (error.empty())
        password = content;
    wipe(content);
    return error;
}

std::string ldapErrorText(LDAP* ld, int rc) {
    std::string out = ldap_err2string(rc);
    char* diagnostic = nullptr;
    if (ld != nullptr && ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diagnostic) == LDAP_OPT_SUCCESS &&
        diagnostic != nullptr) {
        if (*diagnostic != '\0')
            out += std::string(" (") + diagnostic + ")";
        ldap_memfree(diagnostic);
    }
    return out;
}

nw::Opened<std::unique_ptr<Session>> Session::open(const Settings& settings) {
    // A server that goes away mid-listing must give a code, not end the
    // program with a signal from a write to its closed socket.
    std::signal(SIGPIPE, SIG_IGN);
    LDAP* ld = nullptr;
    const int rc = ldap_initialize(&ld, settings.uri.c_str());
    if (rc != LDAP_SUCCESS || ld == nullptr)
        return nw::Refusal{std::string(kUriVar) + ": \"" + settings.uri + "\" cannot be used: " + ldap_err2string(rc)};
    std::unique_ptr<Session> session(new Session(ld, settings));
    if (std::string error = connect(ld, settings); !error.empty())
        return nw::Refusal{error};
    const int read = readNamingContexts(ld, session->namingContexts_);
    if (read != LDAP_SUCCESS)
        return nw::Refusal{"The directory at " + settings.uri + " cannot be read: " + ldapErrorText(ld, read)};
    return session;
}

int Session::readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out) {
    const int rc = searchChildren(ld_, dn, pageSize_, out);
    if (rc == LDAP_SIZELIMIT_EXCEEDED)
        std::fprintf(stderr,
                     "vorlane: the directory at %s stopped the listing of %s at its size limit, after %zu entries: "
                     "it does not page results, or limits them all the same\n",
                     uri_.c_str(), dn.c_str(), out.size());
    return rc;
}

Session::~Session() {
    ldap_unbind_ext_s(ld_, nullptr, nullptr);
}

} // namespace nwldap
