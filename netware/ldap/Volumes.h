#pragma once

// The one server the directory client offers, this machine, and its
// volumes: the file systems named in VORLANE_VOLUMES, or else every local
// file system of the mount table that holds files.

#include "netware/ldap/Settings.h"

#include <string>
#include <string_view>
#include <vector>

namespace nwldap {

struct Volume {
    std::string name; // 1 to 16 characters
    std::string path;
};

// The server's name: the host name up to its first dot, in capitals.
std::string serverNameFrom(std::string_view hostName);
std::string serverName();

// The volumes of the setting, after checking that each path is a directory
// this process can reach. Returns the empty text, or what is wrong, naming
// the setting.
std::string checkVolumes(const std::vector<VolumeSetting>& settings, std::vector<Volume>& out);

// Whether a file system type is one that holds files on local storage
// (ext2/3/4, XFS, Btrfs, ZFS, F2FS and the like), as opposed to memory,
// kernel or network file systems.
bool holdsFiles(std::string_view type);

// A volume name for a mount point: "/" is ROOT; else the path's components
// joined by "_", in capitals, other characters than letters, digits and
// "_-$." made "_", cut to 16 characters and made unique among `taken`
// (ignoring case) by a "~N" ending.
std::string volumeNameFor(std::string_view mountPoint, const std::vector<Volume>& taken);

// Every mount of the table (as /proc/self/mounts) that holds files, in table
// order, each file system once (a second mount of the same one is left out),
// at most 64.
std::vector<Volume> volumesFromMountTable(const char* table);

} // namespace nwldap
