#pragma once

// The file servers the directory client offers: the site's servers from the
// servers file (VORLANE_SERVERS), or else this machine alone with the volumes
// of VORLANE_VOLUMES or of its mount table. A server is this machine, or one
// reached over SSH, where the scanner counts its volumes.

#include "netware/Opened.h"
#include "netware/ldap/RemoteScan.h"
#include "netware/ldap/Settings.h"
#include "netware/ldap/Volumes.h"

#include <optional>
#include <string>
#include <vector>

namespace nwldap {

struct Server {
    std::string name;                // UTF-8, a bindery name
    std::optional<SshTarget> remote; // none: this machine
    std::vector<Volume> volumes;     // in volume-number order
};

// The servers the settings name, every local volume checked to be a
// directory this process can reach; or what is wrong, naming the setting,
// the file and the place in it.
nw::Opened<std::vector<Server>> serversFrom(const Settings& settings);

// This machine alone, with these volumes.
std::vector<Server> thisMachine(std::vector<Volume> volumes);

} // namespace nwldap
