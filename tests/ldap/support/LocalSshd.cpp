#include "ldap/support/LocalSshd.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace testing_support {
namespace {

constexpr const char* kSshd = "/usr/sbin/sshd";

std::string contentOf(const std::string& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

bool answersOnLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

std::string temporaryFolder(const char* prefix) {
    std::string folder = std::string("/tmp/") + prefix + "-XXXXXX";
    return mkdtemp(folder.data()) == nullptr ? "" : folder;
}

void stopServer(int& pid, std::string& folder) {
    if (pid > 0 && kill(pid, SIGTERM) == 0)
        waitpid(pid, nullptr, 0);
    pid = 0;
    if (!folder.empty())
        std::filesystem::remove_all(std::exchange(folder, ""));
}

int freeLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    auto* at = reinterpret_cast<sockaddr*>(&address);
    const bool ok = bind(fd, at, size) == 0 && getsockname(fd, at, &size) == 0;
    close(fd);
    return ok ? ntohs(address.sin_port) : 0;
}

std::string LocalSshd::unavailable() {
    if (geteuid() != 0)
        return "sshd logs users in only when run as root";
    if (access(kSshd, X_OK) != 0)
        return std::string(kSshd) + " is missing (Debian package openssh-server)";
    return {};
}

LocalSshd::LocalSshd() : folder_(temporaryFolder("vorlane-sshd")) {
    if (error_ = folder_.empty() ? "no temporary folder" : start(); !error_.empty())
        stop();
}

std::string LocalSshd::start() {
    const std::string keygen = "ssh-keygen -q -t ed25519 -N '' -C '' -f '" + folder_;
    if (std::system(
            ("(" + keygen + "/host_key' && " + keygen + "/client_key' && " + keygen + "/stranger_key') >/dev/null 2>&1")
                .c_str()) != 0)
        return "ssh-keygen could not make keys";
    mkdir("/run/sshd", 0755);
    port_ = freeLoopbackPort();
    const std::string port = std::to_string(port_);
    std::filesystem::copy_file(folder_ + "/client_key.pub", folder_ + "/authorized_keys");
    std::ofstream(folder_ + "/known_hosts") << "[127.0.0.1]:" << port << " " << contentOf(folder_ + "/host_key.pub");
    std::ofstream(folder_ + "/sshd_config")
        << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << folder_ << "/host_key\nPidFile none\n"
        << "AuthorizedKeysFile " << folder_ << "/authorized_keys\nStrictModes no\nUsePAM no\n"
        << "PermitRootLogin prohibit-password\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
        << "AllowUsers root\nPrintMotd no\nPrintLastLog no\nUseDNS no\n";
    // ssh takes the first value it finds for an option, except identity
    // files, which add up: each host names its own.
    std::ofstream(configFile()) << "Host known unknown stranger\n  HostName 127.0.0.1\n  Port " << port
                                << "\nHost known unknown\n  IdentityFile " << folder_ << "/client_key\n"
                                << "Host stranger\n  IdentityFile " << folder_ << "/stranger_key\n"
                                << "Host unknown\n  UserKnownHostsFile /dev/null\n"
                                << "Host *\n  User root\n  IdentitiesOnly yes\n  IdentityAgent none\n"
                                << "  UserKnownHostsFile " << folder_ << "/known_hosts\n"
                                << "  GlobalKnownHostsFile /dev/null\n";
    const std::string log = folder_ + "/sshd.log";
    const std::string config = folder_ + "/sshd_config";
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execl(kSshd, kSshd, "-D", "-e", "-f", config.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 200 && !answersOnLoopback(port_) && waitpid(pid_, nullptr, WNOHANG) == 0; ++i)
        usleep(50000);
    return answersOnLoopback(port_) ? "" : "sshd does not answer on port " + port + ": " + contentOf(log);
}

void LocalSshd::stop() {
    stopServer(pid_, folder_);
}

} // namespace testing_support
