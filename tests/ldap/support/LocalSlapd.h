#pragma once

// A slapd of the tests' own: its configuration (tests/data/ldap/slapd.conf.in),
// certificates from a throw-away CA and its databases live in a temporary
// folder; it listens on a socket there and on a free loopback port. It runs
// as a child of the test process, stopped by its process ID when the object
// goes, and ends with the test process however that ends. No system service
// is touched.

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct SlapdSetup {
    std::string dataDir;                                   // holds slapd.conf.in
    std::vector<std::pair<std::string, std::string>> ldif; // suffix, LDIF file to load into it
    std::string extraConfig;                               // lines for every database
};

class LocalSlapd {
public:
    // Starts it; error() says why when it did not start.
    explicit LocalSlapd(const SlapdSetup& setup);
    ~LocalSlapd() { stop(); }
    LocalSlapd(const LocalSlapd&) = delete;
    LocalSlapd& operator=(const LocalSlapd&) = delete;

    const std::string& error() const { return error_; }
    std::string ldapiUri() const;
    std::string tcpUri() const { return "ldap://127.0.0.1:" + std::to_string(port_); } // its certificate's address
    std::string caFile() const { return folder_ + "/ca.pem"; }
    std::string otherCaFile() const { return folder_ + "/other-ca.pem"; } // a CA that signed nothing here
    void stop();

private:
    std::string start(const SlapdSetup& setup);

    std::string folder_;
    std::string error_;
    int port_ = 0;
    int pid_ = 0;
};

// The test directory of tests/data/ldap, started at its first use in a
// process and stopped at the process's end.
LocalSlapd& testDirectory();

} // namespace testing_support
