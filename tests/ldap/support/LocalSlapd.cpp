#include "ldap/support/LocalSlapd.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
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

constexpr const char* kAttachVar = "VORLANE_TEST_SLAPD";

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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

// Two throw-away CAs, the first of which signs the server's certificate.
std::string makeCertificates(const std::string& dir) {
    const std::string key = "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes ";
    std::ofstream(dir + "/ext") << "subjectAltName=IP:127.0.0.1\n";
    const std::string script = "cd '" + dir + "' && " + key +
                               "-x509 -days 2 -keyout ca.key -out ca.pem -subj /CN=CA && " + key +
                               "-x509 -days 2 -keyout other.key -out other-ca.pem -subj /CN=Other && " + key +
                               "-keyout server.key -out server.csr -subj /CN=127.0.0.1 && openssl x509 -req -in "
                               "server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 "
                               "-extfile ext";
    return std::system(("(" + script + ") >/dev/null 2>&1").c_str()) == 0 ? "" : "openssl could not make certificates";
}

} // namespace

LocalSlapd::LocalSlapd(const SlapdSetup& setup) {
    std::string folder = "/tmp/vorlane-slapd-XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        error_ = "no temporary folder";
        return;
    }
    folder_ = folder;
    owned_ = true;
    if (!start(setup))
        stop();
}

bool LocalSlapd::start(const SlapdSetup& setup) {
    if (error_ = makeCertificates(folder_); !error_.empty())
        return false;
    std::string config = slurp(setup.dataDir + "/slapd.conf.in");
    replaceAll(config, "@DIR@", folder_);
    replaceAll(config, "@EXTRA@", setup.extraConfig);
    std::ofstream(folder_ + "/slapd.conf") << config;
    std::filesystem::create_directories(folder_ + "/acme");
    std::filesystem::create_directories(folder_ + "/example");
    for (const auto& [suffix, ldif] : setup.ldif) {
        const std::string load = "slapadd -q -f '" + folder_ + "/slapd.conf' -b '" + suffix + "' -l '" + ldif + "'";
        if (std::system((load + " >/dev/null 2>&1").c_str()) != 0) {
            error_ = "slapadd failed: " + load;
            return false;
        }
    }
    port_ = freePort();
    std::ofstream(folder_ + "/port") << port_;
    // In the foreground, as a child that ends with this process, however it ends.
    const std::string configFile = folder_ + "/slapd.conf";
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
    error_ = answers(folder_ + "/ldapi") ? "" : "slapd does not answer on " + ldapiUri();
    return error_.empty();
}

LocalSlapd LocalSlapd::attach(const std::string& folder) {
    LocalSlapd slapd;
    slapd.folder_ = folder;
    slapd.port_ = std::atoi(slurp(folder + "/port").c_str());
    return slapd;
}

LocalSlapd::LocalSlapd(LocalSlapd&& other) noexcept
    : folder_(std::move(other.folder_)), error_(std::move(other.error_)), port_(other.port_),
      owned_(std::exchange(other.owned_, false)), pid_(other.pid_) {}

LocalSlapd::~LocalSlapd() {
    stop();
}

std::string LocalSlapd::ldapiUri() const {
    std::string path = folder_ + "/ldapi";
    replaceAll(path, "/", "%2F");
    return "ldapi://" + path;
}

std::string LocalSlapd::tcpUri() const {
    return "ldap://127.0.0.1:" + std::to_string(port_);
}

void LocalSlapd::stop() {
    if (!owned_)
        return;
    owned_ = false;
    if (pid_ > 0 && kill(pid_, SIGTERM) == 0) {
        for (int i = 0; i < 200 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::filesystem::remove_all(folder_);
}

LocalSlapd& testDirectory() {
    static std::unique_ptr<LocalSlapd> directory = [] {
        if (const char* parent = std::getenv(kAttachVar))
            return std::make_unique<LocalSlapd>(LocalSlapd::attach(parent));
        const std::string data = VORLANE_TEST_DATA "/ldap";
        auto started = std::make_unique<LocalSlapd>(
            SlapdSetup{data, {{"o=ACME", data + "/acme.ldif"}, {"dc=example,dc=com", data + "/example.ldif"}}, ""});
        setenv(kAttachVar, started->folder().c_str(), 1);
        return started;
    }();
    return *directory;
}

} // namespace testing_support
