#pragma once

// The directory client's settings. All of them come from the environment, so
// that the tool itself reads no configuration; docs/ldap-client.md describes
// each one.

#include "netware/Opened.h"
#include "netware/Protocol.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace nwldap {

inline constexpr const char* kUriVar = "VORLANE_LDAP_URI";
inline constexpr const char* kBindDnVar = "VORLANE_LDAP_BIND_DN";
inline constexpr const char* kPasswordFileVar = "VORLANE_LDAP_PASSWORD_FILE";
inline constexpr const char* kContextVar = "VORLANE_LDAP_CONTEXT";
inline constexpr const char* kVolumesVar = "VORLANE_VOLUMES";
inline constexpr const char* kPageSizeVar = "VORLANE_LDAP_PAGE_SIZE";
inline constexpr const char* kTimeoutVar = "VORLANE_LDAP_TIMEOUT";
inline constexpr const char* kMaxEntriesVar = "VORLANE_LDAP_MAX_ENTRIES";
inline constexpr const char* kAccountAttributeVar = "VORLANE_LDAP_ACCOUNT_ATTRIBUTE";
inline constexpr const char* kServersVar = "VORLANE_SERVERS";
inline constexpr const char* kSshConfigVar = "VORLANE_SSH_CONFIG";

// A page of a few hundred entries keeps a round trip worth its latency on a
// slow network without asking more of the server than any default size limit
// (Active Directory's is 1000) allows.
inline constexpr int kDefaultPageSize = 500;
inline constexpr int kMaxPageSize = 100000;
// Every exchange with the directory (connecting, each operation, each page
// of a listing) ends within this many seconds.
inline constexpr int kDefaultTimeoutSeconds = 60;
inline constexpr int kMaxTimeoutSeconds = 3600;
// The entries kept of one container: far above any real one, far below what
// a server that never stops sending would make the client hold.
inline constexpr int kDefaultMaxEntries = 1000000;
inline constexpr int kMaxMaxEntries = 100000000;

// How the client proves who it is.
enum class BindKind {
    Anonymous, // no bind DN, over ldap:// or ldaps://
    Simple,    // a bind DN and its password, over an encrypted connection only
    External,  // no bind DN over ldapi://: the server knows the local user
};

struct VolumeSetting {
    std::string name; // 1 to 16 characters, see parseVolumes
    std::string path; // absolute
};

struct Settings {
    std::string uri;
    BindKind bind = BindKind::Anonymous;
    std::string bindDn;
    std::string passwordFile;
    std::string context; // dotted, UTF-8; empty: the directory's first naming context
    bool volumesSet = false;
    std::vector<VolumeSetting> volumes;
    int pageSize = kDefaultPageSize;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    int maxEntries = kDefaultMaxEntries;
    std::string serversFile; // VORLANE_SERVERS; empty: this machine alone
    std::string sshConfig;   // VORLANE_SSH_CONFIG, ssh's -F; empty: the user's own configuration
    // The attribute that names an entry without a uidNumber on the file
    // servers; empty: uid, else sAMAccountName, else the naming value.
    std::string accountAttribute;
};

// Looks a variable up; null when it is unset.
using Environment = std::function<const char*(const char*)>;

// The settings the environment gives, or what is wrong, naming the setting.
// The password file is only named here, not read; the context must be a
// valid dotted name.
nw::Opened<Settings> readSettings(const Environment& env);

// The volume list: "NAME=/path" items separated by commas, in volume-number
// order, with spaces around items ignored. A name has 1 to 16 characters out
// of letters, digits and "_-$.", and no two names are equal ignoring case; a
// path is absolute and holds no comma. At most 64 volumes. Returns the empty
// text and fills `out`, or what is wrong (leaving `out` alone).
std::string parseVolumes(std::string_view text, std::vector<VolumeSetting>& out);

// The scheme of a URI, lower-case, without "://"; empty when it has none.
std::string uriScheme(std::string_view uri);

} // namespace nwldap
