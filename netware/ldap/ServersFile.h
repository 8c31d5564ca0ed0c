#pragma once

// The site's file servers, from the JSON file that VORLANE_SERVERS names
// (docs/servers-format.md, docs/servers.schema.json): each server's name, how
// it is reached (this machine, or an ssh destination and the scanner's path
// there) and its volumes in volume-number order. A file is taken whole or
// refused with one message that names the file, the place in it and the
// problem.

#include "netware/ldap/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nwldap {

inline constexpr const char* kDefaultScanner = "vorlane-scan";
inline constexpr std::uintmax_t kMaxServersFileBytes = std::uintmax_t{4} * 1024 * 1024;
inline constexpr std::size_t kMaxServerNameChars = 47;

struct ServerSetting {
    std::string name;                   // a bindery name, UTF-8 as written
    std::string ssh;                    // the ssh destination; empty: this machine
    std::string scanner;                // with ssh: the scanner's path there (kDefaultScanner if not given)
    std::vector<VolumeSetting> volumes; // 1 to 64, in volume-number order
};

// Fills `out` from the file. Returns the empty text, or "<file>: <place>:
// <problem>" (the place a JSON pointer, "top level", or a line and column
// for text that is no JSON), leaving `out` alone. Paths are not looked at.
std::string readServersFile(const std::string& path, std::vector<ServerSetting>& out);

// The same for text in hand; `source` names it in a message.
std::string parseServers(std::string_view text, const std::string& source, std::vector<ServerSetting>& out);

} // namespace nwldap
