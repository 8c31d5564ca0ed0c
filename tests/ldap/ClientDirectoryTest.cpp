#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"
#include "support/MemoryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ldap.h>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using testing_support::MemoryDirectory;

constexpr nw::nuint32 kNone = nwldap::kNoOwner;

struct Client : testing::Test {
    Client() : folder(fs::temp_directory_path() / ("vorlane-volume-" + std::to_string(getpid()))) {
        fs::create_directories(folder / "a");
        auto source = std::make_unique<MemoryDirectory>();
        directory = source.get();
        directory->contexts = {{"o=ACME", {{"o", "ACME"}}}, {"dc=example,dc=com", {{"dc", "example"}, {"dc", "com"}}}};
        auto& children = directory->children;
        children["o=ACME"] = {{"ou", "SALES", true}};
        for (int i = 1; i <= 300; ++i)
            children["ou=SALES,o=ACME"].push_back({"cn", "USER" + std::to_string(1000 + i), false, 60000u + i});
        children["ou=SALES,o=ACME"].push_back({"ou", "EAST", true});
        children["ou=SALES,o=ACME"].push_back({"cn", "J.DOE", false});
        children["ou=EAST,ou=SALES,o=ACME"] = {{"cn", "Dvo\xC5\x99\xC3\xA1k", false, 70000}}; // not all 8-bit
        children["dc=example,dc=com"] = {{"ou", "People", true}};
        children["ou=People,dc=example,dc=com"] = {{"uid", "smith", false, 70010}};
        client = std::make_unique<nwldap::LdapClient>(
            std::move(source),
            std::vector<nwldap::Volume>{{"SYS", folder.string()}, {"GONE", (folder / "gone").string()}}, "FS1", "");
        client->NWDSCreateContextHandle(&context);
        client->NWDSSetContext(context, nw::kContextKeyNameContext, "SALES.ACME");
        client->NWDSAllocBuf(nw::kResultBufferSize, &buffer);
        setFlags(nwldap::kDefaultContextFlags | nw::kContextFlagTypelessNames);
        client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &conn);
    }
    ~Client() override { fs::remove_all(folder); }

    void setFlags(nw::nuint32 flags) { client->NWDSSetContext(context, nw::kContextKeyFlags, &flags); }

    // Every name of a listing; `chunks` counts the chunks it took.
    std::vector<std::string> list(const char* container, bool containersOnly = false) {
        std::vector<std::string> names;
        nw::nint32 iteration = -1;
        chunks = 0;
        do {
            const nw::NWRCODE rc = containersOnly ? client->NWDSListContainers(context, container, &iteration, buffer)
                                                  : client->NWDSList(context, container, &iteration, buffer);
            EXPECT_EQ(rc, nw::kSuccess) << container;
            ++chunks;
            nw::nuint32 count = 0;
            client->NWDSGetObjectCount(context, buffer, &count);
            char name[nw::kNameBufferSize];
            for (nw::nuint32 i = 0; i < count; ++i) {
                EXPECT_EQ(client->NWDSGetObjectName(context, buffer, name, nullptr, nullptr), nw::kSuccess);
                names.emplace_back(name);
            }
            EXPECT_EQ(client->NWDSGetObjectName(context, buffer, name, nullptr, nullptr), nwldap::kErrBufferEmpty);
        } while (iteration != -1 && chunks < 10);
        return names;
    }

    // The object ID a name resolves to, or the code.
    std::int64_t resolve(const char* name) {
        nw::NWCONN_HANDLE resolved = 0;
        nw::nuint32 id = 0;
        const nw::NWRCODE rc = client->NWDSResolveName(context, name, &resolved, &id);
        EXPECT_EQ(client->NWCCCloseConn(resolved), rc == nw::kSuccess ? nw::kSuccess : nwldap::kErrInvalidConnection);
        return rc == nw::kSuccess ? static_cast<std::int64_t>(id) : rc;
    }

    // The 4-KB blocks `id` uses on a volume, or the code.
    std::int64_t inUse(nw::NWCONN_HANDLE on, nw::nuint8 volume, nw::nuint32 id = getuid()) {
        nw::nint32 restriction = 0;
        nw::nint32 used = -1;
        const nw::NWRCODE rc = client->NWGetObjDiskRestrictions(on, volume, id, &restriction, &used);
        EXPECT_EQ(restriction, rc == nw::kSuccess ? nwldap::kNoRestriction : 0);
        return rc == nw::kSuccess ? used : rc;
    }

    fs::path folder;
    MemoryDirectory* directory = nullptr;
    std::unique_ptr<nwldap::LdapClient> client;
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
    nw::NWCONN_HANDLE conn = 0;
    int chunks = 0;
};

TEST_F(Client, ABigContainerComesInSeveralChunksWholeAndInOrder) {
    const std::vector<std::string> names = list("");
    ASSERT_EQ(names.size(), 302u);
    EXPECT_EQ(names[0] + " " + names[299] + " " + names[300] + " " + names[301], "USER1001 USER1300 EAST J\\.DOE");
    EXPECT_EQ(chunks, 2); // 4096 bytes: a 4-byte count and at most 177 records of 23 bytes
    EXPECT_EQ(list("", true), std::vector<std::string>{"EAST"});
    EXPECT_EQ(resolve("USER1007"), 60007);
    setFlags(nwldap::kDefaultContextFlags);
    EXPECT_EQ(list("OU=EAST"), std::vector<std::string>{"CN=Dvo?\xE1k"});
    EXPECT_EQ(list("[Root]", true), (std::vector<std::string>{"O=ACME", "DC=com"}));
}

TEST_F(Client, NamesMapToEntriesComponentByComponentWhateverTheirAttributes) {
    const std::tuple<const char*, const char*, std::int64_t> cases[] = {
        {"SALES.ACME", "Dvo?\xE1k.EAST", 70000},
        {"[Root]", "ACME", kNone},
        {"[Root]", "com", kNone}, // above a naming context: known only to the client
        {"[Root]", "SMITH.people.EXAMPLE.Com", 70010},
        {"[Root]", "UID=smith.OU=People.DC=example.dc=com", 70010},
        {"[Root]", "CN=smith.OU=People.DC=example.DC=com", nw::kNoSuchEntry},
        {"[Root]", "DVO?\xC1K.EAST.SALES.ACME", 70000},
        {"NOPE.ACME", "J\\.DOE", nw::kNoSuchEntry}};
    for (const auto& [base, name, expected] : cases) {
        ASSERT_EQ(client->NWDSSetContext(context, nw::kContextKeyNameContext, base), nw::kSuccess);
        EXPECT_EQ(resolve(name), expected) << base << " " << name;
    }
    char text[nw::kNameBufferSize]; // the default context: the first naming context, if it fits
    ASSERT_EQ(client->NWGetDefaultNameContext(5, text), nw::kSuccess);
    EXPECT_STREQ(text, "ACME");
    EXPECT_EQ(client->NWGetDefaultNameContext(4, text), nwldap::kErrInsufficientBuffer);
}

// A failure is reported with its code, never as an empty listing, and the
// iteration is left as it was.
TEST_F(Client, FailuresGiveTheirCodesAndLeaveTheIterationAlone) {
    directory->failures["ou=EAST,ou=SALES,o=ACME"] = LDAP_SERVER_DOWN;
    const std::tuple<const char*, nw::nint32, nw::NWRCODE> cases[] = {{"NOPE", -1, nw::kNoSuchEntry},
                                                                      {"A..B", -1, nw::kInvalidDsName},
                                                                      {"EAST", -1, nwldap::kErrUnreachableServer},
                                                                      {"", 77, nwldap::kErrInvalidIteration}};
    for (auto [name, iteration, code] : cases) {
        EXPECT_EQ(client->NWDSList(context, name, &iteration, buffer), code) << name;
        EXPECT_EQ(iteration, code == nwldap::kErrInvalidIteration ? 77 : -1) << name;
    }
}

TEST_F(Client, OneServerByItsHostNameWithTheVolumesInOrder) {
    nw::NWCONN_REF refs[2] = {}; // the default one and the connection's; both calls succeed
    ASSERT_EQ(client->NWGetDefaultConnRef(&refs[0]) + client->NWCCGetConnRef(conn, &refs[1]), nw::kSuccess);
    EXPECT_EQ(std::vector(refs, refs + 2), std::vector(2, nwldap::kServerRef));
    std::vector<nw::nuint8> record(nw::kKnownServersRecordSize, 0xFF);
    ASSERT_EQ(client->NWGetKnownServersInfo(conn, 0, nw::kKnownServersConstant, record.data()), nw::kSuccess);
    EXPECT_EQ(std::vector<int>(&record[nw::kKnownServersCountOffset], &record[nw::kKnownServersAreaOffset]),
              (std::vector<int>{1, 0, 0, 0}));
    EXPECT_STREQ(reinterpret_cast<const char*>(&record[nw::kKnownServersAreaOffset + nw::kKnownServersSkipBytes]),
                 "FS1");
    EXPECT_EQ(client->NWGetKnownServersInfo(conn, 1, nw::kKnownServersConstant, record.data()), nw::kNoMoreServers);

    nw::NWCONN_HANDLE byName = 0;
    EXPECT_EQ(client->NWCCOpenConnByName(conn, "FS2", nw::kNameFormatBindery, 1, nw::kTransportAny, &byName),
              nwldap::kErrServerUnknown);
    ASSERT_EQ(client->NWCCOpenConnByName(conn, "fs1", nw::kNameFormatBindery, 1, nw::kTransportAny, &byName),
              nw::kSuccess);
    char name[nw::kVolumeNameBufferSize];
    for (const auto& [number, expected] : {std::pair<nw::nuint16, const char*>{0, "SYS"}, {1, "GONE"}, {2, ""}}) {
        ASSERT_EQ(client->NWGetVolumeName(byName, number, name), nw::kSuccess);
        EXPECT_STREQ(name, expected);
    }
    client->NWCCCloseConn(byName);
    EXPECT_EQ(client->NWGetVolumeName(byName, 0, name), nwldap::kErrInvalidConnection);
}

TEST_F(Client, AVolumeIsScannedOncePerConnectionAndWhatItCouldNotReadIsReportedAtItsClose) {
    const std::int64_t before = inUse(conn, 0);
    std::ofstream(folder / "a" / "more") << std::string(64 * 1024, 'x') << std::flush;
    EXPECT_EQ(inUse(conn, 0), before);
    EXPECT_EQ(inUse(conn, 1), 0);
    nw::NWCONN_HANDLE second = 0;
    client->NWCCOpenConnByRef(nwldap::kServerRef, nw::kOpenStatePrivate, 0, &second);
    EXPECT_EQ(inUse(second, 0), before + 16);
    EXPECT_EQ(inUse(second, 2), nwldap::kErrNoSuchVolume);
    EXPECT_EQ(inUse(second, 0, kNone), 0);

    testing::internal::CaptureStderr();
    client->NWCCCloseConn(conn);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("volume GONE (" + (folder / "gone").string() + "): 1 directory could not be read"),
              std::string::npos)
        << said;
    EXPECT_EQ(client->openConnectionCount(), 1u);
}

} // namespace
