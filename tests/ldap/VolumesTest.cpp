#include "netware/ldap/Volumes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

TEST(Volumes, NamesFromMountPoints) {
    const std::vector<nwldap::Volume> taken{{"SRV_DATA", "/x"}, {"abcdefghijklmnop", "/y"}, {"ABCDEFGHIJKLMN~2", "/z"}};
    const std::pair<const char*, const char*> cases[] = {{"/", "ROOT"},
                                                         {"/home", "HOME"},
                                                         {"/mnt/a b/c", "MNT_A_B_C"},
                                                         {"/srv/data", "SRV_DATA~2"},
                                                         {"/abcdefghijklmnopqrstuvwxyz", "ABCDEFGHIJKLMN~3"}};
    for (const auto& [mountPoint, name] : cases)
        EXPECT_EQ(nwldap::volumeNameFor(mountPoint, taken), name) << mountPoint;
    EXPECT_EQ(nwldap::serverNameFrom("fs1.example.com"), "FS1");
}

TEST(Volumes, LocalFileSystemsOfTheMountTableEachOnce) {
    const std::string table = testing::TempDir() + "mounts-" + std::to_string(getpid());
    const std::string root = std::filesystem::canonical("/").string();
    std::ofstream(table) << "/dev/vda / ext4 rw 0 0\n"
                            "proc /proc proc rw 0 0\n"
                            "tmpfs /dev/shm tmpfs rw 0 0\n"
                            "/dev/vda /. ext4 rw 0 0\n"
                            "/dev/vdb /no/such/place xfs rw 0 0\n"
                            "/dev/vdc /dev btrfs rw 0 0\n";
    const std::vector<nwldap::Volume> volumes = nwldap::volumesFromMountTable(table.c_str());
    std::remove(table.c_str());
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].name + "=" + volumes[0].path, "ROOT=/");
    EXPECT_EQ(volumes[1].name + "=" + volumes[1].path, "DEV=/dev");
}

TEST(Volumes, ASettingMustNameDirectories) {
    std::vector<nwldap::Volume> volumes;
    EXPECT_EQ(nwldap::checkVolumes({{"SYS", "/"}, {"TMP", "/tmp"}}, volumes), "");
    EXPECT_EQ(volumes.size(), 2u);
    EXPECT_EQ(nwldap::checkVolumes({{"X", "/no/such/place"}}, volumes),
              "VORLANE_VOLUMES: volume X, /no/such/place: No such file or directory");
    EXPECT_EQ(nwldap::checkVolumes({{"X", "/etc/hostname"}}, volumes),
              "VORLANE_VOLUMES: volume X, /etc/hostname: not a directory");
    EXPECT_EQ(volumes.size(), 2u);
}

} // namespace
