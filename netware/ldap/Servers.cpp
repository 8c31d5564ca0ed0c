#include "netware/ldap/Servers.h"

#include "netware/ldap/Report.h"
#include "netware/ldap/ServersFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace nwldap {
namespace {

// Why a local volume of the servers file cannot be scanned, or the empty text.
std::string unusable(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return std::strerror(errno);
    return S_ISDIR(status.st_mode) ? std::string() : "not a directory";
}

nw::Opened<std::vector<Server>> fromFile(const Settings& settings) {
    std::vector<ServerSetting> read;
    if (std::string error = readServersFile(settings.serversFile, read); !error.empty())
        return nw::Refusal{std::string(kServersVar) + ": " + error};
    std::vector<Server> servers;
    for (const ServerSetting& setting : read) {
        Server server{setting.name, std::nullopt, {}};
        if (!setting.ssh.empty())
            server.remote = SshTarget{setting.ssh, setting.scanner, settings.sshConfig};
        for (const VolumeSetting& volume : setting.volumes) {
            // A remote path is the server's to judge, when it is scanned.
            if (const std::string why = server.remote ? std::string() : unusable(volume.path); !why.empty())
                return nw::Refusal{std::string(kServersVar) + ": " + printable(settings.serversFile) + ": server " +
                                   printable(setting.name) + ", volume " + volume.name + ", " + printable(volume.path) +
                                   ": " + why};
            server.volumes.push_back({volume.name, volume.path});
        }
        servers.push_back(std::move(server));
    }
    return servers;
}

} // namespace

std::vector<Server> thisMachine(std::vector<Volume> volumes) {
    std::vector<Server> servers;
    servers.push_back({serverName(), std::nullopt, std::move(volumes)});
    return servers;
}

nw::Opened<std::vector<Server>> serversFrom(const Settings& settings) {
    if (!settings.serversFile.empty())
        return fromFile(settings);
    std::vector<Volume> volumes;
    if (!settings.volumesSet)
        return thisMachine(volumesFromMountTable("/proc/self/mounts"));
    if (std::string error = checkVolumes(settings.volumes, volumes); !error.empty())
        return nw::Refusal{error};
    return thisMachine(std::move(volumes));
}

} // namespace nwldap
