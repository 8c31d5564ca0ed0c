#include "ldap/support/LocalSlapd.h"
#include "ldap/support/LocalSshd.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/prctl.h>
#include <unistd.h>

namespace testing_support {
namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

LocalSlapd::LocalSlapd(const SlapdSetup& setup) : folder_(temporaryFolder("vorlane-slapd")) {
    if (error_ = folder_.empty() ? "no temporary folder" : start(setup); !error_.empty())
        stop();
}

std::string LocalSlapd::start(const SlapdSetup& setup) {
    // The databases' folders, a self-signed server certificate that is its
    // own CA, and a CA that signed nothing here.
    const std::string key = "openssl req -x509 -days 2 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    if (!run("cd '" + folder_ + "' && mkdir acme example && " + key +
             "-keyout server.key -out server.pem -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 && "
             "cp server.pem ca.pem && " +
             key + "-keyout other.key -out other-ca.pem -subj /CN=Other"))
        return "openssl could not make certificates";
    std::ifstream in(setup.dataDir + "/slapd.conf.in");
    std::string text{std::istreambuf_iterator<char>(in), {}};
    replaceAll(text, "@DIR@", folder_);
    replaceAll(text, "@EXTRA@", setup.extraConfig);
    const std::string configFile = folder_ + "/slapd.conf";
    std::ofstream(configFile) << text;
    for (const auto& [suffix, ldif] : setup.ldif)
        if (!run("slapadd -q -f '" + configFile + "' -b '" + suffix + "' -l '" + ldif + "'"))
            return "slapadd failed for " + ldif;
    port_ = freeLoopbackPort();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("slapd", "slapd", "-d", "0", "-f", configFile.c_str(), "-h", (ldapiUri() + " " + tcpUri() + "/").c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    // slapd listens on its addresses in the order given: the socket first.
    for (int i = 0; i < 200 && !answersOnLoopback(port_); ++i)
        usleep(50000);
    return answersOnLoopback(port_) ? "" : "slapd does not answer on " + tcpUri();
}

std::string LocalSlapd::ldapiUri() const {
    std::string path = folder_ + "/ldapi";
    replaceAll(path, "/", "%2F");
    return "ldapi://" + path;
}

void LocalSlapd::stop() {
    stopServer(pid_, folder_);
}

LocalSlapd& testDirectory() {
    const std::string data = VORLANE_TEST_DATA "/ldap";
    // A size limit below ou=MANY's 300 entries: only paging reads them all.
    static LocalSlapd directory({data,
                                 {{"o=ACME", data + "/acme.ldif"}, {"dc=example,dc=com", data + "/example.ldif"}},
                                 "limits * size.soft=100 size.hard=100 size.prtotal=unlimited"});
    return directory;
}

} // namespace testing_support
