// The site of the end-to-end run over real servers: a slapd of accounts with
// and without uidNumbers, an sshd standing for a file server, volumes here
// and "there" (a path with a space and a quote), the scanner there with an
// account database of its own, and the servers files. It prints what the
// driver needs as KEY=VALUE lines, "READY", then waits for its input to end
// and takes everything down.

#include "ldap/support/LocalSlapd.h"
#include "ldap/support/LocalSshd.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// What du counts for a folder, in kilobytes (4-KB blocks, one file system).
long du(const fs::path& folder) {
    std::string quoted = "'";
    for (const char c : folder.string())
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    FILE* pipe = popen(("du -s -x -B4K " + quoted + "'").c_str(), "r");
    long blocks = 0;
    if (pipe == nullptr || std::fscanf(pipe, "%ld", &blocks) != 1)
        blocks = -1;
    if (pipe != nullptr)
        pclose(pipe);
    return blocks * 4;
}

// A folder of one owner's files on a volume; what du counts of it.
long owned(const fs::path& volume, const std::string& name, unsigned uid, std::size_t bytes) {
    const fs::path folder = volume / name;
    fs::create_directories(folder);
    for (std::size_t i = 0; i < 3; ++i)
        std::ofstream(folder / std::to_string(i)) << std::string(bytes * (i + 1), 'x');
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (chown(entry.path().c_str(), uid, uid) != 0)
            return -1;
    return chown(folder.c_str(), uid, uid) == 0 ? du(folder) : -1;
}

void script(const fs::path& path, const std::string& body) {
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, fs::perms::owner_all);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fixture <tests/data> <vorlane-scan>\n";
        return 2;
    }
    const std::string data = argv[1];
    const std::string scanProgram = argv[2];
    if (const std::string why = testing_support::LocalSshd::unavailable(); !why.empty()) {
        std::cout << "SKIP=" << why << std::endl;
        return 0;
    }
    testing_support::LocalSshd sshd;
    testing_support::LocalSlapd slapd({data + "/ldap", {{"o=ACME", data + "/ldap/sites.ldif"}}, ""});
    if (!sshd.error().empty() || !slapd.error().empty()) {
        std::cerr << sshd.error() << slapd.error() << "\n";
        return 1;
    }
    const fs::path top = sshd.folder();
    const fs::path here = top / "here";
    const fs::path there = top / "it's there" / "home";
    // The file server's own accounts: lisa and karl have no uidNumber in the
    // directory and are found there by name.
    std::ofstream(top / "passwd") << "root:x:0:0::/root:/bin/sh\nlisa:x:70001:70001::/:/bin/sh\n"
                                  << "karl:x:70002:70002::/:/bin/sh\n";
    std::ofstream(top / "group") << "root:x:0:\n";
    const std::string wrapped = "LD_PRELOAD=libnss_wrapper.so NSS_WRAPPER_PASSWD='" + (top / "passwd").string() +
                                "' NSS_WRAPPER_GROUP='" + (top / "group").string() +
                                "' ASAN_OPTIONS=" + "verify_asan_link_order=0 exec '" + scanProgram + "' \"$@\"";
    script(top / "scanner", wrapped);
    // A server whose volumes take a long while: its scanner answers the probe
    // at once and starts a scan only after a minute.
    script(top / "slow", "[ \"$1\" = --version ] || sleep 60\n" + wrapped);
    std::ofstream(top / "servers.json") << R"({"servers": [ {"name": "FS1", "volumes": [{"name": "SYS", "path": ")"
                                        << here.string() << R"("}]}, {"name": "FS2", "ssh": "known", "scanner": ")"
                                        << (top / "scanner").string() << R"(", "volumes": [{"name": "HOME", "path": ")"
                                        << there.string() << R"("}]}, {"name": "FS3", "ssh": "known", )"
                                        << R"("scanner": ")" << (top / "slow").string()
                                        << R"(", "volumes": [{"name": "BIG", "path": "/usr"}]} ]})";
    std::ofstream(top / "stranger.json")
        << R"({"servers": [ {"name": "FS1", "volumes": [{"name": "SYS", "path": ")" << here.string()
        << R"("}]}, {"name": "FS4", "ssh": "unknown", "volumes": [{"name": "X", "path": "/"}]} ]})";
    // JSMITH (60002) and MJONES (60003) here; JSMITH, LISA and KARL there.
    const long hereJsmith = owned(here, "jsmith", 60002, 30000);
    const long hereMjones = owned(here, "mjones", 60003, 90000);
    const long thereJsmith = owned(there, "jsmith", 60002, 50000);
    const long thereLisa = owned(there, "lisa", 70001, 70000);
    const long thereKarl = owned(there, "karl", 70002, 10000);
    std::cout << "SSH_CONFIG=" << sshd.configFile() << "\nLDAP_URI=" << slapd.ldapiUri()
              << "\nSERVERS=" << (top / "servers.json").string() << "\nSTRANGER=" << (top / "stranger.json").string()
              << "\nPATH_THERE=" << (top / "it's there").string() << "\nFS1=JSMITH:" << hereJsmith
              << ",MJONES.EAST:" << hereMjones << "\nFS2=JSMITH:" << thereJsmith << ",LISA:" << thereLisa
              << ",KARL:" << thereKarl << "\nREADY" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    fs::remove_all(top / "here");
    return 0;
}
