#include "ldap/support/LocalSlapd.h"

#include "netware/ldap/Search.h"
#include "netware/ldap/Session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sys/stat.h>

namespace {

using testing_support::testDirectory;

std::string passwordFile(const std::string& content, mode_t mode) {
    static int n = 0;
    const std::string path = testDirectory().folder() + "/password" + std::to_string(++n);
    std::ofstream(path) << content;
    chmod(path.c_str(), mode);
    return path;
}

nwldap::Settings settings(const std::string& uri, const std::string& bindDn = "", const std::string& password = "") {
    nwldap::Settings out;
    out.uri = uri;
    out.bindDn = bindDn;
    out.bind = bindDn.empty()
                   ? (nwldap::uriScheme(uri) == "ldapi" ? nwldap::BindKind::External : nwldap::BindKind::Anonymous)
                   : nwldap::BindKind::Simple;
    out.passwordFile = bindDn.empty() ? "" : passwordFile(password, 0600);
    return out;
}

std::string openError(const nwldap::Settings& s) {
    std::string error;
    const auto session = nwldap::Session::open(s, error);
    EXPECT_EQ(session == nullptr, !error.empty());
    return session ? "open" : error;
}

TEST(Session, BindsAsTheSettingsSayAndSaysWhyNot) {
    ASSERT_EQ(testDirectory().error(), "");
    const std::string ldapi = testDirectory().ldapiUri();
    EXPECT_EQ(openError(settings(ldapi)), "open");
    EXPECT_EQ(openError(settings(testDirectory().tcpUri())), "open");
    EXPECT_EQ(openError(settings(ldapi, "cn=reader,o=ACME", "secret\n")), "open");
    const std::string refused = openError(settings(ldapi, "cn=reader,o=ACME", "wrong"));
    EXPECT_EQ(refused, "The directory at " + ldapi + " refused the bind as cn=reader,o=ACME: Invalid credentials");
    EXPECT_EQ(openError(settings("ldap://127.0.0.1:1")),
              "The directory at ldap://127.0.0.1:1 cannot be read: Can't contact LDAP server");
}

// The library reads its TLS settings once per process: each case runs in a
// process of its own.
void startTlsWithCa(const std::string& caFile) {
    setenv("LDAPTLS_CACERT", caFile.c_str(), 1);
    const std::string error = openError(settings(testDirectory().tcpUri(), "cn=reader,o=ACME", "secret"));
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(error == "open" ? 0 : 1);
}

TEST(Session, APasswordCrossesTheNetworkOnlyOverTrustedStartTls) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_EQ(testDirectory().error(), "");
    EXPECT_EXIT(startTlsWithCa(testDirectory().caFile()), testing::ExitedWithCode(0), "open");
    EXPECT_EXIT(startTlsWithCa(testDirectory().otherCaFile()), testing::ExitedWithCode(1),
                "The bind as cn=reader,o=ACME is refused: StartTLS with ldap://127.0.0.1:[0-9]+ failed \\(Connect "
                "error.*the password would cross the network in the clear");
}

TEST(Session, OnlyItsOwnerMayReadAPasswordFile) {
    const std::pair<mode_t, std::string> cases[] = {
        {0400, ""}, {0640, "is readable by its group"}, {0604, "is readable by others"}};
    for (const auto& [mode, said] : cases) {
        const std::string path = passwordFile("secret\r\n", mode);
        std::string password;
        const std::string error = nwldap::readPasswordFile(path, password);
        EXPECT_EQ(error, said.empty() ? ""
                                      : "VORLANE_LDAP_PASSWORD_FILE: " + path + " " + said +
                                            ": only its owner may read a password file");
        EXPECT_EQ(password, said.empty() ? "secret" : "");
    }
    std::string password;
    EXPECT_NE(nwldap::readPasswordFile(passwordFile("", 0600), password).find(" is empty"), std::string::npos);
    EXPECT_NE(nwldap::readPasswordFile("/no/such/file", password).find("cannot be read: No such file"),
              std::string::npos);
    EXPECT_TRUE(nwldap::needsStartTls(settings("LDAP://x", "cn=a")));
    EXPECT_FALSE(nwldap::needsStartTls(settings("ldaps://x", "cn=a")));
    EXPECT_FALSE(nwldap::needsStartTls(settings("ldap://x")));
}

// What a listing read: "entries/containers/entries with a uidNumber".
std::string children(testing_support::LocalSlapd& slapd, const char* dn, int pageSize, int& rc) {
    nwldap::Settings s = settings(slapd.ldapiUri());
    s.pageSize = pageSize;
    std::string error;
    auto session = nwldap::Session::open(s, error);
    if (!session)
        return error;
    EXPECT_EQ(session->namingContexts().front().rdns.front().value, "ACME");
    std::vector<std::unique_ptr<nwldap::Entry>> out;
    rc = session->readChildren(dn, out);
    const auto count = [&out](auto test) { return std::to_string(std::count_if(out.begin(), out.end(), test)); };
    return std::to_string(out.size()) + "/" + count([](const auto& e) { return e->container; }) + "/" +
           count([](const auto& e) { return e->objectId != nwldap::kNoOwner; });
}

TEST(Session, ContainersComeInPagesAndWithoutPagingUpToTheSizeLimit) {
    int rc = 0;
    EXPECT_EQ(children(testDirectory(), "ou=MANY,o=ACME", 7, rc), "300/0/0");
    EXPECT_EQ(rc, LDAP_SUCCESS);
    const std::string data = VORLANE_TEST_DATA "/ldap";
    testing_support::LocalSlapd unpaged(
        {data, {{"o=ACME", data + "/acme.ldif"}}, "limits * size.soft=100 size.hard=100 size.prtotal=disabled"});
    ASSERT_EQ(unpaged.error(), "");
    EXPECT_EQ(children(unpaged, "ou=SALES,o=ACME", 7, rc), "9/2/5");
    EXPECT_EQ(rc, LDAP_SUCCESS);
    testing::internal::CaptureStderr();
    EXPECT_EQ(children(unpaged, "ou=MANY,o=ACME", 7, rc), "100/0/0");
    EXPECT_EQ(rc, LDAP_SIZELIMIT_EXCEEDED);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("stopped the listing of ou=MANY,o=ACME at its size limit"),
              std::string::npos);
}

} // namespace
