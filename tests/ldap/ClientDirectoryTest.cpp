// The directory client's own answers: names over any attributes and the
// naming contexts, failures of the directory, and the usage figures kept for
// the program's run. (What both clients share, the contract suite asserts.)

#include "netware/ldap/LdapClient.h"
#include "support/ClientSession.h"
#include "support/MemoryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

using testing_support::MemoryDirectory;
using Names = std::vector<std::string>;

constexpr nw::nuint32 kNone = nwldap::kNoOwner;

struct Client : testing::Test {
    Client() : folder(fs::temp_directory_path() / ("vorlane-volume-" + std::to_string(getpid()))) {
        fs::create_directories(folder / "a");
        auto source = std::make_unique<MemoryDirectory>();
        directory = source.get();
        directory->contexts = {{"o=ACME", {{"o", "ACME"}}},
                               {"dc=example,dc=com", {{"dc", "example"}, {"dc", "com"}}},
                               {"dc=com", {{"dc", "com"}}}};
        auto& children = directory->children;
        children["o=ACME"] = {{"ou", "SALES", true}};
        children["ou=SALES,o=ACME"] = {
            {"ou", "EAST", true}, {"cn", "smith", false, 60001}, {"uid", "SMITH", false, 60002}};
        children["ou=EAST,ou=SALES,o=ACME"] = {{"cn", "Dvo\xC5\x99\xC3\xA1k", false, 70000}}; // not all 8-bit
        children["ou=People,dc=example,dc=com"] = {{"uid", "smith", false, 70010}};
        children["dc=example,dc=com"] = {{"ou", "People", true}};
        children["dc=com"] = {{"dc", "example", true, 5}}; // a naming context, listed below another
        client = std::make_unique<nwldap::LdapClient>(
            std::move(source),
            std::vector<nwldap::Volume>{{"SYS", folder.string()}, {"GONE", (folder / "gone").string()}}, "FS1", "");
        client->NWCCOpenConnByRef(nw::ClientKit::referenceOf(0), nw::kOpenStatePrivate, 0, &conn);
    }
    ~Client() override { fs::remove_all(folder); }

    // The 4-KB blocks the test's own uid uses on a volume, or the code.
    std::int64_t inUse(nw::nuint8 volume) {
        nw::nint32 restriction = 0;
        nw::nint32 used = -1;
        const nw::NWRCODE rc = client->NWGetObjDiskRestrictions(conn, volume, getuid(), &restriction, &used);
        return rc == nw::kSuccess ? used : rc;
    }

    fs::path folder;
    MemoryDirectory* directory = nullptr;
    std::unique_ptr<nwldap::LdapClient> client;
    nw::NWCONN_HANDLE conn = 0;
};

TEST_F(Client, NamesMapToEntriesComponentByComponentWhateverTheirAttributes) {
    testing_support::ClientSession s(*client);
    const std::tuple<const char*, const char*, std::int64_t> cases[] = {
        {"SALES.ACME", "Dvo?\xE1k.EAST", 70000}, // a character the 8-bit set cannot hold is a '?'
        {"SALES.ACME", "UID=smith", 60002},      // of two siblings of one name, the one of that attribute
        {"[Root]", "com", kNone},
        {"[Root]", "example.com", 5}, // what the directory lists below a naming context, not what the client made
        {"[Root]", "SMITH.people.EXAMPLE.Com", 70010},
        {"[Root]", "UID=smith.OU=People.DC=example.dc=com", 70010},
        {"[Root]", "DVO?\xC1K.EAST.SALES.ACME", 70000}};
    for (const auto& [base, name, expected] : cases) {
        ASSERT_EQ(s.setContext(base), nw::kSuccess);
        const auto resolved = s.resolve(name);
        EXPECT_EQ(resolved.rc == nw::kSuccess ? std::int64_t{resolved.id} : resolved.rc, expected)
            << base << " " << name;
    }
    ASSERT_EQ(s.setContext("[Root]", false), nw::kSuccess);
    EXPECT_EQ(s.list("", true).names, (Names{"O=ACME", "DC=com"}));
    EXPECT_EQ(s.list("DC=com", true).names, Names{"DC=example"});
    ASSERT_EQ(s.setContext("SALES.ACME", false), nw::kSuccess);
    EXPECT_EQ(s.list("").names, (Names{"OU=EAST", "CN=smith", "UID=SMITH"})); // typed, the siblings differ
    char text[nw::kNameBufferSize]; // the default context: the first naming context
    ASSERT_EQ(client->NWGetDefaultNameContext(5, text), nw::kSuccess);
    EXPECT_STREQ(text, "ACME");
}

// A directory that cannot be read gives its code, never an empty listing,
// and the iteration is left as it was.
TEST_F(Client, ADirectoryThatCannotBeReadGivesItsCode) {
    directory->failures["ou=EAST,ou=SALES,o=ACME"] = LDAP_SERVER_DOWN;
    testing_support::ClientSession s(*client);
    ASSERT_EQ(s.setContext("SALES.ACME"), nw::kSuccess);
    nw::nint32 iteration = -1;
    EXPECT_EQ(client->NWDSList(s.context, "EAST", &iteration, s.buffer), nw::kErrUnreachableServer);
    EXPECT_EQ(iteration, -1);
    EXPECT_EQ(s.resolve("X.EAST").rc, nw::kErrUnreachableServer);
}

// Asks for fresh figures, or not, while it watches.
struct Watching final : nw::CallWatcher {
    explicit Watching(bool fresh) : fresh_(fresh) {}
    bool cancelled() const override { return false; }
    void doing(const std::string&) override {}
    bool freshFigures() const override { return fresh_; }
    bool fresh_;
};

// A volume is scanned at its first disk query and its totals kept for the
// run, through any connection; a watcher that asks for fresh figures has
// each volume scanned afresh once. What a scan could not read is reported
// once a scan.
TEST_F(Client, FiguresAreKeptForTheRunAndScannedAfreshOncePerRecalc) {
    testing::internal::CaptureStderr();
    const std::int64_t before = inUse(0);
    EXPECT_EQ(inUse(1), 0);
    std::ofstream(folder / "a" / "more") << std::string(64 * 1024, 'x') << std::flush;
    nw::NWCONN_HANDLE other = 0;
    client->NWCCOpenConnByRef(nw::ClientKit::referenceOf(0), nw::kOpenStatePrivate, 0, &other);
    std::swap(conn, other);
    EXPECT_EQ(inUse(0), before); // another connection, the same run
    Watching listing(false), recalc(true);
    client->watchCalls(&listing);
    EXPECT_EQ(inUse(0), before);
    client->watchCalls(&recalc);
    EXPECT_EQ(inUse(0), before + 16);
    std::ofstream(folder / "a" / "again") << std::string(64 * 1024, 'x') << std::flush;
    EXPECT_EQ(inUse(0), before + 16); // once per recalc
    EXPECT_EQ(inUse(1), 0);
    client->watchCalls(nullptr);
    client->watchCalls(&recalc); // the next recalc
    EXPECT_EQ(inUse(0), before + 32);
    EXPECT_EQ(inUse(2), nw::kErrNoSuchVolume);
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string report = "volume GONE of FS1 (" + (folder / "gone").string() + "): 1 directory could not be read";
    const auto first = said.find(report);
    ASSERT_NE(first, std::string::npos) << said;
    EXPECT_NE(said.find(report, first + 1), std::string::npos) << said; // scanned twice, reported twice
    EXPECT_EQ(said.find(report, said.find(report, first + 1) + 1), std::string::npos) << said;
}

} // namespace
