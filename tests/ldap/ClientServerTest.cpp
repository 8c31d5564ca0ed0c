#include "MemoryDirectory.h"

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct ClientServer : testing::Test {
    ClientServer() {
        folder = fs::temp_directory_path() / ("vorlane-volume-" + std::to_string(getpid()));
        fs::create_directories(folder / "a");
        client = std::make_unique<nwldap::LdapClient>(
            std::make_unique<testing_support::MemoryDirectory>(testing_support::twoNamingContexts()),
            std::vector<nwldap::Volume>{{"SYS", folder.string()}, {"GONE", (folder / "gone").string()}}, "FS1", "");
        client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &defConn);
    }
    ~ClientServer() override { fs::remove_all(folder); }

    nw::nint32 inUse(nw::NWCONN_HANDLE conn, nw::nuint8 volume) {
        nw::nint32 restriction = 0;
        nw::nint32 used = -1;
        EXPECT_EQ(client->NWGetObjDiskRestrictions(conn, volume, getuid(), &restriction, &used), nw::kSuccess);
        EXPECT_EQ(restriction, nwldap::kNoRestriction);
        return used;
    }

    fs::path folder;
    std::unique_ptr<nwldap::LdapClient> client;
    nw::NWCONN_HANDLE defConn = 0;
};

TEST_F(ClientServer, OneServerByItsHostNameWithTheVolumesInOrder) {
    std::array<nw::nuint8, nw::kKnownServersRecordSize> record{};
    record.fill(0xFF);
    ASSERT_EQ(client->NWGetKnownServersInfo(defConn, 0, nw::kKnownServersConstant, record.data()), nw::kSuccess);
    EXPECT_EQ(std::vector<int>(&record[nw::kKnownServersCountOffset], &record[nw::kKnownServersAreaOffset]),
              (std::vector<int>{1, 0, 0, 0}));
    EXPECT_STREQ(reinterpret_cast<const char*>(&record[nw::kKnownServersAreaOffset + nw::kKnownServersSkipBytes]),
                 "FS1");
    EXPECT_EQ(client->NWGetKnownServersInfo(defConn, 1, nw::kKnownServersConstant, record.data()), nw::kNoMoreServers);

    nw::NWCONN_HANDLE conn = 0;
    EXPECT_EQ(client->NWCCOpenConnByName(defConn, "fs1", nw::kNameFormatBindery, 1, nw::kTransportAny, &conn),
              nw::kSuccess);
    EXPECT_EQ(client->NWCCOpenConnByName(defConn, "FS2", nw::kNameFormatBindery, 1, nw::kTransportAny, &conn),
              nwldap::kErrServerUnknown);
    char name[nw::kVolumeNameBufferSize];
    const std::pair<nw::nuint16, const char*> volumes[] = {{0, "SYS"}, {1, "GONE"}, {2, ""}};
    for (const auto& [number, expected] : volumes) {
        ASSERT_EQ(client->NWGetVolumeName(conn, number, name), nw::kSuccess);
        EXPECT_STREQ(name, expected);
    }
    EXPECT_EQ(client->NWGetVolumeName(conn, nw::kMaxVolumes, name), nwldap::kErrInvalidParameter);
    client->NWCCCloseConn(conn);
    EXPECT_EQ(client->NWGetVolumeName(conn, 0, name), nwldap::kErrInvalidConnection);
}

TEST_F(ClientServer, AVolumeIsScannedOncePerConnection) {
    nw::NWCONN_HANDLE first = 0;
    client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &first);
    const nw::nint32 before = inUse(first, 0);
    std::ofstream(folder / "a" / "more") << std::string(64 * 1024, 'x') << std::flush;
    EXPECT_EQ(inUse(first, 0), before);
    nw::NWCONN_HANDLE second = 0;
    client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &second);
    EXPECT_EQ(inUse(second, 0), before + 16);
    nw::nint32 restriction = 0;
    nw::nint32 used = 0;
    EXPECT_EQ(client->NWGetObjDiskRestrictions(second, 2, getuid(), &restriction, &used), nwldap::kErrNoSuchVolume);
    EXPECT_EQ(client->NWGetObjDiskRestrictions(second, 0, nwldap::kNoOwner, &restriction, &used), nw::kSuccess);
    EXPECT_EQ(used, 0);
}

TEST_F(ClientServer, WhatCouldNotBeReadIsReportedWhenTheConnectionCloses) {
    nw::NWCONN_HANDLE conn = 0;
    client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &conn);
    EXPECT_EQ(inUse(conn, 1), 0);
    testing::internal::CaptureStderr();
    client->NWCCCloseConn(conn);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("volume GONE (" + (folder / "gone").string() + "): 1 directory could not be read"),
              std::string::npos)
        << said;
    EXPECT_EQ(client->openConnectionCount(), 1u);
}

} // namespace
