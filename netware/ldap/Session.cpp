#include "netware/ldap/Session.h"

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/Report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace nwldap {
namespace {

constexpr std::size_t kMaxPasswordBytes = 4096;

void wipe(std::string& secret) {
    volatile char* bytes = secret.data();
    for (std::size_t i = 0; i < secret.size(); ++i)
        bytes[i] = 0;
    secret.clear();
}

// libldap reads its configuration at its first call: ldap.conf, then ldaprc
// and .ldaprc in the home folder and in the working directory. A file left
// in whatever folder Vorlane is started from could turn certificate checks
// off or name a CA of its writer's, so that first call is made with the
// working directory at "/", and the directory changed back at once. Nothing
// else runs during start-up to see the change. False when the working
// directory could not be kept to return to.
bool readLibraryConfigurationFromRoot() {
    static bool read = false;
    static std::once_flag once;
    std::call_once(once, [] {
        const int here = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (here >= 0 && chdir("/") == 0) {
            int level = 0;
            ldap_get_option(nullptr, LDAP_OPT_DEBUG_LEVEL, &level);
            read = fchdir(here) == 0;
        }
        if (here >= 0)
            ::close(here);
    });
    return read;
}

// Whatever ldap.conf, an ldaprc or LDAPTLS_REQCERT say, a server's
// certificate must be trusted, on a TLS context of the handle's own: the
// library's shared one is made from those settings. A new handle inherits
// the shared context but not the names of the files it was made from, so
// those are copied first; the rest of the settings (a pinned key, the
// least protocol version) the handle has already.
bool demandTrustedCertificate(LDAP* ld) {
    for (const int option :
         {LDAP_OPT_X_TLS_CACERTFILE, LDAP_OPT_X_TLS_CACERTDIR, LDAP_OPT_X_TLS_CERTFILE, LDAP_OPT_X_TLS_KEYFILE,
          LDAP_OPT_X_TLS_CRLFILE, LDAP_OPT_X_TLS_CIPHER_SUITE, LDAP_OPT_X_TLS_DHFILE, LDAP_OPT_X_TLS_ECNAME}) {
        char* value = nullptr;
        if (ldap_get_option(nullptr, option, &value) != LDAP_OPT_SUCCESS)
            return false;
        const bool copied = value == nullptr || ldap_set_option(ld, option, value) == LDAP_OPT_SUCCESS;
        ldap_memfree(value);
        if (!copied)
            return false;
    }
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    const int client = 0;
    return ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand) == LDAP_OPT_SUCCESS &&
           ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &client) == LDAP_OPT_SUCCESS;
}

// The options of a new handle. Returns the empty text, or what is wrong.
std::string setOptions(LDAP* ld, const Settings& settings) {
    const int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    ldap_set_option(ld, LDAP_OPT_RESTART, LDAP_OPT_ON);
    // An alias could lead a listing out of its container, or round in a circle.
    const int never = LDAP_DEREF_NEVER;
    ldap_set_option(ld, LDAP_OPT_DEREF, &never);
    const timeval limit{settings.timeoutSeconds, 0};
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &limit);
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &limit);
    ldap_set_option(ld, LDAP_OPT_TIMELIMIT, &settings.timeoutSeconds);
    // A server that vanished while the connection was idle shows within
    // about twice the time limit, not at the next listing's first wait.
    const int idle = settings.timeoutSeconds;
    const int probes = 3;
    const int interval = std::max(1, settings.timeoutSeconds / probes);
    ldap_set_option(ld, LDAP_OPT_X_KEEPALIVE_IDLE, &idle);
    ldap_set_option(ld, LDAP_OPT_X_KEEPALIVE_PROBES, &probes);
    ldap_set_option(ld, LDAP_OPT_X_KEEPALIVE_INTERVAL, &interval);
    if (uriScheme(settings.uri) == "ldapi" || demandTrustedCertificate(ld))
        return {};
    return "The directory at " + settings.uri +
           " cannot be used: TLS cannot be set up to check its certificate (see the TLS settings of ldap.conf)";
}

// A reply cut off mid-message must not hold the client in a read it cannot
// leave (the library's socket blocks, and a listing waits at most 50 ms at
// a time), and one message may not take more memory than kMaxMessageBytes.
bool guard(LDAP* ld) {
    Sockbuf* socket = nullptr;
    ber_len_t most = kMaxMessageBytes;
    return ldap_get_option(ld, LDAP_OPT_SOCKBUF, &socket) == LDAP_OPT_SUCCESS && socket != nullptr &&
           ber_sockbuf_ctrl(socket, LBER_SB_OPT_SET_NONBLOCK, reinterpret_cast<void*>(1)) == 1 &&
           ber_sockbuf_ctrl(socket, LBER_SB_OPT_SET_MAX_INCOMING, &most) == 1;
}

std::string unreadable(LDAP* ld, const Settings& settings, int rc) {
    return "The directory at " + settings.uri + " cannot be read: " + ldapErrorText(ld, rc);
}

// StartTLS on an ldap:// connection: a simple bind needs it, an anonymous
// session takes it where the server offers it.
std::string startTls(LDAP* ld, const Settings& settings) {
    const int rc = ldap_start_tls_s(ld, nullptr, nullptr);
    if (rc == LDAP_SUCCESS)
        return {};
    if (rc == LDAP_SERVER_DOWN || rc == LDAP_TIMEOUT)
        return unreadable(ld, settings, rc);
    if (settings.bind == BindKind::Simple)
        return "The bind as " + settings.bindDn + " is refused: StartTLS with " + settings.uri + " failed (" +
               ldapErrorText(ld, rc) + "), and without it the password would cross the network in the clear";
    if (rc > 0) { // the server's answer: it does not offer TLS
        std::fprintf(stderr, "vorlane: the directory at %s does not offer StartTLS (%s): it is read unencrypted\n",
                     printable(settings.uri).c_str(), printable(ldapErrorText(ld, rc)).c_str());
        return {};
    }
    return "The directory at " + settings.uri + " is refused: it offers StartTLS, but TLS with it failed (" +
           ldapErrorText(ld, rc) +
           "), and a directory that offers TLS is read over TLS with a trusted certificate only";
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
    if (std::string error = setOptions(ld, settings); !error.empty())
        return error;
    if (const int rc = ldap_connect(ld); rc != LDAP_SUCCESS)
        return unreadable(ld, settings, rc);
    bool guarded = guard(ld);
    if (guarded && uriScheme(settings.uri) == "ldap") {
        if (std::string error = startTls(ld, settings); !error.empty())
            return error;
        guarded = guard(ld); // the TLS handshake leaves the socket blocking
    }
    if (!guarded)
        return "The directory at " + settings.uri +
               " cannot be used: its connection cannot be bounded in time and size";
    return bindAs(ld, settings);
}

// What is wrong with the password file as it stands, or the empty text.
std::string fileProblem(const struct stat& status) {
    if (S_ISLNK(status.st_mode))
        return " is a symbolic link: name the file itself";
    if (!S_ISREG(status.st_mode))
        return " is not a regular file";
    if (status.st_uid != geteuid())
        return " does not belong to the user running Vorlane";
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(status.st_mode & 07777));
        return std::string(" may be used by its group or others (mode ") + mode +
               "): only its owner may have access to a password file";
    }
    if (status.st_size > static_cast<off_t>(kMaxPasswordBytes))
        return " is larger than 4096 bytes";
    return {};
}

} // namespace

std::string readPasswordFile(const std::string& path, std::string& password) {
    const std::string setting = std::string(kPasswordFileVar) + ": " + path;
    // Never following a link, and never waiting on a FIFO or a device.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 && errno == ELOOP && lstat(path.c_str(), &status) == 0)
        return setting + fileProblem(status);
    if (fd < 0)
        return setting + " cannot be read: " + std::strerror(errno);
    std::string error =
        fstat(fd, &status) != 0 ? " cannot be read: " + std::string(std::strerror(errno)) : fileProblem(status);
    // One byte more than a password may have: a file that grew since is
    // refused, not cut.
    std::string content(kMaxPasswordBytes + 1, '\0');
    std::size_t got = 0;
    while (error.empty() && got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno != EINTR)
            error = " cannot be read: " + std::string(std::strerror(errno));
        if (n == 0)
            break;
        got += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    ::close(fd);
    content.resize(got);
    if (error.empty() && got > kMaxPasswordBytes)
        error = " is larger than 4096 bytes";
    // One line ending closes the password; it is not part of it.
    if (!content.empty() && content.back() == '\n')
        content.pop_back();
    if (!content.empty() && content.back() == '\r')
        content.pop_back();
    if (error.empty() && content.empty())
        error = " is empty";
    if (error.empty())
        password = content;
    wipe(content);
    return error.empty() ? error : setting + error;
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
    if (!readLibraryConfigurationFromRoot())
        return nw::Refusal{"The LDAP library's configuration cannot be read safely: the working directory cannot be "
                           "left for / and returned to"};
    LDAP* ld = nullptr;
    const int rc = ldap_initialize(&ld, settings.uri.c_str());
    if (rc != LDAP_SUCCESS || ld == nullptr)
        return nw::Refusal{std::string(kUriVar) + ": \"" + settings.uri + "\" cannot be used: " + ldap_err2string(rc)};
    std::unique_ptr<Session> session(new Session(ld, settings));
    if (std::string error = connect(ld, settings); !error.empty())
        return nw::Refusal{error};
    const int read = readNamingContexts(ld, session->namingContexts_);
    if (read != LDAP_SUCCESS)
        return nw::Refusal{unreadable(ld, settings, read)};
    return session;
}

int Session::readChildren(const std::string& dn, std::vector<std::unique_ptr<Entry>>& out,
                          const std::function<bool()>& cancelled, const std::function<void(std::size_t)>& progress) {
    std::size_t strays = 0;
    const int rc = searchChildren(ld_, {dn, limits_, cancelled, progress, accountAttribute_}, out, strays);
    const std::string where = printable(uri_);
    const std::string what = printable(dn);
    if (strays > 0)
        std::fprintf(stderr, "vorlane: the directory at %s sent %zu entr%s that %s no child of %s: left out\n",
                     where.c_str(), strays, strays == 1 ? "y" : "ies", strays == 1 ? "is" : "are", what.c_str());
    if (rc == LDAP_SIZELIMIT_EXCEEDED)
        std::fprintf(stderr,
                     "vorlane: the directory at %s stopped the listing of %s at its size limit, after %zu entries: "
                     "it does not page results, or limits them all the same\n",
                     where.c_str(), what.c_str(), out.size());
    if (rc == kResultTooManyEntries)
        std::fprintf(stderr,
                     "vorlane: the listing of %s in the directory at %s stopped after %s entries, the most %s allows\n",
                     what.c_str(), where.c_str(), grouped(out.size()).c_str(), kMaxEntriesVar);
    return rc;
}

Session::~Session() {
    ldap_unbind_ext_s(ld_, nullptr, nullptr);
}

} // namespace nwldap
