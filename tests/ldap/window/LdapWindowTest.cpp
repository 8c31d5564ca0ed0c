// The real window over the directory client, the test slapd and volumes in
// a temporary folder.

#include "ldap/support/LocalSlapd.h"
#include "support/WindowHarness.h"

#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Session.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testing_support::LocalSlapd;
using testing_support::ProgramEnded;
using testing_support::WindowHarness;

std::unique_ptr<nwldap::LdapClient> directoryClient(const LocalSlapd& slapd, std::vector<nwldap::Volume> volumes) {
    nwldap::Settings settings;
    settings.uri = slapd.ldapiUri();
    settings.bind = nwldap::BindKind::External;
    std::string error;
    auto session = nwldap::Session::open(settings, error);
    if (!session)
        throw std::runtime_error(error);
    return std::make_unique<nwldap::LdapClient>(std::move(session), std::move(volumes), "FS", "SALES.ACME");
}

// KB as du gives it for what lies below a path: 4-KB blocks, times 4.
int duKilobytes(const fs::path& path) {
    FILE* pipe = popen(("du -s -x -B4096 '" + path.string() + "'").c_str(), "r");
    int blocks = 0;
    EXPECT_EQ(fscanf(pipe, "%d", &blocks), 1);
    pclose(pipe);
    return blocks * 4;
}

struct LdapWindow : testing::Test {
    LdapWindow() : top(fs::temp_directory_path() / ("vorlane-volumes-" + std::to_string(getpid()))) {
        for (const char* volume : {"DATA", "HOME"})
            fs::create_directories(top / volume);
        volumes = {{"DATA", (top / "DATA").string()}, {"HOME", (top / "HOME").string()}};
    }
    ~LdapWindow() override { fs::remove_all(top); }

    // Gives `owner` a folder of `bytes` on a volume; returns what du counts.
    int give(const char* volume, const std::string& shown, unsigned owner, std::size_t bytes) {
        const fs::path home = top / volume / std::to_string(owner);
        fs::create_directories(home);
        std::ofstream(home / "file") << std::string(bytes, 'x');
        EXPECT_EQ(chown(home.c_str(), owner, owner) + chown((home / "file").c_str(), owner, owner), 0);
        const int kilobytes = duKilobytes(home);
        expected[volume][shown] += kilobytes;
        expected["FS"][shown] += kilobytes;
        return kilobytes;
    }

    // Rows as the window should show them: largest first.
    QStringList rows(const std::string& of) {
        std::vector<std::pair<int, std::string>> byUsage;
        for (const auto& [name, kilobytes] : expected[of])
            byUsage.emplace_back(-kilobytes, name);
        std::sort(byUsage.begin(), byUsage.end());
        QStringList out;
        for (const auto& [negative, name] : byUsage)
            out << QString::fromLatin1(name) + "=" + QString::number(-negative);
        return out;
    }

    fs::path top;
    std::vector<nwldap::Volume> volumes;
    std::map<std::string, std::map<std::string, int>> expected; // by volume or "FS", then name
};

TEST_F(LdapWindow, ListingsShowPerOwnerWhatDuCounts) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving files to the directory's users needs root";
    ASSERT_EQ(testing_support::testDirectory().error(), "");
    give("DATA", "JSMITH", 60002, 70000);
    give("HOME", "JSMITH", 60002, 5000);
    give("DATA", "MJONES", 60003, 20000);
    give("DATA", "Dvo?\xE1k", 60006, 30000);
    give("DATA", "TOPUSER", 60001, 90000); // outside the context
    expected["DATA"].erase("TOPUSER");
    expected["FS"].erase("TOPUSER");
    const auto client = directoryClient(testing_support::testDirectory(), volumes);
    WindowHarness h(*client);
    h.setContext("SALES.ACME");
    h.pickVolume("[FS] : DATA");
    EXPECT_EQ(h.shown(), rows("DATA"));

    give("HOME", "SMITH.EAST", 60007, 40000);
    give("DATA", "AMILLER.BOSTON.EAST", 60008, 50000);
    h.setRecurse(true);
    h.pickServer("FS");
    EXPECT_EQ(h.shown(), rows("FS"));
    h.pickVolume("[FS] : HOME");
    EXPECT_EQ(h.shown(), rows("HOME"));
    EXPECT_TRUE(h.user.messages.empty());
    EXPECT_EQ(client->openConnectionCount(), 1u); // the window's own
}

TEST_F(LdapWindow, ContextsThatDoNotExistOrAreNoNames) {
    const auto client = directoryClient(testing_support::testDirectory(), volumes);
    WindowHarness h(*client);
    for (const char* context : {"NOPE.ACME", "SALES..ACME"}) {
        h.setContext(context);
        h.pickVolume("[FS] : DATA");
    }
    EXPECT_EQ(h.user.messages, (std::vector<std::string>{"Context does not exist", "Invalid context supplied"}));
}

// Stops the directory once the listing has read its first name.
class StoppingClient : public testing_support::RecordingClient {
public:
    StoppingClient(nw::Client& inner, LocalSlapd& slapd) : RecordingClient(inner), slapd_(slapd) {}
    nw::NWRCODE NWDSGetObjectName(nw::NWDSContextHandle c, nw::pBuf_T b, char* n, nw::nuint32* a,
                                  nw::Object_Info_T* i) override {
        slapd_.stop();
        return RecordingClient::NWDSGetObjectName(c, b, n, a, i);
    }

private:
    LocalSlapd& slapd_;
};

TEST_F(LdapWindow, ADirectoryThatStopsMidListingEndsTheProgramNamingTheCall) {
    const std::string data = VORLANE_TEST_DATA "/ldap";
    LocalSlapd slapd({data, {{"o=ACME", data + "/acme.ldif"}}, ""});
    ASSERT_EQ(slapd.error(), "");
    const auto client = directoryClient(slapd, volumes);
    StoppingClient stopping(*client, slapd);
    WindowHarness h(stopping);
    h.setContext("SALES.ACME");
    h.setRecurse(true);
    EXPECT_THROW(h.pickVolume("[FS] : DATA"), ProgramEnded);
    EXPECT_EQ(h.user.messages, std::vector<std::string>{"NWDSListContainers failed : -636"});
}

} // namespace
