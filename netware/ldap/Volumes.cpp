#include "netware/ldap/Volumes.h"

#include "netware/Client.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <mntent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace nwldap {
namespace {

std::string capitals(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return out;
}

bool taken(const std::string& name, const std::vector<Volume>& volumes) {
    return std::any_of(volumes.begin(), volumes.end(),
                       [&name](const Volume& volume) { return capitals(volume.name) == capitals(name); });
}

} // namespace

std::string serverNameFrom(std::string_view hostName) {
    return capitals(hostName.substr(0, hostName.find('.')));
}

std::string serverName() {
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) != 0 || host[0] == '\0')
        return "LOCALHOST";
    return serverNameFrom(host.data());
}

std::string checkVolumes(const std::vector<VolumeSetting>& settings, std::vector<Volume>& out) {
    std::vector<Volume> volumes;
    for (const VolumeSetting& setting : settings) {
        struct stat status {};
        if (stat(setting.path.c_str(), &status) != 0)
            return std::string(kVolumesVar) + ": volume " + setting.name + ", " + setting.path + ": " +
                   std::strerror(errno);
        if (!S_ISDIR(status.st_mode))
            return std::string(kVolumesVar) + ": volume " + setting.name + ", " + setting.path + ": not a directory";
        volumes.push_back({setting.name, setting.path});
    }
    out = std::move(volumes);
    return {};
}

bool holdsFiles(std::string_view type) {
    static constexpr std::array<std::string_view, 14> kTypes = {"ext2",     "ext3", "ext4",    "xfs",      "btrfs",
                                                                "zfs",      "f2fs", "jfs",     "reiserfs", "nilfs2",
                                                                "bcachefs", "ufs",  "hfsplus", "exfat"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

std::string volumeNameFor(std::string_view mountPoint, const std::vector<Volume>& volumes) {
    const auto first = mountPoint.find_first_not_of('/');
    const std::string_view rest = first == std::string_view::npos ? std::string_view() : mountPoint.substr(first);
    std::string name;
    for (const char c : rest) {
        const bool keep = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '$' || c == '.';
        name += keep ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : '_';
    }
    if (name.empty())
        name = "ROOT";
    name.resize(std::min(name.size(), nw::kMaxVolumeNameChars));
    const std::string base = name;
    for (int n = 2; taken(name, volumes); ++n) {
        const std::string ending = std::string("~").append(std::to_string(n));
        name = base.substr(0, std::min(base.size(), nw::kMaxVolumeNameChars - ending.size())) + ending;
    }
    return name;
}

std::vector<Volume> volumesFromMountTable(const char* table) {
    std::vector<Volume> volumes;
    std::vector<dev_t> devices;
    FILE* mounts = setmntent(table, "r");
    if (mounts == nullptr)
        return volumes;
    while (const mntent* mount = getmntent(mounts)) {
        if (volumes.size() == nw::kMaxVolumes)
            break;
        struct stat status {};
        if (!holdsFiles(mount->mnt_type) || stat(mount->mnt_dir, &status) != 0)
            continue;
        if (std::find(devices.begin(), devices.end(), status.st_dev) != devices.end())
            continue;
        devices.push_back(status.st_dev);
        volumes.push_back({volumeNameFor(mount->mnt_dir, volumes), mount->mnt_dir});
    }
    endmntent(mounts);
    return volumes;
}

} // namespace nwldap
