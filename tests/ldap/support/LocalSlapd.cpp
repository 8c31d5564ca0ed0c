#include "ldap/support/LocalSlapd.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testing_support {
namespace {

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

bool answers(const std::string& socketPath) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

bool run(const std::string& command) {
    return std::system(("(" + command + ") >/dev/null 2>&1").c_str()) == 0;
}

} // namespace

LocalSlapd::LocalSlapd(const SlapdSetup& setup) {
    std::string folder = "/tmp/vorlane-slapd-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        error_ = "no temporary folder";
        return;
    }
    folder_ = folder;
    if (error_ = start(setup); !error_.empty())
        stop();
}

std::string LocalSlapd::start(const SlapdSetup& setup) {
    // A self-signed server certificate that is its own CA, and a CA that
    // signed nothing here.
    const std::string key = "openssl req -x509 -days 2 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    if (!run("cd '" + folder_ + "' && " + key +
             "-keyout server.key -out server.pem -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 && "
             "cp server.pem ca.pem && " +
             key + "-keyout other.key -out other-ca.pem -subj /CN=Other"))
        return "openssl could not make certificates";
    std::stringstream config;
    config << std::ifstream(setup.dataDir + "/slapd.conf.in").rdbuf();
    std::string text = config.str();
    replaceAll(text, "@DIR@", folder_);
    replaceAll(text, "@EXTRA@", setup.extraConfig);
    const std::string configFile = folder_ + "/slapd.conf";
    std::ofstream(configFile) << text;
    std::filesystem::create_directories(folder_ + "/acme");
    std::filesystem::create_directories(folder_ + "/example");
    for (const auto& [suffix, ldif] : setup.ldif) {
        if (!run("slapadd -q -f '" + configFile + "' -b '" + suffix + "' -l '" + ldif + "'"))
            return "slapadd failed for " + ldif;
    }
    port_ = freePort();
    const std::string listen = ldapiUri() + " " + tcpUri() + "/";
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("slapd", "slapd", "-d", "0", "-f", configFile.c_str(), "-h", listen.c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 200 && !answers(folder_ + "/ldapi"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return answers(folder_ + "/ldapi") ? "" : "slapd does not answer on " + ldapiUri();
}

std::string LocalSlapd::ldapiUri() const {
    std::string path = folder_ + "/ldapi";
    replaceAll(path, "/", "%2F");
    return "ldapi://" + path;
}

void LocalSlapd::stop() {
    if (pid_ > 0 && kill(pid_, SIGTERM) == 0)
        waitpid(pid_, nullptr, 0);
    pid_ = 0;
    if (!folder_.empty())
        std::filesystem::remove_all(std::exchange(folder_, ""));
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
