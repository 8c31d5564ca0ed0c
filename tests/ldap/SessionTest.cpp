#include "ldap/support/LocalSlapd.h"

#include "netware/ldap/Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using testing_support::testDirectory;

std::string passwordFile(const std::string& content, mode_t mode) {
    static int n = 0;
    const std::string path = testing::TempDir() + "vorlane-password" + std::to_string(++n);
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

TEST(Session, BindsAsTheSettingsSayAndSaysWhyNotAndOverTcpOnlyWithTrustedStartTls) {
    ASSERT_EQ(testDirectory().error(), "");
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();
    const std::string ldapi = testDirectory().ldapiUri();
    EXPECT_EQ(openError(settings(ldapi)), "open");
    EXPECT_EQ(openError(settings(testDirectory().tcpUri())), "open");
    EXPECT_EQ(openError(settings(ldapi, "cn=reader,o=ACME", "wrong")),
              "The directory at " + ldapi + " refused the bind as cn=reader,o=ACME: Invalid credentials");
    EXPECT_EQ(openError(settings("ldap://127.0.0.1:1")),
              "The directory at ldap://127.0.0.1:1 cannot be read: Can't contact LDAP server");
    EXPECT_EQ(openFiles(), before); // every connection closed with its session

    // A password crosses the network only over StartTLS with a trusted server.
    // A new connection takes the library's TLS settings as they stand.
    const auto trusting = [](const std::string& ca) {
        const int client = 0;
        EXPECT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_CACERTFILE, ca.c_str()), LDAP_OPT_SUCCESS);
        EXPECT_EQ(ldap_set_option(nullptr, LDAP_OPT_X_TLS_NEWCTX, &client), LDAP_OPT_SUCCESS);
        return openError(settings(testDirectory().tcpUri(), "cn=reader,o=ACME", "secret"));
    };
    EXPECT_EQ(trusting(testDirectory().caFile()), "open");
    const std::string refused = trusting(testDirectory().otherCaFile());
    EXPECT_TRUE(refused.starts_with("The bind as cn=reader,o=ACME is refused: StartTLS with " +
                                    testDirectory().tcpUri() + " failed (Connect error (") &&
                refused.ends_with("without it the password would cross the network in the clear"))
        << refused;
}

TEST(Session, OnlyItsOwnerMayReadAPasswordFileAndItsFirstLineIsThePassword) {
    const std::tuple<mode_t, const char*, std::string> cases[] = {
        {0400, "secret\r\n", ""},
        {0640, "secret", "is readable by its group: only its owner may read a password file"},
        {0604, "secret", "is readable by others: only its owner may read a password file"},
        {0600, "\n", "is empty"},
        {0, "", "cannot be read: No such file or directory"}}; // no file
    for (const auto& [mode, content, said] : cases) {
        const std::string path = mode == 0 ? "/no/such" : passwordFile(content, mode);
        std::string password;
        EXPECT_EQ(nwldap::readPasswordFile(path, password),
                  said.empty() ? "" : "VORLANE_LDAP_PASSWORD_FILE: " + path + " " + said);
        EXPECT_EQ(password, said.empty() ? "secret" : "");
    }
}

// What a listing read: "result:entries/containers/entries with a uidNumber".
std::string children(nwldap::Session& session, const char* dn) {
    std::vector<std::unique_ptr<nwldap::Entry>> out;
    const int rc = session.readChildren(dn, out);
    const auto count = [&out](auto test) { return std::to_string(std::count_if(out.begin(), out.end(), test)); };
    return std::to_string(rc) + ":" + std::to_string(out.size()) + "/" +
           count([](const auto& e) { return e->container; }) + "/" +
           count([](const auto& e) { return e->objectId != nwldap::kNoOwner; });
}

TEST(Session, ContainersComeInPagesAndWithoutPagingUpToTheSizeLimit) {
    const std::string data = VORLANE_TEST_DATA "/ldap";
    testing_support::LocalSlapd unpaged(
        {data, {{"o=ACME", data + "/acme.ldif"}}, "limits * size.soft=100 size.hard=100 size.prtotal=disabled"});
    nwldap::Settings paging = settings(testDirectory().ldapiUri());
    paging.pageSize = 7;
    const auto paged = nwldap::Session::open(paging);
    paging.uri = unpaged.ldapiUri();
    const auto whole = nwldap::Session::open(paging);
    ASSERT_TRUE(paged && whole) << paged.error() << whole.error();
    EXPECT_EQ((*paged)->namingContexts().back().rdns.front().value, "example");
    EXPECT_EQ(children(**paged, "ou=MANY,o=ACME"), "0:300/0/0");
    EXPECT_EQ(children(**whole, "ou=SALES,o=ACME"), "0:9/2/5");
    testing::internal::CaptureStderr();
    EXPECT_EQ(children(**whole, "ou=MANY,o=ACME"), "4:100/0/0");
    EXPECT_NE(testing::internal::GetCapturedStderr().find("stopped the listing of ou=MANY,o=ACME at its size limit"),
              std::string::npos);
    // A server gone mid-run gives a code, not a signal that ends the program.
    unpaged.stop();
    EXPECT_EQ(children(**whole, "ou=SALES,o=ACME"), "-1:0/0/0");
}

} // namespace
