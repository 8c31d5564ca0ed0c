// What the client learns from the workstation: its settings, its volumes and
// the usage on them.

#include "netware/ldap/Servers.h"
#include "netware/ldap/Settings.h"
#include "netware/ldap/UsageScan.h"
#include "netware/ldap/Volumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <unistd.h>

namespace {

using Vars = std::map<std::string, std::string>;

// What was read as "kind:bind DN:password file page size/time limit/most
// entries context volumes...",
// or the error. Unless given, the URI is ldaps://dir.
std::string read(Vars vars) {
    vars.emplace(nwldap::kUriVar, "ldaps://dir");
    const auto env = [&vars](const char* name) { return vars.count(name) == 0 ? nullptr : vars[name].c_str(); };
    const auto settings = nwldap::readSettings(env);
    if (!settings)
        return settings.error();
    const nwldap::Settings& s = *settings;
    const char* kinds[] = {"anonymous", "simple", "external"};
    std::string out = std::string(kinds[static_cast<int>(s.bind)]) + ":" + s.bindDn + ":" + s.passwordFile + " " +
                      std::to_string(s.pageSize) + "/" + std::to_string(s.timeoutSeconds) + "/" +
                      std::to_string(s.maxEntries) + " " + s.context;
    for (const auto& volume : s.volumes)
        out += " " + volume.name + "=" + volume.path;
    return s.volumesSet == s.volumes.empty() ? "volumes set but none read" : out;
}

TEST(Settings, WhatIsReadAndWhatCannotWorkIsRefusedNamingTheSetting) {
    using namespace nwldap;
    const std::pair<Vars, std::string> cases[] = {
        {{{kUriVar, "ldap://dir"}}, "anonymous:: 500/60/1000000 "},
        {{{kUriVar, "ldap://dir"}, {kPageSizeVar, "100000"}}, "anonymous:: 100000/60/1000000 "},
        {{{kUriVar, "LDAPI://%2Frun"}}, "external:: 500/60/1000000 "},
        {{{kUriVar, "ldapi://"}, {kBindDnVar, "cn=a"}, {kPasswordFileVar, "/p"}}, "simple:cn=a:/p 500/60/1000000 "},
        {{{kPageSizeVar, "1"},
          {kTimeoutVar, "3600"},
          {kMaxEntriesVar, "7"},
          {kContextVar, "X"},
          {kVolumesVar, " A = /a b ,B=/"}},
         "anonymous:: 1/3600/7 X A=/a b B=/"},
        {{{kUriVar, "http://dir"}}, "VORLANE_LDAP_URI: \"http://dir\" is no ldap://, ldaps:// or ldapi:// URI"},
        {{{kUriVar, "ldap://a ldap://b"}}, "VORLANE_LDAP_URI: \"ldap://a ldap://b\" is more than one URI"},
        {{{kBindDnVar, "cn=a"}},
         "VORLANE_LDAP_BIND_DN is set but VORLANE_LDAP_PASSWORD_FILE is not: the "
         "password of a bind is read from a file only"},
        {{{kPasswordFileVar, "/p"}}, "VORLANE_LDAP_PASSWORD_FILE is set but VORLANE_LDAP_BIND_DN is not"},
        {{{kPageSizeVar, "100001"}}, "VORLANE_LDAP_PAGE_SIZE: \"100001\" is not a number from 1 to 100000"},
        {{{kTimeoutVar, "0"}}, "VORLANE_LDAP_TIMEOUT: \"0\" is not a number from 1 to 3600"},
        {{{kMaxEntriesVar, "1e6"}}, "VORLANE_LDAP_MAX_ENTRIES: \"1e6\" is not a number from 1 to 100000000"},
        {{{kContextVar, "SALES..ACME"}}, "VORLANE_LDAP_CONTEXT: \"SALES..ACME\" is no valid dotted name"},
        {{{kVolumesVar, "SYS"}}, "VORLANE_VOLUMES: \"SYS\" is not NAME=/path"},
    };
    for (const auto& [vars, expected] : cases)
        EXPECT_EQ(read(vars), expected);
}

// (That a refused list leaves the volumes as they were is the fuzz target's.)
TEST(VolumesSetting, BadListsAreRefused) {
    std::string many = "$ABCDEFGHIJKL.-_=/"; // every kind of character a name may hold
    for (int i = 2; i <= 64; ++i)
        many += ",V" + std::to_string(i) + "=/";
    std::vector<nwldap::VolumeSetting> volumes;
    for (const char* text : {"", "=/x", "A=/,", "ABCDEFGHIJKLMNOPQ=/x", "A B=/x", "S=rel", "SYS=/a,sys=/b"})
        EXPECT_NE(nwldap::parseVolumes(text, volumes), "") << text;
    EXPECT_EQ(nwldap::parseVolumes(many + ",X=/", volumes), "VORLANE_VOLUMES: more than 64 volumes");
    EXPECT_EQ(nwldap::parseVolumes(many, volumes), "");
    EXPECT_EQ(volumes.size(), 64u);
}

TEST(Volumes, NamesFromMountPoints) {
    const std::vector<nwldap::Volume> taken{{"SRV_DATA", "/x"}, {"abcdefghijklmnop", "/y"}, {"ABCDEFGHIJKLMN~2", "/z"}};
    std::string names;
    for (const char* mountPoint : {"/", "/home", "/mnt/a b/c", "/srv/data", "/abcdefghijklmnopqrstuvwxyz"})
        names += nwldap::volumeNameFor(mountPoint, taken) + " ";
    EXPECT_EQ(names, "ROOT HOME MNT_A_B_C SRV_DATA~2 ABCDEFGHIJKLMN~3 ");
    EXPECT_EQ(nwldap::serverNameFrom("fs1.example.com"), "FS1");
}

TEST(Volumes, LocalFileSystemsOfTheMountTableEachOnce) {
    const std::string table = testing::TempDir() + "mounts-" + std::to_string(getpid());
    // Memory, the same file system again, a mount point that is gone, and two to keep.
    std::ofstream(table) << "/dev/vda / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /dev/shm tmpfs rw 0 0\n"
                            "/dev/vda /. ext4 rw 0 0\n/dev/vdb /no/such/place xfs rw 0 0\n/dev/vdc /dev btrfs rw 0 0\n";
    const std::vector<nwldap::Volume> volumes = nwldap::volumesFromMountTable(table.c_str());
    std::remove(table.c_str());
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].name + "=" + volumes[0].path, "ROOT=/");
    EXPECT_EQ(volumes[1].name + "=" + volumes[1].path, "DEV=/dev");
}

// This machine with the volumes set, or the servers of the servers file; a
// local volume must be a directory, a remote one is its server's to judge.
TEST(Servers, FromTheSettingsEachLocalVolumeADirectory) {
    const auto servers = [](const nwldap::Settings& settings) {
        const auto read = nwldap::serversFrom(settings);
        if (!read)
            return read.error();
        std::string out = read->size() == 1 ? read->front().name : "not one server";
        for (const auto& volume : read->front().volumes)
            out += " " + volume.name + "=" + volume.path;
        return out;
    };
    nwldap::Settings s;
    s.volumesSet = true;
    const std::pair<std::vector<nwldap::VolumeSetting>, std::string> cases[] = {
        {{{"SYS", "/"}, {"TMP", "/tmp"}}, nwldap::serverName() + " SYS=/ TMP=/tmp"},
        {{{"X", "/no/such/place"}}, "VORLANE_VOLUMES: volume X, /no/such/place: No such file or directory"},
        {{{"X", "/etc/hostname"}}, "VORLANE_VOLUMES: volume X, /etc/hostname: not a directory"}};
    for (const auto& [volumes, expected] : cases) {
        s.volumes = volumes;
        EXPECT_EQ(servers(s), expected);
    }
    s.serversFile = testing::TempDir() + "servers-" + std::to_string(getpid());
    std::ofstream(s.serversFile)
        << R"({"servers": [{"name": "FS2", "ssh": "h", "volumes": [{"name": "A", "path": "/no"}]},
        {"name": "FS1", "volumes": [{"name": "SYS", "path": "/"}, {"name": "B", "path": "/etc/hostname"}]}]})";
    EXPECT_EQ(servers(s),
              "VORLANE_SERVERS: " + s.serversFile + ": server FS1, volume B, /etc/hostname: not a directory");
    std::remove(s.serversFile.c_str());
}

// Rounding up is held to du in the scanner's tests; the cap keeps a huge figure from turning negative.
TEST(InUse, FourKilobyteBlocksRoundedUpAndCapped) {
    EXPECT_EQ(nwldap::inUseBlocks(9), 2);
    EXPECT_EQ(nwldap::inUseBlocks(8ull * 0x80000000), 0x7FFFFFFF);
}

} // namespace
