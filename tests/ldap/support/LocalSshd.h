#pragma once

// An sshd of the tests' own (Debian's openssh-server), on a free loopback
// port, with a throw-away host key and client keys, its own authorized_keys
// and known_hosts, and an ssh client configuration file for `ssh -F`, all in
// a temporary folder. It runs as a child of the test process, as root (sshd
// must be root to log a user in), and is stopped by its process ID when the
// object goes. No system service is touched; sshd's privilege separation
// folder, /run/sshd, is made if it is missing.
//
// The configuration names three hosts, all this sshd: "known" (the client
// key, the host key known), "unknown" (the client key, no host key known)
// and "stranger" (a key the server does not accept).

#include <string>

namespace testing_support {

class LocalSshd {
public:
    // Why no sshd can be started here (not root, no sshd), or the empty text.
    static std::string unavailable();

    // Starts it; error() says why when it did not start.
    LocalSshd();
    ~LocalSshd() { stop(); }
    LocalSshd(const LocalSshd&) = delete;
    LocalSshd& operator=(const LocalSshd&) = delete;

    const std::string& error() const { return error_; }
    const std::string& folder() const { return folder_; } // for the tests' own files too
    std::string configFile() const { return folder_ + "/ssh_config"; }
    void stop();

private:
    std::string start();

    std::string folder_;
    std::string error_;
    int port_ = 0;
    int pid_ = 0;
};

// What the local servers share: a free loopback port, or 0; whether
// something listens on a loopback port; a fresh folder of /tmp ("" when none
// could be made); and stopping a child server and removing its folder.
int freeLoopbackPort();
bool answersOnLoopback(int port);
std::string temporaryFolder(const char* prefix);
void stopServer(int& pid, std::string& folder);

} // namespace testing_support
