// Scans over ssh, against a private sshd on this machine running the
// scanner as built: each way of failing is told apart; a cancel ends ssh;
// the client counts what the scan found, whatever the path holds. (That the
// end of its input stops the scanner, its own program test asserts.)

#include "netware/ldap/RemoteScan.h"
#include "ldap/support/LocalSshd.h"
#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"
#include "scanner/Scan.h"
#include "support/MemoryDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using nwldap::RemoteFailure;
using Clock = std::chrono::steady_clock;

void writeScript(const std::string& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

// This process's children that run ssh, zombies too.
int sshChildren() {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string pid, name, state;
        int parent = 0;
        count += in >> pid >> name >> state >> parent && parent == getpid() && name == "(ssh)";
    }
    return count;
}

std::size_t openDescriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

struct RemoteScan : testing::Test {
    static testing_support::LocalSshd& sshd() {
        static testing_support::LocalSshd server;
        return server;
    }

    void SetUp() override {
        if (const std::string why = testing_support::LocalSshd::unavailable(); !why.empty())
            GTEST_SKIP() << why;
        ASSERT_EQ(sshd().error(), "");
        folder = sshd().folder();
        scanner = folder + "/scanner";
        // The scanner with an account database of the test's own.
        std::ofstream(folder + "/passwd") << "root:x:0:0::/root:/bin/sh\nalice:x:60001:60001::/:/bin/sh\n"
                                          << "bob:x:60002:60002::/:/bin/sh\n";
        std::ofstream(folder + "/group") << "root:x:0:\n";
        writeScript(scanner, "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD='" +
                                 folder + "/passwd' NSS_WRAPPER_GROUP='" + folder + "/group' exec '" +
                                 VORLANE_SCAN_PROGRAM "' \"$@\"");
    }

    nwldap::SshTarget target(const std::string& destination, const std::string& program) const {
        return {destination, program, sshd().configFile(), 20, 15};
    }

    std::string folder;
    std::string scanner;
};

TEST_F(RemoteScan, EachWayOfFailingIsToldApart) {
    writeScript(folder + "/half", "printf 'vorlane-scan 1\\nprogress 5\\nresult 10 0\\nowner 0 8 root\\n'");
    writeScript(folder + "/v2", "echo 'vorlane-scan 2'");
    // A port where nothing listens, and one that takes connections but never speaks.
    const std::string closed = "ssh://root@127.0.0.1:" + std::to_string(testing_support::freeLoopbackPort());
    const int silent = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(silent, 4), 0);
    ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string mute = "ssh://root@127.0.0.1:" + std::to_string(ntohs(address.sin_port));

    const struct {
        const char* what;
        std::string destination, program, path; // no path: a probe
        RemoteFailure expected;
    } cases[] = {
        {"a probe of the scanner", "known", scanner, "", RemoteFailure::None},
        {"an unknown host key", "unknown", scanner, "/", RemoteFailure::UnknownHostKey},
        {"a key the server does not take", "stranger", scanner, "", RemoteFailure::AuthenticationRefused},
        {"a closed port", closed, scanner, "/", RemoteFailure::Refused},
        {"a server that never speaks", mute, scanner, "", RemoteFailure::TimedOut},
        {"no scanner there", "known", folder + "/missing", "", RemoteFailure::ScannerMissing},
        {"no scanner there", "known", folder + "/missing", "/", RemoteFailure::ScannerMissing},
        {"a scanner of another version", "known", folder + "/v2", "", RemoteFailure::ScannerFailed},
        {"a scanner that dies midway", "known", folder + "/half", "/", RemoteFailure::BrokenOff},
        {"a path that is no directory", "known", scanner, folder + "/passwd", RemoteFailure::ScannerFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        nwldap::SshTarget to = target(c.destination, c.program);
        to.connectTimeoutSeconds = 1;
        const std::size_t descriptors = openDescriptors();
        const nwldap::RemoteResult result =
            c.path.empty() ? nwldap::probeScanner(to, {}) : nwldap::scanOverSsh(to, c.path, {}, {});
        EXPECT_EQ(result.failure, c.expected) << result.message;
        EXPECT_NE(result.message.find(nwldap::failureText(c.expected)), std::string::npos) << result.message;
        EXPECT_EQ(openDescriptors(), descriptors);
        EXPECT_EQ(sshChildren(), 0);
    }
    close(silent);
}

// The cancel comes once the scan is under way on the server; the call
// returns within a second, ssh ended and reaped.
TEST_F(RemoteScan, ACancelEndsSsh) {
    Clock::time_point firstProgress{};
    Clock::time_point cancelled{};
    const auto cancel = [&] {
        if (firstProgress == Clock::time_point{} || Clock::now() - firstProgress < std::chrono::milliseconds(100))
            return false;
        if (cancelled == Clock::time_point{})
            cancelled = Clock::now();
        return true;
    };
    const auto progress = [&](std::uint64_t) {
        if (firstProgress == Clock::time_point{})
            firstProgress = Clock::now();
    };
    const nwldap::RemoteResult result = nwldap::scanOverSsh(target("known", scanner), "/usr", cancel, progress);
    ASSERT_EQ(result.failure, RemoteFailure::Cancelled) << result.message << " (the scan was too quick to cancel?)";
    EXPECT_LT(Clock::now() - cancelled, std::chrono::seconds(1));
    EXPECT_EQ(sshChildren(), 0);
}

// The directory client over this machine and two servers reached over ssh,
// one of them unknown: a server is tried where the tool opens it by name;
// the volume's path reaches the scan as itself, however a shell would read
// it; an entry without a uidNumber counts what its account name owns on the
// server that holds the volume, by that server's own account database.
TEST_F(RemoteScan, TheClientTriesAServerAtOpenAndCountsAccountsByTheNamesOfItsServer) {
    const std::string tree = folder + "/a b'c\"$(touch " + folder + "/marker);d\ne`touch " + folder + "/marker`";
    fs::create_directories(tree);
    for (const auto& [file, owner] : {std::pair{"/alice", 60001}, {"/bob", 60002}}) {
        std::ofstream(tree + file) << std::string(20000, 'x');
        ASSERT_EQ(chown((tree + file).c_str(), owner, owner), 0);
    }
    auto directory = std::make_unique<testing_support::MemoryDirectory>();
    directory->contexts = {{"o=ACME", {{"o", "ACME"}}}};
    directory->children["o=ACME"] = {{"cn", "ALICE", false, nwldap::kNoOwner, "", "Alice"},
                                     {"cn", "BOB", false, 60002},
                                     {"cn", "ROOT", false, nwldap::kNoOwner, "", "root"}};
    std::vector<nwldap::Server> servers = {{"FS1", std::nullopt, {{"SYS", folder}}},
                                           {"FS2", target("known", scanner), {{"HOME", tree}}},
                                           {"FS3", target("unknown", scanner), {{"X", "/"}}}};
    nwldap::LdapClient client(std::move(directory), std::move(servers), "ACME");
    nw::NWCONN_HANDLE start = 0, byName = 0, fs2 = 0, fs1 = 0, resolved = 0;
    nw::NWCONN_REF ref = 0;
    ASSERT_EQ(client.NWCCOpenConnByRef(nw::ClientKit::referenceOf(0), nw::kOpenStatePrivate, 0, &start), 0);
    const auto open = [&](const char* server) {
        return client.NWCCOpenConnByName(start, server, nw::kNameFormatBindery, nw::kOpenStateUnlicensed,
                                         nw::kTransportAny, &byName);
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(open("FS3"), nwldap::kErrHostKeyUnknown);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("server FS3: "), std::string::npos);
    ASSERT_EQ(open("FS2"), 0);
    ASSERT_EQ(client.NWCCGetConnRef(byName, &ref) + client.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &fs2), 0);
    ASSERT_EQ(client.NWCCOpenConnByRef(nw::ClientKit::referenceOf(0), nw::kOpenStatePrivate, 0, &fs1), 0);
    nw::NWDSContextHandle context = 0;
    ASSERT_EQ(client.NWDSCreateContextHandle(&context), 0);
    const auto usage = [&](const char* name, nw::NWCONN_HANDLE server) {
        nw::nuint32 id = 0;
        nw::nint32 restriction = 0, inUse = -1;
        EXPECT_EQ(client.NWDSResolveName(context, name, &resolved, &id), 0) << name;
        EXPECT_EQ(client.NWGetObjDiskRestrictions(server, 0, id, &restriction, &inUse), 0) << name;
        return inUse;
    };
    const scanner::ScanTotals there = scanner::scanTree(tree, {});
    const scanner::ScanTotals here = scanner::scanTree(folder, {});
    EXPECT_EQ(usage("ALICE", fs2), nwldap::inUseBlocks(there.blocksByOwner.at(60001))) << "alice, as the server knows";
    EXPECT_EQ(usage("BOB", fs2), nwldap::inUseBlocks(there.blocksByOwner.at(60002)));
    EXPECT_EQ(usage("ROOT", fs1), nwldap::inUseBlocks(here.blocksByOwner.at(0))) << "root, as this machine knows";
    EXPECT_EQ(usage("ALICE", fs1), 0);
    EXPECT_FALSE(fs::exists(folder + "/marker"));
}

} // namespace
