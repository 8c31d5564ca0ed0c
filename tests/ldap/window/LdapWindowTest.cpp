// The real window over the directory client, the test slapd and volumes in
// a temporary folder.

#include "ldap/support/LocalSlapd.h"
#include "support/WindowHarness.h"

#include "netware/ClientFactory.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/UsageScan.h"
#include "netware/ldap/Volumes.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct LdapWindow : testing::Test {
    ~LdapWindow() override { fs::remove_all(top); }

    // Gives `owner` a folder of `bytes` on a volume, counted for `shown` as the
    // scan counts it (the unit tests hold the scan to du).
    void give(const char* volume, const char* shown, unsigned owner, std::size_t bytes) {
        const fs::path home = top / volume / std::to_string(owner);
        fs::create_directories(home);
        std::ofstream(home / "file") << std::string(bytes, 'x');
        EXPECT_EQ(chown(home.c_str(), owner, owner) + chown((home / "file").c_str(), owner, owner), 0);
        kilobytes[shown] += 4 * nwldap::inUseBlocks(nwldap::scanVolume(home.string()).blocksByOwner[owner]);
    }
    fs::path top = fs::temp_directory_path() / ("vorlane-volumes-" + std::to_string(getpid()));
    std::map<std::string, int> kilobytes; // on all volumes
};

// The wiring: settings, the real directory, the volumes summed per owner.
// What each layer does alone is asserted below it.
TEST_F(LdapWindow, ARecursiveListingShowsEachOwnerOnAllVolumes) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving files to the directory's users needs root";
    give("DATA", "JSMITH", 60002, 70000);
    give("HOME", "JSMITH", 60002, 5000);
    give("DATA", "AMILLER.BOSTON.EAST", 60008, 50000);
    // Opened as the program opens it, from its settings.
    setenv("VORLANE_LDAP_URI", testing_support::testDirectory().ldapiUri().c_str(), 1);
    setenv("VORLANE_VOLUMES", ("DATA=" + (top / "DATA").string() + ",HOME=" + (top / "HOME").string()).c_str(), 1);
    const nw::OpenedClient opening = nw::openDirectoryClient();
    ASSERT_EQ(opening.error(), "");
    auto& client = dynamic_cast<nwldap::LdapClient&>(**opening);
    testing_support::WindowHarness h(client);
    h.setContext("SALES.ACME");
    h.setRecurse(true);
    h.pickServer(QString::fromStdString(nwldap::serverName()));
    QStringList rows; // largest first
    for (const char* name : {"JSMITH", "AMILLER.BOSTON.EAST"})
        rows << QString::fromLatin1(name) + "=" + QString::number(kilobytes[name]);
    EXPECT_EQ(h.shown(), rows);
    EXPECT_TRUE(h.user.messages.empty());
    EXPECT_EQ(client.openConnections().size(), 1u); // the window's own
}

} // namespace
