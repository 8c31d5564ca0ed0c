#include "ldap/support/LdapResponder.h"
#include "ldap/support/LocalSlapd.h"
#include "ldap/support/LocalSshd.h"

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testing_support::Misbehaviour;
using testing_support::testDirectory;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A path in a folder of this process's own, removed at its end.
std::string scratch(const std::string& name) {
    static const struct Folder {
        std::string path = testing_support::temporaryFolder("vorlane-session");
        ~Folder() { fs::remove_all(path); }
    } folder;
    return folder.path + "/" + name;
}

std::string passwordFile(const std::string& content, mode_t mode) {
    static int n = 0;
    const std::string path = scratch("password" + std::to_string(++n));
    std::ofstream(path) << content;
    chmod(path.c_str(), mode);
    return path;
}

// The settings a user gives for a bind as `bindDn`, or for none.
nwldap::Settings settings(const std::string& uri, const std::string& bindDn = "", const std::string& password = "") {
    std::map<std::string, std::string> vars{{"VORLANE_LDAP_URI", uri}, {"VORLANE_LDAP_BIND_DN", bindDn}};
    vars["VORLANE_LDAP_PASSWORD_FILE"] = bindDn.empty() ? "" : passwordFile(password, 0600);
    const auto out = nwldap::readSettings([&vars](const char* name) { return vars[name].c_str(); });
    EXPECT_EQ(out.error(), "");
    return out ? *out : nwldap::Settings{};
}

std::string openError(const nwldap::Settings& s) {
    const auto session = nwldap::Session::open(s);
    return session ? "open" : session.error();
}

TEST(Session, BindsAsTheSettingsSayAndSaysWhyNotAndOverTcpOnlyWithTrustedTls) {
    ASSERT_EQ(testDirectory().error(), "");
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();
    const std::string ldapi = testDirectory().ldapiUri();
    EXPECT_EQ(openError(settings(ldapi)), "open");
    EXPECT_EQ(openError(settings(ldapi, "cn=reader,o=ACME", "wrong")),
              "The directory at " + ldapi + " refused the bind as cn=reader,o=ACME: Invalid credentials");
    EXPECT_EQ(openError(settings("ldap://127.0.0.1:1")),
              "The directory at ldap://127.0.0.1:1 cannot be read: Can't contact LDAP server");
    EXPECT_EQ(openFiles(), before); // every connection closed with its session

    // Over TCP a session, bound or not, takes the StartTLS the server offers,
    // with a trusted server only, whatever the library's own settings say
    // (LDAPTLS_REQCERT=never sets what `check` sets). A new connection takes
    // the library's other TLS settings as they stand.
    const std::string tcp = testDirectory().tcpUri();
    const auto trusting = [&tcp](const std::string& ca, int check) {
        const int client = 0;
        EXPECT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, ca.c_str()), LDAP_OPT_SUCCESS);
        EXPECT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_REQUIRE_CERT, &check), LDAP_OPT_SUCCESS);
        EXPECT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_NEWCTX, &client), LDAP_OPT_SUCCESS);
        return openError(settings(tcp)) + " / " + openError(settings(tcp, "cn=reader,o=ACME", "secret"));
    };
    EXPECT_EQ(trusting(testDirectory().caFile(), LDAP_OPT_X_TLS_DEMAND), "open / open");
    EXPECT_THAT(trusting(testDirectory().otherCaFile(), LDAP_OPT_X_TLS_NEVER),
                testing::MatchesRegex("The directory at " + tcp +
                                      " is refused: it offers StartTLS, but TLS with it failed \\(Connect error .* / "
                                      "The bind as cn=reader,o=ACME is refused: StartTLS with " +
                                      tcp + " failed \\(Connect error .*in the clear"));
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    ldap_set_option(nullptr, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
}

// libldap reads an ldaprc in the working directory at its first call. The
// test runs in a process started afresh, where the session makes that call.
TEST(SessionDeathTest, AnLdaprcInTheWorkingDirectoryCannotWeakenCertificateChecks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(testDirectory().error(), "");
    const std::string start = scratch("start");
    fs::create_directory(start);
    std::ofstream(start + "/ldaprc") << "TLS_REQCERT never\nTLS_CACERT " << testDirectory().caFile() << "\n";
    const nwldap::Settings bind = settings(testDirectory().tcpUri(), "cn=reader,o=ACME", "secret");
    EXPECT_EXIT(
        {
            if (chdir(start.c_str()) != 0)
                std::exit(1);
            const auto session = nwldap::Session::open(bind);
            std::fputs(session ? "open" : session.error().c_str(), stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "The bind as cn=reader,o=ACME is refused: StartTLS with .* failed");
}

TEST(Session, APasswordFileIsARegularFileOfTheUsersOwnThatNoOneElseMayUse) {
    const std::string link = scratch("link");
    const std::string fifo = scratch("fifo");
    ASSERT_EQ(symlink(passwordFile("secret", 0600).c_str(), link.c_str()) + mkfifo(fifo.c_str(), 0600), 0);
    std::string foreign = "/etc/passwd"; // root's; as root, a file given to nobody
    if (geteuid() == 0) {
        foreign = passwordFile("secret", 0600);
        ASSERT_EQ(chown(foreign.c_str(), 65534, 65534), 0);
    }
    const auto openTo = [](const char* mode) {
        return std::string("may be used by its group or others (mode ") + mode +
               "): only its owner may have access to a password file";
    };
    const std::pair<std::string, std::string> cases[] = {
        {passwordFile("secret\r\n", 0400), ""},
        {link, "is a symbolic link: name the file itself"},
        {fifo, "is not a regular file"},
        {foreign, "does not belong to the user running Vorlane"},
        {passwordFile("secret", 0640), openTo("0640")},
        {passwordFile("secret", 0622), openTo("0622")},
        {passwordFile(std::string(4097, 'x'), 0600), "is larger than 4096 bytes"},
        {passwordFile("\n", 0600), "is empty"},
        {"/no/such", "cannot be read: No such file or directory"}};
    for (const auto& [path, said] : cases) {
        std::string password;
        EXPECT_EQ(nwldap::readPasswordFile(path, password),
                  said.empty() ? "" : "VORLANE_LDAP_PASSWORD_FILE: " + path + " " + said);
        EXPECT_EQ(password, said.empty() ? "secret" : "");
    }
}

// What a listing read: "code:entries/containers/entries with a uidNumber",
// the code as the client gives it.
std::string children(nwldap::Session& session, const char* dn) {
    std::vector<std::unique_ptr<nwldap::Entry>> out;
    const int rc = session.readChildren(
        dn, out, [] { return false; }, nullptr);
    const auto count = [&out](auto test) { return std::to_string(std::count_if(out.begin(), out.end(), test)); };
    return std::to_string(nwldap::codeForLdap(rc)) + ":" + std::to_string(out.size()) + "/" +
           count([](const auto& e) { return e->container; }) + "/" +
           count([](const auto& e) { return e->objectId != nwldap::kNoOwner; });
}

TEST(Session, ContainersComeInPagesUpToTheCapAndWithoutPagingUpToTheSizeLimit) {
    const std::string data = VORLANE_TEST_DATA "/ldap";
    testing_support::LocalSlapd unpaged(
        {data, {{"o=ACME", data + "/acme.ldif"}}, "limits * size.soft=100 size.hard=100 size.prtotal=disabled"});
    nwldap::Settings paging = settings(testDirectory().ldapiUri());
    paging.pageSize = 7;
    paging.maxEntries = 299;
    const auto paged = nwldap::Session::open(paging);
    paging.uri = unpaged.ldapiUri();
    const auto whole = nwldap::Session::open(paging);
    ASSERT_TRUE(paged && whole) << paged.error() << whole.error();
    EXPECT_EQ((*paged)->namingContexts().back().rdns.front().value, "example");
    EXPECT_EQ(children(**whole, "ou=SALES,o=ACME"), "0:9/2/5");
    testing::internal::CaptureStderr();
    EXPECT_EQ(children(**paged, "ou=MANY,o=ACME"), "-9003:299/0/0"); // past the server's size limit of 100
    EXPECT_EQ(children(**whole, "ou=MANY,o=ACME"), "-10004:100/0/0");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("the listing of ou=MANY,o=ACME in the directory at " + testDirectory().ldapiUri() +
                        " stopped after 299 entries, the most VORLANE_LDAP_MAX_ENTRIES allows"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("stopped the listing of ou=MANY,o=ACME at its size limit"), std::string::npos) << said;
    // A server gone mid-run gives a code, not a signal that ends the program:
    // the program's main ignores the signal, which a session leaves alone.
    EXPECT_EQ(std::signal(SIGPIPE, SIG_IGN), SIG_DFL);
    unpaged.stop();
    EXPECT_EQ(children(**whole, "ou=SALES,o=ACME"), "-636:0/0/0");
}

std::string withUri(std::string text, const std::string& uri) {
    for (auto at = text.find(uri); at != std::string::npos; at = text.find(uri, at))
        text.replace(at, uri.size(), "URI");
    return text;
}

// Each server behind a session whose time limit is a second: what start-up
// says, or what a listing reads, within the limit.
TEST(Session, AMisbehavingServerIsReadWithinTheTimeLimitAndForTheChildrenOfTheBaseOnly) {
    const int always = LDAP_DEREF_ALWAYS; // as "DEREF always" in ldap.conf asks
    ldap_set_option(nullptr, LDAP_OPT_DEREF, &always);
    const std::pair<Misbehaviour, std::string> cases[] = {
        {Misbehaviour::Silent, "The directory at URI cannot be read: Timed out"},
        {Misbehaviour::Stall, "-9001:1/0/0"},
        {Misbehaviour::RepeatCookie, "-9002:2/0/0"},
        {Misbehaviour::EmptyPages, "-9002:0/0/0"},
        {Misbehaviour::Strays, "0:2/0/0"},
        {Misbehaviour::Huge, "-9004:0/0/0"}};
    for (const auto& [how, expected] : cases) {
        testing_support::LdapResponder server(how);
        nwldap::Settings limited = settings(server.uri());
        limited.timeoutSeconds = 1;
        const auto start = Clock::now();
        testing::internal::CaptureStderr();
        const auto session = nwldap::Session::open(limited);
        const std::string read = session ? children(**session, "ou=SALES,o=ACME") : session.error();
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_LT(Clock::now() - start, milliseconds(1500)) << expected;
        EXPECT_EQ(withUri(read, server.uri()), expected);
        if (how != Misbehaviour::Strays)
            continue;
        EXPECT_EQ(withUri(said, server.uri()),
                  "vorlane: the directory at URI does not offer StartTLS (Protocol error): it is read unencrypted\n"
                  "vorlane: the directory at URI sent 2 entries that are no child of ou=SALES,o=ACME: left out\n");
        EXPECT_EQ(server.deref(), LDAP_DEREF_NEVER);
        EXPECT_EQ(server.timeLimit(), 1);
    }
    const int never = LDAP_DEREF_NEVER;
    ldap_set_option(nullptr, LDAP_OPT_DEREF, &never);
}

// Stands for a listing that the user cancels 250 ms into a call.
struct Cancelling final : nw::CallWatcher {
    bool cancelled() const override {
        if (at == Clock::time_point{} && Clock::now() - start >= milliseconds(250))
            at = Clock::now();
        return at != Clock::time_point{};
    }
    void doing(const std::string& what) override { said.push_back(what); }
    bool freshFigures() const override { return false; }

    Clock::time_point start = Clock::now();
    mutable Clock::time_point at; // of the cancel
    std::vector<std::string> said;
};

TEST(Session, AListingOfAStalledServerEndsSoonAfterItIsCancelledHavingSaidHowFarItGot) {
    testing_support::LdapResponder server(Misbehaviour::Stall);
    auto session = nwldap::Session::open(settings(server.uri()));
    ASSERT_TRUE(session) << session.error();
    nwldap::LdapClient client(std::move(*session), {}, "FS1", "");
    nw::NWDSContextHandle context = 0;
    nw::pBuf_T buffer = nullptr;
    ASSERT_EQ(client.NWDSCreateContextHandle(&context) + client.NWDSAllocBuf(nw::kResultBufferSize, &buffer), 0);
    Cancelling watcher;
    client.watchCalls(&watcher);
    nw::nint32 iteration = -1;
    EXPECT_EQ(client.NWDSList(context, "", &iteration, buffer), nw::kCancelled);
    EXPECT_LT(Clock::now() - watcher.at, milliseconds(200));
    EXPECT_EQ(watcher.said, std::vector<std::string>{"Reading ACME: 1 entry"});
    client.watchCalls(nullptr);
}

} // namespace
